// One connection of the embedded server: reads one request, lets it through the gate, answers it
// under the edit lock, closes the connection and ends.
#pragma once

#include "net/tcp_socket.h"
#include "web/easy_http_server.h"
#include "web/http_request.h"
#include "web/request_gate.h"
#include "web/request_reading.h"

#include <memory>
#include <optional>
#include <string>

namespace rk::web {

class CEasyHttpWorker {
public:
    CEasyHttpWorker(std::shared_ptr<ServerState> state, std::unique_ptr<net::TcpSocket> client,
                    ServerState::ConnectionEntry entry);
    // Takes the connection off the server's list and closes it.
    ~CEasyHttpWorker();
    CEasyHttpWorker(const CEasyHttpWorker&) = delete;
    CEasyHttpWorker& operator=(const CEasyHttpWorker&) = delete;

    // The whole request, from its first byte to the closed connection.
    void Run();

private:
    bool readRequest();
    void refuse(GateRule rule);
    void handleUnderLock();
    void submitForm();
    void showDuplicateMessage(const std::string& text, int firstEntry, bool commonPage);
    void answer();
    // The page's header, then its file; false when the answer was a 404 or the file could not be read.
    bool sendFile(const std::string& fileName);
    // The data script of the request, or nothing to send.
    std::optional<std::string> dataScript();
    bool sendHeader(int status, int contentType, std::int64_t length);
    void sendBlocks(const char* data, std::size_t size);
    void sendRedirect();

    std::shared_ptr<ServerState> state_;
    std::unique_ptr<net::TcpSocket> client_;
    ServerState::ConnectionEntry entry_;
    HttpRequest request_;
    RequestBody body_;
    // Extra response header lines (the key's cookie), CR LF each.
    std::string extraHeader_;
};

} // namespace rk::web
