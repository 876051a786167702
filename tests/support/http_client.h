// A client of the embedded server for tests, sharing no code with it: raw loopback sockets.
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace rk::testing {

// One connection to a port on loopback.
class Client {
public:
    // kAtOnce: the connection is started, not awaited (for a flood of them).
    static constexpr int kAtOnce = SOCK_NONBLOCK;
    explicit Client(int port, int flags = 0) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return connected_; }
    void send(std::string_view bytes) {
        static_cast<void>(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL));
    }
    // Everything until the server closes the connection.
    std::string receiveAll() {
        std::string all;
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
            if (count <= 0) return all;
            all.append(buffer, static_cast<std::size_t>(count));
        }
    }

private:
    int fd_;
    bool connected_ = false;
};

inline std::string talk(int port, std::string_view request) {
    Client client(port);
    client.send(request);
    return client.receiveAll();
}

// As a browser on this machine asks: its Host names the address and port it connected to.
inline std::string get(int port, std::string_view target) {
    return talk(port, "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\n\r\n");
}

inline std::string post(int port, std::string_view target, std::string_view type, std::string_view body) {
    return talk(port, "POST " + std::string(target) + " HTTP/1.1\r\nContent-Type: " + std::string(type) +
                          "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                          std::string(body));
}

} // namespace rk::testing
