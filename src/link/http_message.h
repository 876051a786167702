// The HTTP/1.1 pieces of the exchange with the main unit that do not depend on which file
// moves: request and response headers, status, request and header lines, Basic credentials,
// Base64 and URL unescaping. Everything takes and gives bytes, so that tests and the fuzzer
// drive it without sockets; the device session wraps these with its own fields.
#pragma once

#include <string>
#include <string_view>

namespace rk::link {

// Header values of one message, new for every exchange so nothing leaks into the next.
struct HttpHeaderRecord {
    std::string date;
    std::string title;
    std::string connection;
    std::string authorization; // decoded credentials once a Basic value was decoded
    std::string acceptEncoding;
    std::string host;
    std::string server;
    std::string contentLengthText;
    int contentLength = -1; // -1 when absent
};

enum RequestMethod { kMethodOther = 0, kMethodGet = 1, kMethodPost = 2, kMethodHead = 3 };

// The request kinds the PC sends.
enum RequestKind {
    kRequestConnectionInfo = 1, // GET /connection.xml
    kRequestFileWithCredentials = 3,
    kRequestFile = 5,
};

// Header results of parseHeaderLine.
enum HeaderResult { kHeaderStored = 0, kHeaderIgnored = 1, kHeaderNotBasic = -1 };

std::string base64Encode(std::string_view bytes);
std::string base64Decode(std::string_view text);

// "+" becomes a blank, "%" and two hexadecimal digits the byte they name; anything else stays.
std::string urlUnescape(std::string_view text);

// Request line and header lines, each ended by CR LF, without the empty line that ends the
// block (the sender's line send adds it). `fileName` is used by kinds 3 and 5; kind 1 always
// asks for connection.xml. `devicePassword` is what the main unit reported in connection.xml.
std::string buildRequest(int kind, std::string_view fileName, std::string_view host,
                         std::string_view devicePassword);

// The text of a status code as the file service sends it; unknown codes are sent as 500.
std::string_view statusText(int statusCode);

// Status line and header lines of a response, without the closing empty line.
// `contentLength` < 0 (or no record) leaves the Content-Length value empty.
std::string buildResponseHeader(int statusCode, std::string_view requestPath, int transferState,
                                const HttpHeaderRecord* record);

// A response's first line. Sets statusCode (-1 first) and returns 1, or 0 when the line has no
// status code.
int parseStatusLine(std::string_view line, int& statusCode);

// -1 below 100 and from 600 up, else the hundreds digit.
int statusClass(int statusCode);

// A request's first line. Returns 1 and sets method and path (unescaped, "/" as "\"), or 0.
int parseRequestLine(std::string_view line, int& method, std::string& path);

// One header line, taken into the record when its name belongs to the transfer state.
// `keepAlive` becomes true when the line asks for a kept-alive connection.
int parseHeaderLine(std::string_view line, int transferState, HttpHeaderRecord& record, bool& keepAlive);

// Decoded Basic credentials against the password the main unit reported: colons do not count.
int checkAuthorization(std::string_view credentials, std::string_view devicePassword);

} // namespace rk::link
