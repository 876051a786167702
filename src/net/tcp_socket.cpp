#include "net/tcp_socket.h"

#include "platform/progress.h"
#include "platform/text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace rk::net {

TcpSocket::~TcpSocket() {
    Close();
}

int TcpSocket::Create(int type) {
    if (isOpen()) return 0;
    const int systemType = type == kStream ? SOCK_STREAM : SOCK_DGRAM;
    handle_ = ::socket(AF_INET, systemType | SOCK_CLOEXEC, 0);
    if (handle_ < 0) return 0;
    type_ = type;
    return 1;
}

int TcpSocket::Listen(std::uint16_t port, int backlog) {
    if (!isOpen()) return 0;
    const int reuse = 1;
    if (::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const std::string dotted = resolveIPv4Address(bindAddress);
    int bound = -1;
    if (::inet_pton(AF_INET, dotted.c_str(), &address.sin_addr) == 1)
        bound = ::bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    else
        errno = EADDRNOTAVAIL; // an address that names nothing fails, never falls back to every address
    if (bound != 0) {
        listenError_ = errno;
        if (reportListenFailures) {
            char text[32];
            std::snprintf(text, sizeof text, "%d", listenError_);
            platform::showError(seam_.ui, owner, text::toCp932("\nバインドに失敗しました。\nerr:") + text);
        }
        return 0;
    }
    if (::listen(handle_, backlog) != 0) {
        listenError_ = errno;
        if (reportListenFailures)
            platform::showError(seam_.ui, owner, text::toCp932("\nlisten()に失敗しました。\n"));
        return 0;
    }
    listenError_ = 0;
    return 1;
}

int TcpSocket::Accept(TcpSocket& target) {
    if (!isOpen()) return 0;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int accepted = -1;
    do {
        accepted = ::accept4(handle_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0) return 0;
    target.Close();
    target.handle_ = accepted;
    target.peer_ = peer;
    target.type_ = type_;
    // Answers go out line by line and block by block: none may wait for the peer's delayed
    // acknowledgement of the one before. Without it the bytes are the same, only later.
    static_cast<void>(target.SetNoDelay(true));
    return 1;
}

int TcpSocket::AcceptTimed(TcpSocket& target) {
    if (waitReadable(acceptLimitSeconds) != Wait::Ready) return 0;
    return Accept(target);
}

int TcpSocket::Connect(const std::string& host, int port) {
    if (!isOpen()) return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return 0;
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(static_cast<std::uint16_t>(port));

    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof dotted);
    flushNeighbourEntry(dotted);

    int result = -1;
    do {
        result = ::connect(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return 0;
    static_cast<void>(SetNoDelay(true)); // as for accepted connections
    return 1;
}

TcpSocket::Wait TcpSocket::waitReadable(int limitSeconds) {
    return waitReadableFor(seam_.clock.limitMilliseconds(limitSeconds));
}

TcpSocket::Wait TcpSocket::waitReadableFor(int milliseconds) {
    if (!isOpen()) return Wait::Failed;
    for (;;) {
        pollfd entry{handle_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, milliseconds);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Wait::Failed;
        }
        if (ready == 0) return Wait::Expired;
        if (entry.revents & (POLLIN | POLLHUP | POLLERR)) return Wait::Ready;
        if (entry.revents & POLLNVAL) return Wait::Failed;
        // Woken without our handle being ready: look again shortly.
        seam_.clock.pause(50);
    }
}

int TcpSocket::readSome(char* into, int capacity, int milliseconds) {
    if (!isOpen()) return kFailed;
    if (milliseconds >= 0) {
        const Wait wait = waitReadableFor(milliseconds);
        if (wait == Wait::Expired) return kExpired;
        if (wait == Wait::Failed) return kFailed;
    }
    ssize_t received = -1;
    do {
        received = ::recv(handle_, into, static_cast<std::size_t>(capacity), 0);
    } while (received < 0 && errno == EINTR);
    return received < 0 ? kFailed : static_cast<int>(received);
}

int TcpSocket::Receive(std::string& data, int count) {
    if (!isOpen() || count <= 0) return isOpen() ? 0 : -1;
    return reader_.readSome(data, count, WaitLimit::none());
}

int TcpSocket::ReceiveTimed(std::string& data, int count, int limit) {
    if (!isOpen()) return -1;
    const int received = reader_.readSome(data, count, WaitLimit::each(seam_.clock.limitMilliseconds(limit)));
    return received == kExpired ? -1 : received;
}

int TcpSocket::readLine(std::string& line, int size, int* limit) {
    const WaitLimit wait =
        limit != nullptr ? WaitLimit::each(seam_.clock.limitMilliseconds(*limit)) : WaitLimit::none();
    const int length = reader_.readLine(line, size, wait);
    if (length == kExpired) {
        *limit = -1;
        return -1;
    }
    return length < 0 ? -1 : length;
}

int TcpSocket::ReadLine(std::string& line, int size) {
    return isOpen() ? readLine(line, size, nullptr) : -1;
}

int TcpSocket::ReadLineTimed(std::string& line, int size, int& limit) {
    return isOpen() ? readLine(line, size, &limit) : -1;
}

int TcpSocket::receiveExact(std::string& data, int count, int limit, int pieceLimit, bool report) {
    data.clear();
    seam_.clock.pause(1000);
    const WaitLimit wait = WaitLimit::each(seam_.clock.limitMilliseconds(limit));
    int total = 0;
    while (total < count) {
        const int received = reader_.readSome(data, std::min(count - total, pieceLimit), wait);
        if (received == kExpired || received == kClosed) break;
        if (received < 0) return -1;
        total += received;
        if (report) platform::postCommunicationProgress(seam_.progress, platform::WM_PRG_STEP, total);
    }
    return total;
}

int TcpSocket::ReceiveExact(std::string& data, int count, int limit) {
    return receiveExact(data, count, limit, count, false);
}

int TcpSocket::ReceiveExactReported(std::string& data, int count, int limit, int reportFlag) {
    return receiveExact(data, count, limit, kPieceSize, reportFlag == 1);
}

int TcpSocket::Send(const char* data, int count) {
    if (!isOpen()) return -1;
    if (count <= 0) return 0;
    ssize_t sent = -1;
    do {
        sent = ::send(handle_, data, static_cast<std::size_t>(count), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<int>(sent);
}

int TcpSocket::SendLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    return Send(line.data(), static_cast<int>(line.size()));
}

int TcpSocket::SendAll(const char* data, int count, int reportFlag) {
    int total = 0;
    int last = Send(data, std::min(count, kPieceSize));
    if (last > 0) total = last;
    while (last >= 0 && total < count) {
        last = Send(data + total, std::min(count - total, kPieceSize));
        if (last < 0) break;
        total += last;
        if (reportFlag == 1)
            platform::postCommunicationProgress(seam_.progress, platform::WM_PRG_STEP, total);
    }
    return last < 0 ? last : total;
}

int TcpSocket::Close() {
    reader_.clear();
    if (isOpen()) {
        if (type_ == kStream) ::shutdown(handle_, SHUT_RDWR);
        ::close(handle_);
        handle_ = -1;
    }
    return 1;
}

std::string TcpSocket::LocalAddress() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (!isOpen() || ::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
    char dotted[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof dotted) == nullptr) return {};
    return dotted;
}

int TcpSocket::LocalPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (!isOpen() || ::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

int TcpSocket::SetKeepAlive(bool on) {
    const int value = on ? 1 : 0;
    return isOpen() && ::setsockopt(handle_, SOL_SOCKET, SO_KEEPALIVE, &value, sizeof value) == 0 ? 1 : 0;
}

int TcpSocket::SetNoDelay(bool on) {
    const int value = on ? 1 : 0;
    return isOpen() && ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0 ? 1 : 0;
}

std::string resolveIPv4Address(const std::string& name) {
    if (name.empty()) return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return {};
    const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    char dotted[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address, dotted, sizeof dotted) == nullptr) return {};
    return dotted;
}

void flushNeighbourEntry(const std::string& dottedAddress) {
    in_addr address{};
    if (::inet_pton(AF_INET, dottedAddress.c_str(), &address) != 1) return;
    if ((ntohl(address.s_addr) >> 24) == 127) return;

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string program = "ip", neigh = "neigh", flush = "flush", to = "to", target = dottedAddress;
    char* arguments[] = {program.data(), neigh.data(), flush.data(), to.data(), target.data(), nullptr};
    pid_t child = 0;
    const int started = posix_spawnp(&child, "ip", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return;
    // Not awaited by the caller; a detached reaper keeps it from lingering as a zombie.
    std::thread([child] { ::waitpid(child, nullptr, 0); }).detach();
}

} // namespace rk::net
