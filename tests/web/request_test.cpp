#include "web/http_request.h"

#include <gtest/gtest.h>

#include <string>

using namespace rk::web;

namespace {

struct LineCase {
    std::string line;
    bool answered;
    std::string path;
    std::string query;
    bool refused;
};

} // namespace

TEST(RequestLine, TargetPathAndQuery) {
    const std::string longName(258, 'a');
    const LineCase cases[] = {
        {"GET /17tansyuku_01.html HTTP/1.1", true, "/17tansyuku_01.html", "", false},
        {"GET /a%20b.html?x=1 HTTP/1.0", true, "/a b.html", "x=1", false},
        // '+' is a blank, escapes in either case; the query stays as it came.
        {"POST /a+b%2fc%2Fd.html?p=%20&q=005 HTTP/1.0", true, "/a b/c/d.html", "p=%20&q=005", false},
        {"GET /x?y?z HTTP/1.0", true, "/x", "y?z", false},
        {"GET /q%3Fx.js?page=003 HTTP/1.0", true, "/q?x.js", "page=003", false},
        // The target lies between the first and the last blank.
        {"GET /a b.html HTTP/1.0", true, "/a b.html", "", false},
        {"GET HTTP/1.0", true, "", "", false},
        {"GET", false, "", "", false},
        // Backslashes are separators, typed or escaped.
        {"GET \\sub\\x.html HTTP/1.0", true, "/sub/x.html", "", false},
        {"GET /sub%5Cx.html HTTP/1.0", true, "/sub/x.html", "", false},
        // A '%' without two hexadecimal digits stays itself; nothing is read past the end.
        {"GET /a%zz.html HTTP/1.0", true, "/a%zz.html", "", false},
        {"GET /a% HTTP/1.0", true, "/a%", "", false},
        {"GET /a%4 HTTP/1.0", true, "/a%4", "", false},
        // Ways out of the document root are refused.
        {"GET /../HTMLFiles/x.html HTTP/1.0", true, "/../HTMLFiles/x.html", "", true},
        {"GET /sub/.. HTTP/1.0", true, "/sub/..", "", true},
        {"GET /%2e%2e%5cetc HTTP/1.0", true, "/../etc", "", true},
        {"GET /a%00.html HTTP/1.0", true, std::string("/a\0.html", 8), "", true},
        {"GET /...x/..y HTTP/1.0", true, "/...x/..y", "", false},
        // 259 characters are the longest path.
        {"GET /" + longName + " HTTP/1.0", true, "/" + longName, "", false},
        {"GET /" + longName + "b HTTP/1.0", true, "/" + longName + "b", "", true},
        {"GET /" + longName + "?" + std::string(300, 'q') + " HTTP/1.0", true, "/" + longName,
         std::string(300, 'q'), false},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        HttpRequest request;
        ASSERT_EQ(parseRequestLine(c.line, request), c.answered);
        if (!c.answered) continue;
        EXPECT_EQ(request.requestLine, c.line);
        EXPECT_EQ(request.path, c.path);
        EXPECT_EQ(request.query, c.query);
        EXPECT_EQ(request.pathRefused, c.refused);
    }
}

TEST(HeaderLines, ExactPrefixesAndTrimmedValues) {
    HttpRequest request;
    for (const char* line :
         {"Host: 127.0.0.1:8080", "Content-Type:   application/x-www-form-urlencoded \t",
          "content-length: 12", " Accept: text/html", "User-Agent: a: b", "Accept-Language: ja", "X-Other: 1",
          "Pragma:no-cache", "Accept-Charset: Shift_JIS", "Date: now"})
        parseHeaderLine(line, request);
    EXPECT_EQ(request.header(KnownHeader::Host), "127.0.0.1:8080");
    EXPECT_EQ(request.header(KnownHeader::ContentType), "application/x-www-form-urlencoded");
    EXPECT_TRUE(isFormSubmission(request));
    EXPECT_EQ(request.header(KnownHeader::UserAgent), "a: b");
    EXPECT_EQ(request.header(KnownHeader::AcceptLanguage), "ja");
    EXPECT_EQ(request.header(KnownHeader::AcceptCharset), "Shift_JIS");
    EXPECT_EQ(request.header(KnownHeader::Date), "now");
    // Case-sensitive, at the first character, with the blank after the colon.
    EXPECT_FALSE(request.hasContentLength());
    EXPECT_EQ(request.header(KnownHeader::Accept), "");
    EXPECT_EQ(request.header(KnownHeader::Pragma), "");
    EXPECT_EQ(planBody(request), BodyPlan::None);

    parseHeaderLine("Content-Type: application/x-www-form-urlencoded; charset=Shift_JIS", request);
    EXPECT_FALSE(isFormSubmission(request));
}

TEST(HeaderLines, ContentLengthDecidesTheBody) {
    struct Case {
        const char* value;
        BodyPlan plan;
        std::int32_t length;
    };
    const Case cases[] = {
        {"0", BodyPlan::Read, 0},
        {"12", BodyPlan::Read, 12},
        {" 7 ", BodyPlan::Read, 7},
        {"12abc", BodyPlan::Read, 12},
        {"-5", BodyPlan::Read, 0}, // never a length before the buffer
        {"2024000", BodyPlan::Read, 2024000},
        {"2024001", BodyPlan::Refuse, 2024001},
        {"999999999", BodyPlan::Refuse, 999999999},
        {"0000000012", BodyPlan::Refuse, 0}, // ten characters do not fit the record
        {"99999999999999999999", BodyPlan::Refuse, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        HttpRequest request;
        parseHeaderLine(std::string("Content-Length: ") + c.value, request);
        EXPECT_TRUE(request.hasContentLength());
        EXPECT_EQ(planBody(request), c.plan);
        EXPECT_EQ(request.contentLength, c.length);
    }
}
