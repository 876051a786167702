// The bytes of the server's answers: the response header, the content type of a served file, the
// redirect script that follows the answer to a form submission, and the file a request path
// stands for. Pure functions: the worker sends what they build.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace rk::web {

constexpr std::string_view kServerName = "EasyHttpServer/1.0";

// Content type codes of the response header.
enum ContentType : int {
    kTextPlain = 1,
    kTextHtml = 2,
    kImageGif = 3,
    kImageJpeg = 4,
    kImageBmp = 5,
    kOctetStream = 6,
    kFormUrlEncoded = 7,
};

// "404 Not Found" for 404; "200 OK" for any code the table does not know.
std::string_view statusText(int status);

// "text/html" for kTextHtml; "application/octet-stream" for any code the table does not know.
std::string_view contentTypeText(int contentType);

// By the text after the file name's last '.', exactly and case-sensitively: txt, html, htm,
// gif, jpeg, bmp; everything else (class, jar, js, no '.') is octet-stream.
int contentTypeOfFile(std::string_view fileName);

// The whole response header, CR LF after every line and an empty line at the end. Content-Type
// and Content-Length only when the length is above 0. `now` is written in Greenwich time with
// English day and month names, whatever the locale. `extraLines` (CR LF each) go before the
// Cache-Control line.
std::string responseHeader(int status, int contentType, std::int64_t length, std::time_t now,
                           std::string_view serverName = kServerName, std::string_view extraLines = {});

// Every run of '/' made one.
std::string collapseSeparators(std::string_view fileName);

// The file of a request path: the document root (ending with '/') and the path, the default
// page appended when that ends with a separator, every run of separators made one.
std::string fileForPath(std::string_view documentRoot, std::string_view requestPath,
                        std::string_view defaultPage);

// Sent after the answer to a form submission, beyond its Content-Length: a script that sends
// the browser to the document root's copy of the submitted page.
std::string redirectScript(std::string_view documentRoot, std::string_view requestPath);

} // namespace rk::web
