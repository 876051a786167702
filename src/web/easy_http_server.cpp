#include "web/easy_http_server.h"

#include "platform/text.h"
#include "web/easy_http_worker.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace rk::web {

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

int EasyHttpServer::Start() {
    if (IsRunning() || started_) return 0;
    if (listener_.Create() != 1) {
        showError("\nソケット生成に失敗しました。\n");
        return 0;
    }
    if (!bindListener()) {
        listener_.Close();
        return 0;
    }
    listeningPort_ = listener_.LocalPort();
    state_->config = config_;
    state_->owner = owner_;
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
    {
        std::lock_guard lock(state_->workersMutex);
        if (state_->liveWorkers >= state_->workerLimit) return; // closed at once with the object
        ++state_->liveWorkers;
    }
    auto worker = std::make_unique<CEasyHttpWorker>(state_, std::move(client));
    const std::shared_ptr<ServerState> state = state_;
    const auto end = [state] {
        std::lock_guard lock(state->workersMutex);
        --state->liveWorkers;
        state->workersDone.notify_all();
    };
    try {
        std::thread([worker = std::move(worker), end]() mutable {
            worker->Run();
            worker.reset(); // the connection is closed before the worker counts as ended
            end();
        }).detach();
    } catch (const std::system_error&) {
        end(); // no thread for this connection: it is closed unanswered
    }
}

bool EasyHttpServer::waitForWorkers(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->workersMutex);
    return state_->workersDone.wait_for(lock, limit, [this] { return state_->liveWorkers == 0; });
}

int EasyHttpServer::liveWorkers() {
    std::lock_guard lock(state_->workersMutex);
    return state_->liveWorkers;
}

int EasyHttpServer::editedFlag() {
    const std::lock_guard lock(state_->workspace.editLock());
    return state_->editedFlag;
}

} // namespace rk::web
