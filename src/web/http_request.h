// One request of the edit pages' browser, parsed from the text lines the socket layer delivers
// (CR LF already stripped): the request line, then header lines until an empty one. The worker
// fills an HttpRequest line by line and then asks what to do with the body.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rk::web {

// The request headers the server keeps; every other header line is ignored.
enum class KnownHeader : std::size_t {
    Date,
    Pragma,
    Accept,
    AcceptCharset,
    AcceptEncoding,
    AcceptLanguage,
    Host,
    UserAgent,
    ContentEncoding,
    ContentLength,
    ContentType,
};
constexpr std::size_t kKnownHeaderCount = 11;

constexpr std::size_t kMaxRequestPath = 259;
constexpr std::size_t kMaxContentLengthText = 9; // decimal digits (and sign) of a Content-Length
constexpr std::int32_t kDefaultMaximumBody = 2'024'000;
constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// A header the gate reads (see request_gate.h), matched whatever the case of its name: its first
// value and how often it came. A header that came twice is ambiguous and refused.
struct GateHeader {
    std::string value; // trimmed
    int count = 0;
    bool present() const { return count > 0; }
};

struct HttpRequest {
    std::string requestLine;
    std::array<std::string, kKnownHeaderCount> headers; // values, trimmed; empty when absent
    std::int32_t contentLength = 0;                     // 0 when absent, negative or unreadable
    std::string path;  // URL-decoded, '/' as the separator ('\' turned into '/')
    std::string query; // the raw text after the first '?'
    // The decoded path would leave the document root (a ".." segment, a NUL byte) or is longer
    // than kMaxRequestPath: the request is answered with the header-only 404 and nothing else.
    bool pathRefused = false;
    GateHeader host;
    GateHeader origin;
    GateHeader fetchSite; // Sec-Fetch-Site
    GateHeader cookie;

    const std::string& header(KnownHeader which) const { return headers[static_cast<std::size_t>(which)]; }
    // Present means a value text that is not empty.
    bool hasContentLength() const { return !header(KnownHeader::ContentLength).empty(); }
};

// The request line: the target lies between the first and the last blank; '?' splits off the
// query. False for a line without a blank: the connection is then closed without an answer.
bool parseRequestLine(std::string_view line, HttpRequest& request);

// One header line; a line that starts with none of the known "Name: " prefixes, and names none of
// the gate's headers, changes nothing.
void parseHeaderLine(std::string_view line, HttpRequest& request);

// What the worker does after the headers.
enum class BodyPlan {
    None,   // no Content-Length: no body
    Read,   // read contentLength bytes (possibly 0)
    Refuse, // the announced body is larger than the buffer: close without an answer
};
BodyPlan planBody(const HttpRequest& request, std::int32_t maximumBody = kDefaultMaximumBody);

// The body is a form to decode: the Content-Type is exactly the form type, parameters and all.
bool isFormSubmission(const HttpRequest& request);

// Paths of the edit pages and of their data scripts.
bool isDataScriptPath(std::string_view path);      // contains "m.js"
bool isSpeedDialPagePath(std::string_view path);   // contains "17tansyuku_" or "18tel_"
bool isCommonPhonebookPath(std::string_view path); // contains "17tansyuku_"
// The number after "17tansyuku_" or "18tel_" (/17tansyuku_02.html: 2); 0 when there is none.
int pageNumberOfPagePath(std::string_view path);

// URL-decodes a raw request path ('+' is a blank, %XX a byte in either case; a '%' without two
// hexadecimal digits after it stays a '%') and turns '\' into '/'. Sets `refused` when the
// result must not be served (see HttpRequest::pathRefused).
std::string decodeRequestPath(std::string_view raw, bool& refused);

} // namespace rk::web
