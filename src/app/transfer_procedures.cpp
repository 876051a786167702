#include "app/transfer_procedures.h"

#include "app/comm_progress_dlg.h"
#include "app/compare_dlg.h"
#include "app/file_progress_dlg.h"
#include "app/gui_edit_lock.h"
#include "app/host_address_dlg.h"
#include "app/password_dlg.h"
#include "history/safeguards.h"
#include "link/phonebook_procedures.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace rk::app {
namespace {

constexpr int kCommunicationRead = 1;
constexpr int kCommunicationWrite = 2;

platform::Owner ownerOf(QWidget& mainWindow) {
    return {&mainWindow, "CMainMenuDlg"};
}

// The host window: true when it ended with OK (the session has the host then).
bool askHost(QWidget& mainWindow, link::PhonebookProcedures& procedures) {
    CHostAddressDlg host(procedures.session(), procedures.port(), &mainWindow);
    return host.exec() == QDialog::Accepted;
}

// The password window: the password when it ended with OK.
std::optional<std::string> askPassword(QWidget& mainWindow, link::PhonebookProcedures& procedures) {
    CPasswordDlg password(procedures.session().seam().ui, &mainWindow);
    if (password.exec() != QDialog::Accepted) return std::nullopt;
    return password.password();
}

std::optional<std::string> askHostAndPassword(QWidget& mainWindow, link::PhonebookProcedures& procedures) {
    if (!askHost(mainWindow, procedures)) return std::nullopt;
    return askPassword(mainWindow, procedures);
}

// Progress windows have no owner window, so that a disabled main window leaves them (and the
// message boxes they own) usable; they are placed over the main window instead.
template <typename Window>
std::unique_ptr<Window> showProgress(QWidget& mainWindow, std::unique_ptr<Window> window) {
    window->move(mainWindow.frameGeometry().center() - window->rect().center());
    window->show();
    return window;
}

// The end of a transfer: the progress window goes first, then the procedure's own message, the
// communication error or the completion notice.
void finishTransfer(QWidget& mainWindow, link::PhonebookProcedures& procedures,
                    std::unique_ptr<CCommProgressDlg> progress, int result,
                    link::TransferDirection direction) {
    if (result == 0) progress->UpDatePrg(100);
    progress->hide();
    if (result == 0) progress.reset();
    link::reportTransferEnd(procedures.session().seam().ui, ownerOf(mainWindow), direction, result);
}

int memoryCountOfSelection(int memorySelection) {
    return memorySelection == 2 ? 990 : 600;
}

// Before the password window: what the write changes against the newest read of the host just
// entered. True when the procedure goes on: no such read, or "書込を続ける".
bool previewAccepted(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection,
                     const WriteChecks& checks) {
    if (!checks.previewBeforeWrite) return true;
    link::DeviceSession& session = procedures.session();
    Workspace& workspace = session.workspace();
    history::WritePlan plan;
    guiRunner(workspace, &mainWindow)([&] {
        plan = history::planWrite(history::SnapshotStore(checks.historyFolder), session.host(), workspace,
                                  memoryCountOfSelection(memorySelection));
        return 0;
    });
    if (plan.status == history::WritePlan::Status::NoRead) return true;
    if (plan.status == history::WritePlan::Status::Unreadable) {
        // The operator asked to see the changes: say why there are none to see, then go on.
        platform::showError(
            session.seam().ui, ownerOf(mainWindow),
            text::toCp932("\n前回の読込の記録が読み込めないため、変更内容を表示できません。\n"));
        return true;
    }
    CCompareDlg window(std::move(plan.changes), CCompareDlg::readHeading(plan.read.info.time),
                       CCompareDlg::Purpose::BeforeWrite, &mainWindow);
    return window.exec() == QDialog::Accepted;
}

// After a completed write: the phonebook read back, with the read's own progress window and
// pauses, into a workspace of its own, and compared with what was sent.
void verifyCompletedWrite(QWidget& mainWindow, link::PhonebookProcedures& procedures,
                          const std::string& password, const WriteChecks& checks) {
    link::DeviceSession& session = procedures.session();
    const platform::Seam& seam = session.seam();
    Workspace& workspace = session.workspace();
    std::filesystem::path directory = workspace.flags().startupDir;
    // What the write generated and sent; the read-back replaces these files.
    const history::PhonebookSide sent = history::writtenBooks(directory);
    const history::VerifyOutcome outcome =
        history::verifyWrite(sent, history::memoryCountOf(workspace), [&](Workspace& into) {
            into.flags().startupDir = workspace.flags().startupDir;
            link::PhonebookProcedures readBack(into, session);
            readBack.setPort(procedures.port());
            readBack.setTransferLog(checks.log);
            auto progress = showProgress(
                mainWindow, std::make_unique<CCommProgressDlg>(seam.progress, kCommunicationRead, 0));
            mainWindow.setEnabled(false);
            const int result = runOffGuiThread([&] { return readBack.runRead(password); });
            mainWindow.setEnabled(true);
            if (result == 0) progress->UpDatePrg(100);
            progress->hide();
            return result;
        });

    const platform::Owner owner = ownerOf(mainWindow);
    switch (outcome.status) {
    case history::VerifyOutcome::Status::Same:
        platform::showInformation(seam.ui, owner, text::toCp932("書込内容と主装置の内容は一致しました。"),
                                  text::toCp932("書込内容の確認"));
        return;
    case history::VerifyOutcome::Status::Different: {
        CCompareDlg window(outcome.differences, QStringLiteral(u"書込内容と主装置から読み戻した内容の比較"),
                           CCompareDlg::Purpose::Show, &mainWindow);
        window.exec();
        platform::showError(seam.ui, owner, text::toCp932("\n書込内容と主装置の内容が一致しません。\n"));
        return;
    }
    case history::VerifyOutcome::Status::ReadFailed:
    case history::VerifyOutcome::Status::NothingSent:
        break;
    }
    // The link has said what went wrong in the read-back; the write itself has completed.
    platform::showError(
        seam.ui, owner,
        text::toCp932("\n書込後の読み戻しができなかったため、書込内容を確認できませんでした。\n"));
}

} // namespace

int runOffGuiThread(const std::function<int()>& work) {
    QEventLoop loop;
    int result = 0;
    std::thread worker([&] {
        result = work();
        // Queued: the loop ends once it runs, even if the work finished before it started.
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return result;
}

void readPhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection) {
    const std::optional<std::string> password = askHostAndPassword(mainWindow, procedures);
    if (!password) return;
    const platform::Seam& seam = procedures.session().seam();
    if (!link::confirmTransfer(seam.ui, ownerOf(mainWindow), link::TransferDirection::Read)) return;
    procedures.applyMemorySelection(memorySelection);

    auto progress =
        showProgress(mainWindow, std::make_unique<CCommProgressDlg>(seam.progress, kCommunicationRead, 0));
    // The data image is the worker's until the read has ended: nothing may start meanwhile.
    mainWindow.setEnabled(false);
    const int result = runOffGuiThread([&] { return procedures.runRead(*password); });
    mainWindow.setEnabled(true);
    finishTransfer(mainWindow, procedures, std::move(progress), result, link::TransferDirection::Read);
}

void writePhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection,
                             const WriteChecks& checks) {
    if (!askHost(mainWindow, procedures)) return;
    // "中止" ends the procedure as the password window's cancel does.
    if (!previewAccepted(mainWindow, procedures, memorySelection, checks)) return;
    const std::optional<std::string> password = askPassword(mainWindow, procedures);
    if (!password) return;
    const platform::Seam& seam = procedures.session().seam();
    if (!link::confirmTransfer(seam.ui, ownerOf(mainWindow), link::TransferDirection::Write)) return;
    procedures.applyMemorySelection(memorySelection);

    auto files = std::make_unique<CFileProgressDlg>(seam.progress);
    mainWindow.setEnabled(false);
    files = showProgress(mainWindow, std::move(files));
    runOffGuiThread([&] {
        procedures.prepareWrite(*password);
        return 0;
    });
    files->hide();
    files.reset();

    auto progress =
        showProgress(mainWindow, std::make_unique<CCommProgressDlg>(seam.progress, kCommunicationWrite, 0));
    const int result = runOffGuiThread([&] { return procedures.runWrite(); });
    mainWindow.setEnabled(true);
    finishTransfer(mainWindow, procedures, std::move(progress), result, link::TransferDirection::Write);
    if (result == 0 && checks.verifyAfterWrite)
        verifyCompletedWrite(mainWindow, procedures, *password, checks);
}

} // namespace rk::app
