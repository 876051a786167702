#include "web/http_answer.h"

#include "web/script_text.h"

#include <array>
#include <cstdio>

namespace rk::web {
namespace {

struct Status {
    int code;
    std::string_view text;
};

constexpr std::array<Status, 16> kStatuses = {{
    {200, "200 OK"},
    {201, "201 Created"},
    {202, "202 Accepted"},
    {204, "204 No Content"},
    {300, "300 Multiple Choices"},
    {301, "301 Moved Permanently"},
    {302, "302 Moved Temporarily"},
    {304, "304 Not Modified"},
    {400, "400 Bad Request"},
    {401, "401 Unauthorized"},
    {403, "403 Forbidden"},
    {404, "404 Not Found"},
    {500, "500 Internal Server Error"},
    {501, "501 Not Implemented"},
    {502, "502 Bad Gateway"},
    {503, "503 Service Unavailable"},
}};

constexpr std::array<std::string_view, 7> kContentTypes = {"text/plain",
                                                           "text/html",
                                                           "image/gif",
                                                           "image/jpeg",
                                                           "image/bmp",
                                                           "application/octet-stream",
                                                           "application/x-www-form-urlencoded"};

constexpr std::array<std::string_view, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "%a, %d %b %Y %H:%M:%S GMT", spelled out so that no locale can change the names.
std::string httpDate(std::time_t now) {
    std::tm utc{};
    if (gmtime_r(&now, &utc) == nullptr) {
        const std::time_t epoch = 0;
        gmtime_r(&epoch, &utc);
    }
    const auto day = static_cast<std::size_t>(utc.tm_wday) % kDayNames.size();
    const auto month = static_cast<std::size_t>(utc.tm_mon) % kMonthNames.size();
    char text[64];
    std::snprintf(text, sizeof text, "%.3s, %02d %.3s %04d %02d:%02d:%02d GMT", kDayNames[day].data(),
                  utc.tm_mday, kMonthNames[month].data(), utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

} // namespace

std::string_view statusText(int status) {
    for (const Status& known : kStatuses)
        if (known.code == status) return known.text;
    return kStatuses.front().text;
}

std::string_view contentTypeText(int contentType) {
    if (contentType < kTextPlain || contentType > kFormUrlEncoded) return kContentTypes[kOctetStream - 1];
    return kContentTypes[static_cast<std::size_t>(contentType - 1)];
}

int contentTypeOfFile(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return kOctetStream;
    const std::string_view extension = fileName.substr(dot + 1);
    if (extension == "txt") return kTextPlain;
    if (extension == "html" || extension == "htm") return kTextHtml;
    if (extension == "gif") return kImageGif;
    if (extension == "jpeg") return kImageJpeg;
    if (extension == "bmp") return kImageBmp;
    return kOctetStream;
}

std::string responseHeader(int status, int contentType, std::int64_t length, std::time_t now,
                           std::string_view serverName, std::string_view extraLines) {
    std::string header = "HTTP/1.0 ";
    header += statusText(status);
    header += "\r\nDate: ";
    header += httpDate(now);
    header += "\r\nServer: ";
    header += serverName;
    header += "\r\n";
    if (length > 0) {
        header += "Content-Type: ";
        header += contentTypeText(contentType);
        header += "\r\nContent-Length: ";
        header += std::to_string(length);
        header += "\r\n";
    }
    header += extraLines;
    header += "Cache-Control: no-cache\r\n\r\n";
    return header;
}

std::string collapseSeparators(std::string_view fileName) {
    std::string collapsed;
    collapsed.reserve(fileName.size());
    for (char c : fileName) {
        if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
        collapsed += c;
    }
    return collapsed;
}

std::string fileForPath(std::string_view documentRoot, std::string_view requestPath,
                        std::string_view defaultPage) {
    std::string file(documentRoot);
    file += requestPath;
    if (!file.empty() && file.back() == '/') file += defaultPage;
    return collapseSeparators(file);
}

std::string redirectScript(std::string_view documentRoot, std::string_view requestPath) {
    std::string target(documentRoot);
    target += requestPath;
    std::string script = "<HTML>\r\n<HEAD>\r\n<script language=\"JavaScript\"><!--\r\nlocation.href=\"";
    // The name is ours, but it comes from the request: it must not end the string or the script.
    appendScriptString(script, collapseSeparators(target));
    script += "\";\r\n--></script>\r\n</HEAD>\r\n</HTML>\r\n";
    return script;
}

} // namespace rk::web
