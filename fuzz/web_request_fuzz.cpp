// A browser's request as raw bytes, read by the worker's own loop (readRequestHead, then
// readRequestBody) from bytes in memory that arrive in pieces of a size the input's length
// chooses, and passed through the gate. Checked: a path that is not refused stays inside the
// document root and within its record, the body never exceeds what was announced or the buffer,
// the redirect script keeps the request's path inside its string, and the gate decides the same
// twice.
#include "net/stream_reader.h"
#include "platform/clock.h"
#include "web/data_script.h"
#include "web/http_answer.h"
#include "web/http_request.h"
#include "web/request_gate.h"
#include "web/request_reading.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace rk;
using namespace rk::web;
constexpr std::string_view kRoot = "/opt/rkdial/HTMLFiles/";

void check(bool condition) {
    if (!condition) std::abort();
}

// The connection's bytes, handed out a piece at a time; then the peer closes.
class MemorySource : public net::ByteSource {
public:
    MemorySource(std::string_view bytes, std::size_t piece) : rest_(bytes), piece_(piece) {}

    int readSome(char* into, int capacity, int) override {
        if (rest_.empty()) return kClosed;
        const std::size_t count = std::min({rest_.size(), piece_, static_cast<std::size_t>(capacity)});
        std::memcpy(into, rest_.data(), count);
        rest_.remove_prefix(count);
        return static_cast<int>(count);
    }

private:
    std::string_view rest_;
    std::size_t piece_;
};

bool hasParentSegment(std::string_view path) {
    return path == ".." || path.starts_with("../") || path.ends_with("/..") ||
           path.find("/../") != std::string_view::npos;
}

// The text between location.href=" and the closing quotation mark has no quotation mark of its
// own and no '<'; a backslash always escapes the byte after it.
void checkRedirect(std::string_view script) {
    constexpr std::string_view kOpen = "location.href=\"";
    constexpr std::string_view kClose = "\";\r\n--></script>\r\n</HEAD>\r\n</HTML>\r\n";
    const std::size_t start = script.find(kOpen);
    check(start != std::string_view::npos && script.ends_with(kClose));
    const std::string_view inner =
        script.substr(start + kOpen.size(), script.size() - start - kOpen.size() - kClose.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const auto byte = static_cast<unsigned char>(inner[i]);
        check(byte != '"' && byte != '<' && byte >= 0x20);
        if (byte == '\\') {
            check(i + 1 < inner.size());
            ++i;
        } else if ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) {
            check(i + 1 < inner.size()); // a lead byte is followed by its own second byte
            ++i;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemorySource source(bytes, 1 + size % 97);
    net::StreamReader reader(source);
    HttpRequest request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    if (!readRequestHead(reader, request, deadline)) {
        check(request.requestLine.find(' ') == std::string::npos && request.requestLine.size() <= 1023);
        return 0;
    }
    check(request.requestLine.size() <= 1023);
    static const platform::Clock clock(0);
    RequestBody body;
    const bool answered = readRequestBody(reader, request, kDefaultMaximumBody, clock, 10000, body);
    check(request.contentLength >= 0);
    if (!answered)
        check(request.contentLength > kDefaultMaximumBody ||
              request.header(KnownHeader::ContentLength).size() > 9);
    check(body.bytes.size() <= static_cast<std::size_t>(request.contentLength));
    check(body.bytes.find('\0') == std::string::npos);
    if (!request.hasContentLength()) check(!body.announced && body.bytes.empty());

    const GateSettings loopback{"127.0.0.1", 8080, {}};
    const GateSettings keyed{"127.0.0.1", 80, "00112233445566778899aabbccddeeff"};
    for (const GateSettings* settings : {&loopback, &keyed}) {
        const GateVerdict verdict = checkRequest(request, *settings);
        check(verdict.refusedBy == checkRequest(request, *settings).refusedBy);
        check(!verdict.setCookie || (verdict.allowed() && !settings->accessKey.empty()));
    }

    if (!request.pathRefused) {
        const std::string& path = request.path;
        check(path.size() <= kMaxRequestPath);
        check(path.find('\0') == std::string::npos && path.find('\\') == std::string::npos);
        check(!hasParentSegment(path));
        const std::string file = fileForPath(kRoot, path, "17tansyuku.html");
        check(file.starts_with(kRoot) && file.find("//") == std::string::npos);
        checkRedirect(redirectScript(kRoot, path));
        const std::string header = responseHeader(200, contentTypeOfFile(file), request.contentLength, 0);
        check(header.starts_with("HTTP/1.0 200 OK\r\n") &&
              header.ends_with("Cache-Control: no-cache\r\n\r\n"));
    }
    const int page = pageNumberOfQuery(request.query);
    check(page >= 0 && page <= 999);
    check(pageKeyOfPath(request.path).find('/') == std::string::npos);
    const int pagePath = pageNumberOfPagePath(request.path);
    check(pagePath >= 0 && pagePath <= 9999);
    return 0;
}
