// The embedded server's configuration record.
#pragma once

#include "web/http_answer.h"
#include "web/http_request.h"

#include <cstdint>
#include <string>

namespace rk::web {

struct ServerConfig {
    // Queue of connections not yet accepted. 2 where the program was designed; a browser opens
    // six connections at once here, and a connection that finds the queue full waits a whole
    // second before it tries again.
    std::int32_t backlog = 64;
    // TCP port; 0 lets the system choose. When the port is refused for lack of permission (80 for
    // a user who is not the administrator) the server binds one the system chooses instead.
    std::uint16_t port = 80;
    // Size of a request body, and the largest Content-Length accepted.
    std::int32_t maximumBody = kDefaultMaximumBody;
    // The directory of the served files, ending with '/'.
    std::string documentRoot = "./";
    // Appended to a request path that ends with a separator.
    std::string defaultPage = "index.html";
    std::string serverName = std::string(kServerName);
    // Set while the request being answered carried a form submission; lives in the listener's copy.
    std::int32_t redirectAfterSubmission = 0;
    // The address listened on. Only this machine by default: the pages show and change a customer's
    // phonebook and ask for no password, so another address is an explicit choice.
    std::string address = "127.0.0.1";
};

} // namespace rk::web
