// The menu window ("メニュー選択") of the edit entry procedure: file load, file save and browser
// editing of the phonebook.
#pragma once

#include "phonebook/edit_steps.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <QDialog>

class QCloseEvent;
class QPushButton;

namespace rk::app {

class CMenuSelectDlg : public QDialog {
    Q_OBJECT

public:
    CMenuSelectDlg(Workspace& workspace, const platform::Seam& seam, QWidget* parent = nullptr);

    // "戻る", Escape and the close box all leave the menu here.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onDetailedSettings();
    void onLoadFile();
    void onSaveFile();

private:
    void initialiseDialog();
    // Runs a phonebook step under the edit lock (the window is off while it waits for it).
    void phonebookStep(const phonebook::PhonebookStep& step);

    Workspace& workspace_;
    platform::Seam seam_;

    QPushButton* detailedSettings_ = nullptr;
    bool leaving_ = false; // the window is already on its way out
};

} // namespace rk::app
