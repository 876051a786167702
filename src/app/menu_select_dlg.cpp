#include "app/menu_select_dlg.h"

#include "app/dialog_layout.h"
#include "app/file_select_dlg.h"
#include "app/gui_edit_lock.h"
#include "phonebook/edit_steps.h"
#include "phonebook/phonebook.h"

#include "web/edit_session.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPushButton>

#include <chrono>

namespace rk::app {

CMenuSelectDlg::CMenuSelectDlg(Workspace& workspace, const platform::Seam& seam, QWidget* parent)
    : QDialog(parent), workspace_(workspace), seam_(seam),
      editing_(std::make_unique<web::EditSession>(workspace, seam, platform::Owner{this, "CMenuSelectDlg"})) {
    const DialogUnits units = prepareFixedDialog(*this, 191, 171);
    setWindowTitle(QStringLiteral(u"メニュー選択"));

    // Created in tab order.
    detailedSettings_ = new QPushButton(QStringLiteral(u"詳細設定"), this);
    placeControl(*detailedSettings_, 1077, units, 37, 105, 115, 25);
    auto* back = new QPushButton(QStringLiteral(u"戻る"), this);
    placeControl(*back, 2, units, 115, 144, 60, 20);
    auto* load = new QPushButton(QStringLiteral(u"ファイルデータ読込"), this);
    placeControl(*load, 1294, units, 37, 15, 115, 25);
    auto* save = new QPushButton(QStringLiteral(u"ファイルデータ保存"), this);
    placeControl(*save, 1295, units, 37, 60, 115, 25);
    setTabOrder(detailedSettings_, back);
    setTabOrder(back, load);
    setTabOrder(load, save);

    connect(detailedSettings_, &QPushButton::clicked, this, &CMenuSelectDlg::onDetailedSettings);
    connect(back, &QPushButton::clicked, this, &CMenuSelectDlg::reject);
    connect(load, &QPushButton::clicked, this, &CMenuSelectDlg::onLoadFile);
    connect(save, &QPushButton::clicked, this, &CMenuSelectDlg::onSaveFile);

    initialiseDialog();
}

void CMenuSelectDlg::initialiseDialog() {
    detailedSettings_->setEnabled(true);
    detailedSettings_->setFocus();
    // Leaving the menu with the duplicate check on rebuilds the working copy from the backup copy.
    // Nothing else keeps the backup copy current (a read from the main unit or a memory-count
    // change touch only the working copy), so it starts every menu session as a snapshot of the
    // working copy; otherwise leaving would bring back an older phonebook.
    phonebookStep([this] {
        phonebook::commitBackup(workspace_);
        return 0;
    });
}

CMenuSelectDlg::~CMenuSelectDlg() {
    // Left without "戻る" (the window object goes with its owner): the server stops all the same.
    endBrowserRequests();
}

void CMenuSelectDlg::phonebookStep(const phonebook::PhonebookStep& step) {
    guiRunner(workspace_, this)(step);
}

void CMenuSelectDlg::endBrowserRequests() {
    editing_->StopServer();
    if (editing_->requestsEnded(std::chrono::milliseconds(0))) return;
    setEnabled(false);
    while (!editing_->requestsEnded(std::chrono::milliseconds(5)))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    setEnabled(true);
}

void CMenuSelectDlg::onDetailedSettings() {
    editing_->StartBrowserEditing(guiRunner(workspace_, this));
}

void CMenuSelectDlg::onLoadFile() {
    CFileSelectDlg window(FileOperation::Load, workspace_, seam_, this);
    window.exec();
}

void CMenuSelectDlg::onSaveFile() {
    // With the duplicate check on, browser edits live in the backup copy; the file gets them.
    phonebookStep([this] {
        editing_->settleEdits();
        return 0;
    });
    CFileSelectDlg window(FileOperation::Save, workspace_, seam_, this);
    window.exec();
}

void CMenuSelectDlg::reject() {
    if (!leaving_) {
        leaving_ = true;
        // The server first, so that no request runs into the phonebook step or comes after it.
        endBrowserRequests();
        phonebookStep([this] {
            editing_->settleEdits();
            return 0;
        });
    }
    QDialog::reject();
}

void CMenuSelectDlg::closeEvent(QCloseEvent* event) {
    if (leaving_) {
        event->accept();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace rk::app
