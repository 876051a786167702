// The embedded HTTP/1.0 server of browser editing ("EasyHttpServer/1.0"). A listener thread
// accepts connections; every connection gets a worker of its own (CEasyHttpWorker) that reads one
// request, answers it and closes the connection. The request handling of all workers holds the
// workspace's edit lock, so the phonebook is never touched by two requests at once.
//
// A server object runs once: Start is refused while it runs and after Stop. The setters change
// nothing while it runs.
#pragma once

#include "net/tcp_socket.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"
#include "web/server_config.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace rk::web {

// What the listener and its workers share. It lives until the last of them has ended, even when
// the server object goes first.
struct ServerState {
    ServerState(Workspace& served, const platform::Seam& through) : workspace(served), seam(through) {}

    Workspace& workspace;
    platform::Seam seam;
    // The listener's copy of the configuration, taken when it starts; its redirect flag is only
    // used under the edit lock.
    ServerConfig config;
    platform::Owner owner;
    // Set when a form submission arrives for a speed-dial page; read and cleared by the data-script
    // step. Only used under the edit lock.
    int editedFlag = 0;

    // How many workers may be alive at once; a connection beyond them is closed at once, so that
    // no flood of connections can exhaust the program.
    int workerLimit = 64;
    // How long a request may take to arrive, head and body each (scaled by the clock's limit scale).
    int requestSeconds = 10;

    std::mutex workersMutex;
    std::condition_variable workersDone;
    int liveWorkers = 0;
};

class EasyHttpServer {
public:
    EasyHttpServer(Workspace& workspace, const platform::Seam& seam);
    // Stops the listener; workers already started finish their request on their own.
    ~EasyHttpServer();
    EasyHttpServer(const EasyHttpServer&) = delete;
    EasyHttpServer& operator=(const EasyHttpServer&) = delete;

    // 1 when listening, 0 on failure (after the failure's message). 0 without any message when it
    // runs already or ran before.
    [[nodiscard]] int Start();
    // Closes the listening socket and ends the listener; always succeeds.
    void Stop();
    bool IsRunning() const { return running_.load(); }

    void SetPort(std::uint16_t port);
    void SetDocumentRoot(const std::string& documentRoot);
    void SetDefaultPage(const std::string& defaultPage);
    void SetOwnerWindow(const platform::Owner& owner);
    void SetAddress(const std::string& address);
    const ServerConfig& config() const { return config_; }

    // The address and port the server listens on (after a successful Start).
    const std::string& listenAddress() const { return config_.address; }
    int listeningPort() const { return listeningPort_; }

    // Waits at most `limit` for every worker to end; true when none is left.
    bool waitForWorkers(std::chrono::milliseconds limit);
    int liveWorkers();

    // For tests: the worker cap and the request time limit.
    void setWorkerLimit(int limit) { state_->workerLimit = limit; }
    int editedFlag();

private:
    void listen();
    void showError(const char* utf8Text) const;
    bool bindListener();
    void serve(std::unique_ptr<net::TcpSocket> client);

    std::shared_ptr<ServerState> state_;
    ServerConfig config_;
    platform::Owner owner_;
    net::TcpSocket listener_;
    std::thread listenerThread_;
    std::atomic<bool> running_{false};
    bool started_ = false;
    int listeningPort_ = 0;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
};

} // namespace rk::web
