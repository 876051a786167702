// Ports for tests that need a port named before anything listens on it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rk::testing {

// A loopback port that is bound for as long as the object lives but never listens: a connection
// to it is refused, and no other test can be given it meanwhile.
class RefusingPort {
public:
    RefusingPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

// A loopback port for a listener in another process that this process must name in advance (the
// PC's port that a main unit connects back to, given on a command line). The port is connected
// to and closed once, which leaves it in TIME_WAIT: the system hands it to no other socket that
// asks for any free port, while a listener that reuses addresses may still bind it.
inline int reservedPort() {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int accepted = ::accept(listener, nullptr, nullptr);
    // The accepted end closes first, so the TIME_WAIT stays on the listener's port.
    ::close(accepted);
    ::close(client);
    ::close(listener);
    return ntohs(address.sin_port);
}

} // namespace rk::testing
