// The password window ("パスワード入力"): the main unit's four-digit password, masked.
#pragma once

#include "platform/ui.h"

#include <QDialog>

#include <string>

class QLineEdit;

namespace rk::app {

class CPasswordDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPasswordDlg(platform::Ui& ui, QWidget* parent = nullptr);

    // The typed password: four digits once the window ended with OK.
    std::string password() const;

public slots:
    void accept() override;

private:
    platform::Ui& ui_;
    QLineEdit* password_ = nullptr;
};

} // namespace rk::app
