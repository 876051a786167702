// The menu window ("メニュー選択") of the edit entry procedure: file load, file save and browser
// editing of the phonebook.
#pragma once

#include "phonebook/edit_steps.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <QDialog>

#include <memory>

class QCloseEvent;
class QPushButton;

namespace rk::web {
class EditSession;
}

namespace rk::app {

class CMenuSelectDlg : public QDialog {
    Q_OBJECT

public:
    CMenuSelectDlg(Workspace& workspace, const platform::Seam& seam, QWidget* parent = nullptr);
    ~CMenuSelectDlg() override;

    // Browser editing of this window: its server lives as long as the window.
    web::EditSession& editSession() { return *editing_; }

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
    // Stops the server and lets the requests it is handling end. Meanwhile the window is off and
    // this thread goes on with its events: a request may be waiting for one of its messages.
    void endBrowserRequests();

    Workspace& workspace_;
    platform::Seam seam_;
    std::unique_ptr<web::EditSession> editing_;

    QPushButton* detailedSettings_ = nullptr;
    bool leaving_ = false; // the window is already on its way out
};

} // namespace rk::app
