// The password window ("パスワード入力"): the main unit's four-digit password, masked.
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

namespace rk::app {

class CPasswordDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPasswordDlg(QWidget* parent = nullptr);

    // The typed password: four digits once the window ended with OK.
    std::string password() const;

public slots:
    void accept() override;

private:
    QLineEdit* password_ = nullptr;
};

} // namespace rk::app
