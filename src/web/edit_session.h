// Browser editing as the menu window runs it: "詳細設定" configures and starts the embedded
// server and opens the desktop's browser on it; "戻る" stops the server. Between the two the
// browser edits the phonebook through the pages the server serves.
#pragma once

#include "phonebook/edit_steps.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"
#include "web/easy_http_server.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace rk::web {

// The server is not started with less physical memory free than this.
constexpr std::uint64_t kServerMemoryNeeded = 12'288'000;

// Where the edit pages are for a program file: "HTMLFiles" beside it (the build tree), else the
// installed "share/rkdial/HTMLFiles" beside its "bin". The first when neither exists.
std::filesystem::path documentRootFor(const std::filesystem::path& executable);

// The address of a server as a browser opens it: "http://127.0.0.1:8080/".
std::string serverAddress(const std::string& address, int port);

class EditSession {
public:
    EditSession(Workspace& workspace, const platform::Seam& seam, const platform::Owner& menuWindow);

    // "詳細設定": with the server not yet running, the memory check, the editing configuration, the
    // start and the starting snapshot (commitBackup, through `run` under the edit lock), each
    // failure with its message; then, and on every further press, a browser on the server.
    void StartBrowserEditing(const phonebook::StepRunner& run);

    // Opens one more browser window on the server's address.
    void LaunchBrowser();

    // "戻る" begins here: no new connection is taken; requests already being handled go on.
    void StopServer() { server_.Stop(); }
    // True once no request is being handled (waiting at most `limit`).
    bool requestsEnded(std::chrono::milliseconds limit) { return server_.waitForWorkers(limit); }

    // "戻る" and "ファイルデータ保存": the phonebook step of leaving (EasyHttpServer::settleEdits),
    // under the edit lock.
    void settleEdits() { server_.settleEdits(); }

    EasyHttpServer& server() { return server_; }
    std::string address() const;

    // The port the editing configuration asks for: 80 in the program; tests move it.
    void setServerPort(std::uint16_t port) { port_ = port; }

private:
    Workspace& workspace_;
    platform::Seam seam_;
    platform::Owner owner_;
    EasyHttpServer server_;
    std::uint16_t port_ = 80;
};

} // namespace rk::web
