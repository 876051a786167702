// The embedded HTTP/1.0 server of browser editing ("EasyHttpServer/1.0"). A listener thread
// accepts connections; every connection gets a worker of its own (CEasyHttpWorker) that reads one
// request, answers it and closes the connection. The request handling of all workers holds the
// workspace's edit lock, so the phonebook is never touched by two requests at once.
//
// A server object runs once: Start is refused while it runs and after Stop. The setters change
// nothing while it runs.
#pragma once

#include "net/tcp_socket.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"
#include "web/request_gate.h"
#include "web/server_config.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace rk::web {

// Told of every request the gate refused: the rule, and the request as it was read.
using RefusalReporter = std::function<void(GateRule rule, const HttpRequest& request)>;

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
    GateSettings gate;
    RefusalReporter reportRefusal;
    // Set when a form submission arrives for a speed-dial page; read and cleared by the data-script
    // step. Only used under the edit lock, as is the page that submission came from.
    int editedFlag = 0;
    int pendingPage = 0;
    phonebook::PageKind pendingKind = phonebook::PageKind::System;
    // With the duplicate check on, a submitted page becomes part of the working copy: its entries
    // are stored again through the checked store, then the backup copy follows. Under the edit lock.
    void commitPage(int page, phonebook::PageKind kind);

    // How long a request may take to arrive, head and body each (scaled by the clock's limit scale).
    int requestSeconds = 10;

    // A connection being served. Until its request head is complete it may be an idle one that a
    // browser opened ahead of need, or one held open on purpose: such a one is closed to make room
    // for another, and when the server stops.
    struct Connection {
        int handle = -1;
        bool headComplete = false;
        bool closedByServer = false;
    };
    using ConnectionEntry = std::list<Connection>::iterator;

    // Under workersMutex. How many workers may be alive at once; beyond them a new connection takes
    // the place of the oldest one without a complete head, or is closed at once when there is none,
    // so that no flood of connections can exhaust the program or keep the operator out.
    std::mutex workersMutex;
    std::condition_variable workersDone;
    int workerLimit = 64;
    int liveWorkers = 0;
    bool stopped = false;
    std::list<Connection> connections;

    // The connection's request head is complete: from now on it is served to its end. False when
    // the server closed it meanwhile (or stopped): nothing more is done for it.
    bool admitHead(ConnectionEntry entry);
    // The connection leaves the list before it is closed, so that no one shuts down a handle that
    // the system may already have given to something else.
    void forget(ConnectionEntry entry);
    // Shuts the connection down (its worker's reads end at once); the worker still closes it.
    // Under workersMutex.
    static void closeIdle(Connection& connection);
};

class EasyHttpServer {
public:
    EasyHttpServer(Workspace& workspace, const platform::Seam& seam);
    // Stops the server and waits, for a bounded time, for the workers it started.
    ~EasyHttpServer();
    EasyHttpServer(const EasyHttpServer&) = delete;
    EasyHttpServer& operator=(const EasyHttpServer&) = delete;

    // 1 when listening, 0 on failure (after the failure's message). 0 without any message when it
    // runs already or ran before.
    [[nodiscard]] int Start();
    // Closes the listening socket and ends the listener, and closes every connection that has not
    // sent a complete request head; requests under way finish. Always succeeds.
    void Stop();
    bool IsRunning() const { return running_.load(); }

    void SetPort(std::uint16_t port);
    void SetDocumentRoot(const std::string& documentRoot);
    void SetDefaultPage(const std::string& defaultPage);
    void SetOwnerWindow(const platform::Owner& owner);
    // The address to listen on: a dotted IPv4 address or a name that resolves to one (never every
    // address at once). Off loopback every request must carry the session's access key.
    void SetAddress(const std::string& address);
    void SetRefusalReporter(RefusalReporter reporter);
    // Asks for the access key on a loopback address too (off loopback it is always asked for).
    void RequireAccessKey() {
        if (!IsRunning()) keyRequired_ = true;
    }
    const ServerConfig& config() const { return config_; }

    // The address and port the server listens on (after a successful Start).
    const std::string& listenAddress() const { return config_.address; }
    int listeningPort() const { return listeningPort_; }
    // The key every request must carry (off loopback, or when asked for); else empty.
    const std::string& accessKey() const { return state_->gate.accessKey; }

    // Waits at most `limit` for every worker to end; true when none is left.
    bool waitForWorkers(std::chrono::milliseconds limit);

    // What leaving browser editing (and saving to a file meanwhile) does to the phonebook, under
    // the edit lock: a submitted page that its reload has not committed yet is committed as the
    // reload would, so that a duplicate the check reported is never kept; then the working copy is
    // rebuilt from the backup copy.
    void settleEdits();

    // The worker cap; may change while the server runs.
    void setWorkerLimit(int limit);
    int editedFlag();

private:
    void listen();
    void showError(const char* utf8Text) const;
    bool bindListener();
    // Resolves the configured address; false (after the bind failure's message) when it names none.
    bool resolveAddress();
    void serve(std::unique_ptr<net::TcpSocket> client);

    std::shared_ptr<ServerState> state_;
    ServerConfig config_;
    platform::Owner owner_;
    net::TcpSocket listener_;
    std::thread listenerThread_;
    std::atomic<bool> running_{false};
    bool started_ = false;
    bool keyRequired_ = false;
    int listeningPort_ = 0;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
};

} // namespace rk::web
