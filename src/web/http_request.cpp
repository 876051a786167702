#include "web/http_request.h"

namespace rk::web {
namespace {

constexpr std::array<std::string_view, kKnownHeaderCount> kHeaderPrefixes = {
    "Date: ",           "Pragma: ",          "Accept: ",
    "Accept-Charset: ", "Accept-Encoding: ", "Accept-Language: ",
    "Host: ",           "User-Agent: ",      "Content-Encoding: ",
    "Content-Length: ", "Content-Type: "};

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isWhiteSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isWhiteSpace(text.back())) text.remove_suffix(1);
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A decimal integer at the start of the text, as the value of at most nine characters that it
// is: an optional sign, then digits up to the first other character.
std::int32_t decimalValue(std::string_view text) {
    bool negative = false;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    std::int32_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = value * 10 + (text[at] - '0');
    return negative ? -value : value;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The gate's headers by their name, as any client may spell it.
void noteGateHeader(std::string_view line, HttpRequest& request) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view name = line.substr(0, colon);
    GateHeader* header = sameLetters(name, "Host")             ? &request.host
                         : sameLetters(name, "Origin")         ? &request.origin
                         : sameLetters(name, "Sec-Fetch-Site") ? &request.fetchSite
                         : sameLetters(name, "Cookie")         ? &request.cookie
                                                               : nullptr;
    if (header == nullptr) return;
    if (header->count == 0) header->value = std::string(trimmed(line.substr(colon + 1)));
    if (header->count < 2) ++header->count; // twice is enough to refuse
}

bool hasParentSegment(std::string_view path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('/', start);
        if (path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start) == "..")
            return true;
        if (end == std::string_view::npos) return false;
        start = end + 1;
    }
}

} // namespace

std::string decodeRequestPath(std::string_view raw, bool& refused) {
    std::string path;
    path.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '+') {
            path += ' ';
        } else if (c == '%' && i + 2 < raw.size() && hexValue(raw[i + 1]) >= 0 && hexValue(raw[i + 2]) >= 0) {
            path += static_cast<char>(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2]));
            i += 2;
        } else {
            path += c;
        }
    }
    // '\' is a separator too, typed or escaped.
    for (char& c : path)
        if (c == '\\') c = '/';
    refused = path.size() > kMaxRequestPath || path.find('\0') != std::string::npos || hasParentSegment(path);
    return path;
}

bool parseRequestLine(std::string_view line, HttpRequest& request) {
    request.requestLine = std::string(line);
    const std::size_t first = line.find(' ');
    if (first == std::string_view::npos) return false;
    const std::size_t last = line.rfind(' ');
    const std::string_view target =
        last > first ? line.substr(first + 1, last - first - 1) : std::string_view();
    const std::size_t question = target.find('?');
    std::string_view rawPath = target;
    request.query.clear();
    if (question != std::string_view::npos) {
        request.query = std::string(target.substr(question + 1));
        rawPath = target.substr(0, question);
    }
    request.path = decodeRequestPath(rawPath, request.pathRefused);
    return true;
}

void parseHeaderLine(std::string_view line, HttpRequest& request) {
    noteGateHeader(line, request);
    for (std::size_t i = 0; i < kHeaderPrefixes.size(); ++i) {
        if (!line.starts_with(kHeaderPrefixes[i])) continue;
        request.headers[i] = std::string(trimmed(line.substr(kHeaderPrefixes[i].size())));
        if (static_cast<KnownHeader>(i) == KnownHeader::ContentLength) {
            const std::string& text = request.headers[i];
            const std::int32_t value = text.size() > kMaxContentLengthText ? 0 : decimalValue(text);
            request.contentLength = value < 0 ? 0 : value;
        }
        return;
    }
}

BodyPlan planBody(const HttpRequest& request, std::int32_t maximumBody) {
    if (!request.hasContentLength()) return BodyPlan::None;
    // A value text longer than nine characters cannot be held: refused like an oversized body.
    if (request.header(KnownHeader::ContentLength).size() > kMaxContentLengthText) return BodyPlan::Refuse;
    if (request.contentLength > maximumBody) return BodyPlan::Refuse;
    return BodyPlan::Read;
}

bool isFormSubmission(const HttpRequest& request) {
    return request.header(KnownHeader::ContentType) == kFormContentType;
}

bool isDataScriptPath(std::string_view path) {
    return path.find("m.js") != std::string_view::npos;
}

bool isSpeedDialPagePath(std::string_view path) {
    return isCommonPhonebookPath(path) || path.find("18tel_") != std::string_view::npos;
}

int pageNumberOfPagePath(std::string_view path) {
    std::size_t at = path.find("17tansyuku_");
    at = at != std::string_view::npos ? at + 11 : path.find("18tel_");
    if (at == std::string_view::npos) return 0;
    if (!isCommonPhonebookPath(path)) at += 6;
    int page = 0;
    for (; at < path.size() && path[at] >= '0' && path[at] <= '9' && page < 1000; ++at)
        page = page * 10 + (path[at] - '0');
    return page;
}

bool isCommonPhonebookPath(std::string_view path) {
    return path.find("17tansyuku_") != std::string_view::npos;
}

} // namespace rk::web
