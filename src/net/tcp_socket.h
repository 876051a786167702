// One TCP/IPv4 socket with what the device link and the embedded server need on top of the
// system calls: line reading without the CR LF, waits limited in seconds, and block transfer in
// 1,024-byte pieces with progress posts to the communication progress window. Every wait and
// pause goes through the clock of the seam it is given. Received bytes pass through one buffer
// (StreamReader), so that lines cost one system call per arrival, not per byte.
#pragma once

#include "net/stream_reader.h"
#include "platform/seam.h"

#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <string_view>

namespace rk::net {

class TcpSocket : private ByteSource {
public:
    static constexpr int kStream = 1;
    static constexpr int kPieceSize = 1024;

    explicit TcpSocket(const platform::Seam& seam) : seam_(seam), reader_(*this) {}
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // 0 when a socket is already open; otherwise opens one: 1 success, 0 failure.
    [[nodiscard]] int Create(int type = kStream);
    // Address reuse, bind to all local addresses (or bindAddress), listen. 1/0; bind and
    // listen failures show their own messages. Port 0 lets the system choose (LocalPort tells).
    [[nodiscard]] int Listen(std::uint16_t port, int backlog);
    [[nodiscard]] int Accept(TcpSocket& target);
    // As Accept, waiting at most acceptLimitSeconds (20) for a pending connection.
    [[nodiscard]] int AcceptTimed(TcpSocket& target);
    // Resolves the host (a dotted address resolves to itself) and connects. 1/0.
    [[nodiscard]] int Connect(const std::string& host, int port);

    // One receive call of up to count bytes appended to data: bytes, 0 closed, negative error.
    [[nodiscard]] int Receive(std::string& data, int count);
    // Waits at most `limit` seconds for data, then one receive call: bytes, 0 closed, -1 on
    // error or when nothing came in time.
    [[nodiscard]] int ReceiveTimed(std::string& data, int count, int limit);
    // One line without its CR LF into line (at most size - 1 bytes): its length, -1 on error.
    [[nodiscard]] int ReadLine(std::string& line, int size);
    // As ReadLine with every byte awaited at most `limit` seconds (<= 0: no limit). A time-out
    // sets limit to -1 and returns -1.
    [[nodiscard]] int ReadLineTimed(std::string& line, int size, int& limit);
    // Receives up to count bytes after a one-second pause: the number received, -1 on error.
    [[nodiscard]] int ReceiveExact(std::string& data, int count, int limit);
    [[nodiscard]] int ReceiveExactReported(std::string& data, int count, int limit, int reportFlag);

    // What the socket has received and not yet handed out, for a reader of its own (the
    // embedded server's request reading).
    StreamReader& reader() { return reader_; }

    [[nodiscard]] int Send(const char* data, int count);
    // The text and CR LF in one send call; the number of bytes sent.
    [[nodiscard]] int SendLine(std::string_view text);
    // Everything in 1,024-byte pieces; the total, or the negative result of a failed send.
    [[nodiscard]] int SendAll(const char* data, int count, int reportFlag);
    // Shuts a stream socket down both ways and closes it. Always 1.
    int Close();

    std::string LocalAddress() const;
    int LocalPort() const;
    [[nodiscard]] int SetKeepAlive(bool on);
    // Sends every piece at once instead of holding small ones back for the peer's
    // acknowledgement; the bytes on the wire stay the same. 1/0.
    [[nodiscard]] int SetNoDelay(bool on);

    const platform::Seam& seam() const { return seam_; }

    // Takes over an already connected stream socket (one end of a socket pair in the fuzzer),
    // closing whatever this object held.
    void Adopt(int handle) {
        Close();
        handle_ = handle;
        type_ = kStream;
    }

    bool isOpen() const { return handle_ >= 0; }
    // For a wait on several sockets at once (the embedded server's listener).
    int nativeHandle() const { return handle_; }
    int type() const { return type_; }
    const sockaddr_in& peerAddress() const { return peer_; }

    // The system's error code of the last failed Listen.
    int lastListenError() const { return listenError_; }

    // Owner of this object's own message boxes (the embedded server sets it).
    platform::Owner owner;
    // Whether a failed bind or listen shows its message (the embedded server tries a port
    // quietly before it falls back to another).
    bool reportListenFailures = true;
    // Listen binds here (a dotted address or a host name); 0.0.0.0, all local addresses, unless a
    // test narrows it to loopback.
    std::string bindAddress = "0.0.0.0";
    int acceptLimitSeconds = 20;

private:
    enum class Wait { Ready, Expired, Failed };
    Wait waitReadable(int limitSeconds);
    Wait waitReadableFor(int milliseconds); // -1: no limit
    int readSome(char* into, int capacity, int milliseconds) override;
    int readLine(std::string& line, int size, int* limit);
    int receiveExact(std::string& data, int count, int limit, int pieceLimit, bool report);

    platform::Seam seam_;
    int handle_ = -1;
    int type_ = 0;
    int listenError_ = 0;
    sockaddr_in peer_{};
    StreamReader reader_;
};

// The IPv4 address, dotted, that a dotted text or a host name stands for (127.1 and localhost
// included); empty when it stands for none. Never every address for a text it cannot read.
std::string resolveIPv4Address(const std::string& name);

// Drops the neighbour-cache entry of an IPv4 address before a connection, so that a main unit
// swapped for another on the same address is found. Started from an argument vector, never
// through a shell; not awaited, errors ignored. Loopback addresses have no entry to drop.
void flushNeighbourEntry(const std::string& dottedAddress);

} // namespace rk::net
