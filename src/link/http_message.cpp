#include "link/http_message.h"

#include "platform/digits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <iterator>

namespace rk::link {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Characters outside the alphabet count as 63, as the main unit's own decoder does.
unsigned base64Value(char character) {
    const auto position = kAlphabet.find(character);
    return position == std::string_view::npos ? 63u : static_cast<unsigned>(position);
}

using text::hexValue;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

bool isBlank(char character) {
    return character == ' ' || character == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The leading decimal digits of a text, 0 without any; kept within int.
int leadingNumber(std::string_view text) {
    long long value = 0;
    for (char character : text) {
        if (character < '0' || character > '9') break;
        value = std::min<long long>(value * 10 + (character - '0'), INT_MAX);
    }
    return static_cast<int>(value);
}

} // namespace

std::string base64Encode(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = std::min<std::size_t>(3, bytes.size() - i);
        unsigned group = static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << 16;
        if (left > 1) group |= static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        text.push_back(kAlphabet[(group >> 18) & 63]);
        text.push_back(kAlphabet[(group >> 12) & 63]);
        text.push_back(left > 1 ? kAlphabet[(group >> 6) & 63] : '=');
        text.push_back(left > 2 ? kAlphabet[group & 63] : '=');
    }
    return text;
}

std::string base64Decode(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i + 2 <= text.size(); i += 4) {
        const std::string_view group = text.substr(i, 4);
        if (group[0] == '=' || group[1] == '=') break;
        const bool hasThird = group.size() > 2 && group[2] != '=';
        const bool hasFourth = hasThird && group.size() > 3 && group[3] != '=';
        unsigned value = base64Value(group[0]) << 18 | base64Value(group[1]) << 12;
        if (hasThird) value |= base64Value(group[2]) << 6;
        if (hasFourth) value |= base64Value(group[3]);
        bytes.push_back(static_cast<char>((value >> 16) & 0xFF));
        if (hasThird) bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
        if (hasFourth) bytes.push_back(static_cast<char>(value & 0xFF));
    }
    return bytes;
}

std::string urlUnescape(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            result.push_back(' ');
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            result.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            // A "%" without two hexadecimal digits stays as it is.
            result.push_back(text[i]);
        }
    }
    return result;
}

std::string buildRequest(int kind, std::string_view fileName, std::string_view host,
                         std::string_view devicePassword) {
    std::string text = "GET /";
    text += kind == kRequestConnectionInfo ? std::string_view("connection.xml") : fileName;
    text += " HTTP/1.1\r\n";
    if (kind == kRequestFile || kind == kRequestFileWithCredentials) {
        text += "Host: ";
        text += host;
        text += "\r\n";
    }
    if (kind == kRequestFileWithCredentials) {
        // The main unit wants the encoded password alone: no scheme word, no user name.
        text += "Authorization: ";
        text += base64Encode(devicePassword);
        text += "\r\n";
    }
    return text;
}

std::string_view statusText(int statusCode) {
    switch (statusCode) {
    case 200:
        return "200 OK";
    case 201:
        return "201 Created";
    case 202:
        return "202 Accepted";
    case 204:
        return "204 No Content";
    case 300:
        return "300 Multiple Choices";
    case 301:
        return "301 Moved Permanently";
    case 302:
        return "302 Moved Temporarily";
    case 304:
        return "304 Not Modified";
    case 400:
        return "400 Bad Request";
    case 401:
        return "401 Unauthorized";
    case 403:
        return "403 Forbidden";
    case 404:
        return "404 Not Found";
    case 408:
        return "408 Request Time-out";
    case 500:
        return "500 Internal Server Error";
    case 501:
        return "501 Not Implemented";
    case 502:
        return "502 Bad Gateway";
    case 503:
        return "503 Service Unavailable";
    default:
        return "500 Internal Server Error";
    }
}

std::string buildResponseHeader(int statusCode, std::string_view requestPath, int transferState,
                                const HttpHeaderRecord* record) {
    std::string text = "HTTP/1.1 ";
    text += statusText(statusCode);
    text += "\r\n";
    std::string length;
    if (statusCode == 200) {
        if (equalsNoCase(requestPath, "\\OK.xml") || equalsNoCase(requestPath, "\\NG.xml")) return text;
        if (transferState != 2 && transferState != 3) return text;
        if (record != nullptr && record->contentLength >= 0) length = std::to_string(record->contentLength);
    } else {
        length = "0";
    }
    text += "Accept-Encoding: gzip, deflate\r\n";
    text += "Connection: Keep-Alive\r\n";
    text += "Content-Length: " + length + "\r\n";
    return text;
}

int parseStatusLine(std::string_view line, int& statusCode) {
    statusCode = -1;
    const auto first = line.find(' ');
    if (first == std::string_view::npos || first + 3 >= line.size()) return 0;
    const auto second = line.find(' ', first + 1);
    if (second == std::string_view::npos) return 0;
    statusCode = leadingNumber(line.substr(first + 1, second - first - 1));
    return 1;
}

int statusClass(int statusCode) {
    if (statusCode < 100 || statusCode >= 600) return -1;
    return statusCode / 100;
}

int parseRequestLine(std::string_view line, int& method, std::string& path) {
    if (line.size() < 5) return 0;
    if (startsWithNoCase(line, "GET "))
        method = kMethodGet;
    else if (startsWithNoCase(line, "POST "))
        method = kMethodPost;
    else if (startsWithNoCase(line, "HEAD "))
        method = kMethodHead;
    else
        method = kMethodOther;
    const auto first = line.find(' ');
    if (first == std::string_view::npos) return 0;
    const auto second = line.find(' ', first + 1);
    if (second == std::string_view::npos) return 0;
    std::string_view raw = line.substr(first + 1, second - first - 1);
    if (const auto query = raw.find('?'); query != std::string_view::npos) raw = raw.substr(0, query);
    path = urlUnescape(raw);
    std::replace(path.begin(), path.end(), '/', '\\');
    return 1;
}

int parseHeaderLine(std::string_view line, int transferState, HttpHeaderRecord& record, bool& keepAlive) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return kHeaderIgnored;
    const std::string_view name = trimmed(line.substr(0, colon));
    const std::string_view value = trimmed(line.substr(colon + 1));

    std::string* field = nullptr;
    if (transferState == 1) {
        if (equalsNoCase(name, "Server"))
            field = &record.server;
        else if (equalsNoCase(name, "Date"))
            field = &record.date;
        else if (equalsNoCase(name, "Title"))
            field = &record.title;
    } else if (transferState == 2 || transferState == 3) {
        if (equalsNoCase(name, "Authorization"))
            field = &record.authorization;
        else if (equalsNoCase(name, "Host"))
            field = &record.host;
        else if (equalsNoCase(name, "Accept-Encoding"))
            field = &record.acceptEncoding;
    }
    if (transferState >= 1 && transferState <= 3) {
        if (equalsNoCase(name, "Connection"))
            field = &record.connection;
        else if (equalsNoCase(name, "Content-Length"))
            field = &record.contentLengthText;
    }
    if (field == nullptr) return kHeaderIgnored;

    *field = std::string(value);
    if (field == &record.contentLengthText) {
        if (!value.empty()) record.contentLength = leadingNumber(value);
    } else if (field == &record.authorization) {
        if (!startsWithNoCase(value, "BASIC ")) return kHeaderNotBasic;
        record.authorization = base64Decode(trimmed(value.substr(6)));
    } else if (field == &record.connection) {
        if (equalsNoCase(value, "Keep-Alive")) keepAlive = true;
    }
    return kHeaderStored;
}

int checkAuthorization(std::string_view credentials, std::string_view devicePassword) {
    if (credentials.empty()) return 0;
    std::string withoutColons;
    std::copy_if(credentials.begin(), credentials.end(), std::back_inserter(withoutColons),
                 [](char character) { return character != ':'; });
    return withoutColons == devicePassword ? 1 : 0;
}

} // namespace rk::link
