#include "web/edit_session.h"

#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <system_error>

namespace rk::web {

std::filesystem::path documentRootFor(const std::filesystem::path& executable) {
    const std::filesystem::path beside = executable.parent_path() / "HTMLFiles";
    const std::filesystem::path installed =
        executable.parent_path().parent_path() / "share" / "rkdial" / "HTMLFiles";
    std::error_code error;
    if (!std::filesystem::is_directory(beside, error) && std::filesystem::is_directory(installed, error))
        return installed;
    return beside;
}

std::string serverAddress(const std::string& address, int port) {
    return "http://" + address + ":" + std::to_string(port) + "/";
}

EditSession::EditSession(Workspace& workspace, const platform::Seam& seam, const platform::Owner& menuWindow)
    : workspace_(workspace), seam_(seam), owner_(menuWindow), server_(workspace, seam) {}

std::string EditSession::address() const {
    return serverAddress(server_.listenAddress(), server_.listeningPort());
}

void EditSession::StartBrowserEditing(const phonebook::StepRunner& run) {
    if (!server_.IsRunning()) {
        const std::optional<std::uint64_t> memory = seam_.system.availablePhysicalMemory();
        if (memory && *memory < kServerMemoryNeeded) {
            platform::showError(seam_.ui, owner_,
                                text::toCp932("\nメモリ不足のため、\nサーバが起動できませんでした。\n"));
            return;
        }
        server_.SetPort(port_);
        server_.SetDocumentRoot(documentRootFor(seam_.system.executablePath()).string() + "/");
        server_.SetOwnerWindow(owner_);
        server_.SetDefaultPage("17tansyuku.html");
        if (server_.Start() != 1) {
            server_.Stop();
            platform::showError(seam_.ui, owner_, text::toCp932("\nサーバの起動に失敗しました。\n"));
            return;
        }
        run([this] {
            phonebook::commitBackup(workspace_);
            return 0;
        });
    }
    LaunchBrowser();
}

void EditSession::LaunchBrowser() {
    // The browser not starting is not reported, as on the desktop the program was designed for.
    static_cast<void>(seam_.ui.openBrowser(address()));
}

} // namespace rk::web
