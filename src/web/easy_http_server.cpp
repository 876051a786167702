#include "web/easy_http_server.h"

#include "phonebook/edit_steps.h"
#include "platform/text.h"
#include "web/easy_http_worker.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rk::web {

bool ServerState::admitHead(ConnectionEntry entry) {
    const std::lock_guard lock(workersMutex);
    if (entry->closedByServer || stopped) return false;
    entry->headComplete = true;
    return true;
}

void ServerState::forget(ConnectionEntry entry) {
    const std::lock_guard lock(workersMutex);
    connections.erase(entry);
}

void ServerState::commitPage(int page, phonebook::PageKind kind) {
    phonebook::applyPageFromBackup(workspace, page, kind);
    // Committing the page may take the number of a duplicate out of the working copy. The backup
    // copy follows at once: the page then shows what was kept, and leaving the edit ("戻る", which
    // restores the working copy from the backup copy) cannot bring the duplicate back.
    phonebook::commitBackup(workspace);
    editedFlag = 0;
    pendingPage = 0;
}

void ServerState::closeIdle(Connection& connection) {
    connection.closedByServer = true;
    ::shutdown(connection.handle, SHUT_RDWR);
}

EasyHttpServer::EasyHttpServer(Workspace& workspace, const platform::Seam& seam)
    : state_(std::make_shared<ServerState>(workspace, seam)), listener_(seam) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = ends[0];
        wakeWrite_ = ends[1];
    }
}

EasyHttpServer::~EasyHttpServer() {
    Stop();
    // The workers use the workspace this object was given; a worker that still waits after this
    // (for a message the operator has not answered) is left to end on its own.
    waitForWorkers(std::chrono::seconds(30));
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void EasyHttpServer::SetPort(std::uint16_t port) {
    if (!IsRunning()) config_.port = port;
}

void EasyHttpServer::SetDocumentRoot(const std::string& documentRoot) {
    if (IsRunning()) return;
    config_.documentRoot = documentRoot;
    if (config_.documentRoot.empty() || config_.documentRoot.back() != '/') config_.documentRoot += '/';
}

void EasyHttpServer::SetDefaultPage(const std::string& defaultPage) {
    if (!IsRunning()) config_.defaultPage = defaultPage;
}

void EasyHttpServer::SetOwnerWindow(const platform::Owner& owner) {
    if (!IsRunning()) owner_ = owner;
}

void EasyHttpServer::SetAddress(const std::string& address) {
    if (!IsRunning()) config_.address = address;
}

void EasyHttpServer::SetRefusalReporter(RefusalReporter reporter) {
    if (!IsRunning()) state_->reportRefusal = std::move(reporter);
}

void EasyHttpServer::setWorkerLimit(int limit) {
    const std::lock_guard lock(state_->workersMutex);
    state_->workerLimit = limit;
}

void EasyHttpServer::showError(const char* utf8Text) const {
    platform::showError(state_->seam.ui, owner_, text::toCp932(utf8Text));
}

bool EasyHttpServer::bindListener() {
    listener_.owner = owner_;
    listener_.bindAddress = config_.address;
    // Port 80 needs privileges here: refused for lack of them, the server takes a port the system
    // chooses. Only when no port can be bound at all does the operator see the socket's message.
    listener_.reportListenFailures = config_.port == 0;
    if (listener_.Listen(config_.port, config_.backlog) == 1) return true;
    if (config_.port == 0) return false; // its message is shown
    const int refusal = listener_.lastListenError();
    listener_.Close();
    if (listener_.Create() != 1) return false;
    listener_.reportListenFailures = true;
    // Any other refusal (the port is taken) is tried once more, now with its message.
    if (refusal != EACCES && refusal != EPERM) return listener_.Listen(config_.port, config_.backlog) == 1;
    return listener_.Listen(0, config_.backlog) == 1;
}

bool EasyHttpServer::resolveAddress() {
    const std::string dotted = net::resolveIPv4Address(config_.address);
    // One address, never all at once: the gate could not tell the server's own origin.
    if (dotted.empty() || dotted == "0.0.0.0") {
        platform::showError(state_->seam.ui, owner_,
                            text::toCp932("\nバインドに失敗しました。\nerr:") +
                                std::to_string(EADDRNOTAVAIL));
        return false;
    }
    config_.address = dotted;
    return true;
}

int EasyHttpServer::Start() {
    if (IsRunning() || started_) return 0;
    if (listener_.Create() != 1) {
        showError("\nソケット生成に失敗しました。\n");
        return 0;
    }
    if (!resolveAddress() || !bindListener()) {
        listener_.Close();
        return 0;
    }
    listeningPort_ = listener_.LocalPort();
    state_->gate.address = config_.address;
    state_->gate.port = listeningPort_;
    if (keyRequired_ || !isLoopbackAddress(config_.address)) {
        state_->gate.accessKey = makeAccessKey();
        if (state_->gate.accessKey.empty()) { // no random source: no key that could not be guessed
            listener_.Close();
            showError("\nソケット生成に失敗しました。\n");
            return 0;
        }
    }
    state_->config = config_;
    state_->owner = owner_;
    {
        const std::lock_guard lock(state_->workersMutex);
        state_->stopped = false; // a start that failed before was followed by a Stop
    }
    started_ = true;
    // Set here rather than by the listener once it runs: a second "詳細設定" right after the first
    // must see a running server, not start another.
    running_ = true;
    try {
        listenerThread_ = std::thread([this] { listen(); });
    } catch (const std::system_error&) {
        running_ = false;
        listener_.Close();
        showError("\nスレッド起動に失敗しました。\n");
        return 0;
    }
    return 1;
}

void EasyHttpServer::Stop() {
    running_ = false;
    if (wakeWrite_ >= 0) {
        const char wake = 1;
        static_cast<void>(::write(wakeWrite_, &wake, 1)); // a full pipe has already woken it
    }
    if (listenerThread_.joinable()) listenerThread_.join();
    // Closed once the listener no longer waits on it: connections are refused from now on.
    listener_.Close();
    const std::lock_guard lock(state_->workersMutex);
    state_->stopped = true;
    for (ServerState::Connection& connection : state_->connections)
        if (!connection.headComplete && !connection.closedByServer) ServerState::closeIdle(connection);
}

void EasyHttpServer::listen() {
    while (running_) {
        pollfd entries[2] = {{listener_.nativeHandle(), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::poll(entries, wakeRead_ >= 0 ? 2 : 1, wakeRead_ >= 0 ? -1 : 100);
        if (ready < 0 && errno != EINTR) break;
        if (!running_) break;
        if (ready <= 0 || (entries[0].revents & POLLIN) == 0) continue;
        auto client = std::make_unique<net::TcpSocket>(state_->seam);
        // A failed accept drops the client object; the listener accepts again.
        if (listener_.Accept(*client) != 1) continue;
        serve(std::move(client));
    }
}

void EasyHttpServer::serve(std::unique_ptr<net::TcpSocket> client) {
    ServerState::ConnectionEntry entry;
    {
        const std::lock_guard lock(state_->workersMutex);
        if (state_->liveWorkers >= state_->workerLimit) {
            // Room is made by closing the connection that has waited longest without sending a
            // request head; its worker ends at once. None such: the new one is closed at once.
            const auto idle = std::find_if(state_->connections.begin(), state_->connections.end(),
                                           [](const ServerState::Connection& connection) {
                                               return !connection.headComplete && !connection.closedByServer;
                                           });
            if (idle == state_->connections.end() || state_->liveWorkers >= 2 * state_->workerLimit) return;
            ServerState::closeIdle(*idle);
        }
        ++state_->liveWorkers;
        entry = state_->connections.insert(state_->connections.end(), {client->nativeHandle()});
    }
    auto worker = std::make_unique<CEasyHttpWorker>(state_, std::move(client), entry);
    const std::shared_ptr<ServerState> state = state_;
    const auto ended = [state] {
        const std::lock_guard lock(state->workersMutex);
        --state->liveWorkers;
        state->workersDone.notify_all();
    };
    try {
        std::thread([worker = std::move(worker), ended]() mutable {
            worker->Run();
            worker.reset(); // the connection is closed before the worker counts as ended
            ended();
        }).detach();
    } catch (const std::system_error&) {
        ended(); // no thread for this connection: the worker went with it, closed unanswered
    }
}

bool EasyHttpServer::waitForWorkers(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->workersMutex);
    return state_->workersDone.wait_for(lock, limit, [this] { return state_->liveWorkers == 0; });
}

void EasyHttpServer::settleEdits() {
    ServerState& state = *state_;
    if (state.workspace.flags().dupCheckEnabled == 1 && state.editedFlag != 0 && state.pendingPage > 0)
        state.commitPage(state.pendingPage, state.pendingKind);
    phonebook::settleBrowserEdits(state.workspace);
}

int EasyHttpServer::editedFlag() {
    const std::lock_guard lock(state_->workspace.editLock());
    return state_->editedFlag;
}

} // namespace rk::web
