// Lines and byte counts read through a buffer from a source of bytes: a connected socket, or
// bytes in memory (the request fuzzer). One system call fills the buffer with whatever has
// arrived, instead of one call per byte; what a read does not take stays for the next one.
#pragma once

#include <chrono>
#include <string>

namespace rk::net {

using Deadline = std::chrono::steady_clock::time_point;

// Where a reader's bytes come from.
class ByteSource {
public:
    static constexpr int kClosed = 0;
    static constexpr int kFailed = -1;
    static constexpr int kExpired = -2;

    virtual ~ByteSource() = default;
    // Waits at most `milliseconds` (-1: as long as it takes) for bytes, then reads at most
    // `capacity` of them into `into`: their count, kClosed when the peer closed, kFailed on an
    // error, kExpired when nothing came in time.
    virtual int readSome(char* into, int capacity, int milliseconds) = 0;
};

// How long a read may wait whenever it has to wait for more bytes.
class WaitLimit {
public:
    // As long as it takes.
    static WaitLimit none() { return WaitLimit(-1); }
    // Every single wait at most so long (-1: no limit).
    static WaitLimit each(int milliseconds) { return WaitLimit(milliseconds); }
    // All waits together end at the deadline.
    static WaitLimit until(Deadline deadline) {
        WaitLimit limit(0);
        limit.deadline_ = deadline;
        limit.hasDeadline_ = true;
        return limit;
    }

    int nextMilliseconds() const;

private:
    explicit WaitLimit(int milliseconds) : milliseconds_(milliseconds) {}
    int milliseconds_;
    Deadline deadline_{};
    bool hasDeadline_ = false;
};

class StreamReader {
public:
    explicit StreamReader(ByteSource& source) : source_(source) {}
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;

    // One line without its CR LF, at most size - 1 bytes (the rest of a longer one is the next
    // line); a peer that closes ends the line with what came. Its length, or the source's
    // kFailed or kExpired (what the line had so far is then lost).
    int readLine(std::string& line, int size, WaitLimit wait);

    // Up to count bytes appended to data: what is buffered, else one read of the source. Their
    // number, or the source's kClosed, kFailed or kExpired.
    int readSome(std::string& data, int count, WaitLimit wait);

    // Bytes that have arrived and are not yet taken.
    bool hasBuffered() const { return start_ < buffer_.size(); }
    // Forgets what is buffered (the connection it came from is gone).
    void clear();

private:
    int fill(WaitLimit wait);

    ByteSource& source_;
    std::string buffer_;
    std::size_t start_ = 0;
};

} // namespace rk::net
