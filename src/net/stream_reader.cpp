#include "net/stream_reader.h"

#include <algorithm>

namespace rk::net {
namespace {

// One fill takes what has arrived up to this much: a request head or a response's header lines
// at once.
constexpr std::size_t kFillSize = 4096;

} // namespace

int WaitLimit::nextMilliseconds() const {
    if (!hasDeadline_) return milliseconds_ < 0 ? -1 : milliseconds_;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 2147483647));
}

void StreamReader::clear() {
    buffer_.clear();
    start_ = 0;
}

int StreamReader::fill(WaitLimit wait) {
    clear();
    buffer_.resize(kFillSize);
    const int received =
        source_.readSome(buffer_.data(), static_cast<int>(kFillSize), wait.nextMilliseconds());
    buffer_.resize(received > 0 ? static_cast<std::size_t>(received) : 0);
    return received;
}

int StreamReader::readLine(std::string& line, int size, WaitLimit wait) {
    line.clear();
    if (size < 1) return ByteSource::kFailed;
    const auto limit = static_cast<std::size_t>(size - 1);
    while (line.size() < limit) {
        if (!hasBuffered()) {
            const int received = fill(wait);
            if (received == ByteSource::kClosed) break; // what came so far is the line
            if (received < 0) return received;
        }
        const char byte = buffer_[start_++];
        if (byte == '\n' && !line.empty() && line.back() == '\r') {
            line.pop_back();
            return static_cast<int>(line.size());
        }
        line.push_back(byte);
    }
    return static_cast<int>(line.size());
}

int StreamReader::readSome(std::string& data, int count, WaitLimit wait) {
    if (count <= 0) return 0;
    if (!hasBuffered()) {
        const int received = fill(wait);
        if (received <= 0) return received;
    }
    const std::size_t taken = std::min(static_cast<std::size_t>(count), buffer_.size() - start_);
    data.append(buffer_, start_, taken);
    start_ += taken;
    return static_cast<int>(taken);
}

} // namespace rk::net
