// A browser's request as raw bytes, cut into lines the way the socket layer reads them (up to CR
// LF, which is dropped, or 1,023 characters): the request line, then header lines up to the
// first empty one. Checked: a path that is not refused stays inside the document root and within
// its record, the body plan never asks for more than the buffer, and the redirect script keeps
// the request's path inside its string.
#include "web/data_script.h"
#include "web/http_answer.h"
#include "web/http_request.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace rk::web;

constexpr std::size_t kLineLimit = 1023;
constexpr std::string_view kRoot = "/opt/rkdial/HTMLFiles/";

void check(bool condition) {
    if (!condition) std::abort();
}

class Lines {
public:
    explicit Lines(std::string_view input) : rest_(input) {}

    std::optional<std::string_view> next() {
        if (rest_.empty()) return std::nullopt;
        const std::size_t end = rest_.find("\r\n");
        const std::size_t length = std::min(end == std::string_view::npos ? rest_.size() : end, kLineLimit);
        const std::string_view line = rest_.substr(0, length);
        rest_.remove_prefix(length == end ? length + 2 : length);
        return line;
    }

private:
    std::string_view rest_;
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
    Lines lines(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::optional<std::string_view> requestLine = lines.next();
    if (!requestLine) return 0;
    HttpRequest request;
    if (!parseRequestLine(*requestLine, request)) {
        check(requestLine->find(' ') == std::string_view::npos);
        return 0;
    }
    while (const std::optional<std::string_view> header = lines.next()) {
        if (header->empty()) break;
        parseHeaderLine(*header, request);
    }

    const BodyPlan plan = planBody(request);
    check(request.contentLength >= 0);
    if (plan == BodyPlan::Read) check(request.contentLength <= kDefaultMaximumBody);
    if (plan == BodyPlan::None) check(!request.hasContentLength());

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
    return 0;
}
