#include "app/transfer_procedures.h"

#include "app/comm_progress_dlg.h"
#include "app/file_progress_dlg.h"
#include "app/host_address_dlg.h"
#include "app/password_dlg.h"
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

// The host window, then the password window. The password when both ended with OK.
std::optional<std::string> askHostAndPassword(QWidget& mainWindow, link::PhonebookProcedures& procedures) {
    CHostAddressDlg host(procedures.session(), procedures.port(), &mainWindow);
    if (host.exec() != QDialog::Accepted) return std::nullopt;
    CPasswordDlg password(procedures.session().seam().ui, &mainWindow);
    if (password.exec() != QDialog::Accepted) return std::nullopt;
    return password.password();
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

void writePhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures,
                             int memorySelection) {
    const std::optional<std::string> password = askHostAndPassword(mainWindow, procedures);
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
}

} // namespace rk::app
