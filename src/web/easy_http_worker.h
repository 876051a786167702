// One connection of the embedded server: reads one request, answers it under the edit lock,
// closes the connection and ends.
#pragma once

#include "net/tcp_socket.h"
#include "web/easy_http_server.h"
#include "web/http_request.h"

#include <memory>
#include <optional>
#include <string>

namespace rk::web {

class CEasyHttpWorker {
public:
    CEasyHttpWorker(std::shared_ptr<ServerState> state, std::unique_ptr<net::TcpSocket> client);
    // Closes the client connection.
    ~CEasyHttpWorker();
    CEasyHttpWorker(const CEasyHttpWorker&) = delete;
    CEasyHttpWorker& operator=(const CEasyHttpWorker&) = delete;

    // The whole request, from its first byte to the closed connection.
    void Run();

private:
    bool readRequest();
    void handleUnderLock();
    void submitForm();
    void showDuplicateMessage(const std::string& text, int firstEntry, bool commonPage);
    void answer();
    // The data script of the request, or nothing to send.
    std::optional<std::string> dataScript();
    bool sendHeader(int status, int contentType, std::int64_t length);
    void sendBlocks(const char* data, std::size_t size);
    void sendFile(const std::string& fileName);
    void sendRedirect();

    std::shared_ptr<ServerState> state_;
    std::unique_ptr<net::TcpSocket> client_;
    HttpRequest request_;
    std::string body_;
    bool hasBody_ = false;
};

} // namespace rk::web
