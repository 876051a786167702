#include "link/http_message.h"

#include <gtest/gtest.h>

using namespace rk::link;

TEST(HttpRequests, ConnectionInfoRequestIsTheBareRequestLine) {
    EXPECT_EQ(buildRequest(kRequestConnectionInfo, "ignored", "h", "1234"),
              "GET /connection.xml HTTP/1.1\r\n");
}

TEST(HttpRequests, FileRequestsCarryHostAndThenTheEncodedPasswordAlone) {
    EXPECT_EQ(buildRequest(kRequestFile, "sys-tan.txt", "192.0.2.7", "1234"),
              "GET /sys-tan.txt HTTP/1.1\r\nHost: 192.0.2.7\r\n");
    EXPECT_EQ(buildRequest(kRequestFileWithCredentials, "tel-tan.txt", "pbx", "1234"),
              "GET /tel-tan.txt HTTP/1.1\r\nHost: pbx\r\nAuthorization: MTIzNA==\r\n");
}

TEST(HttpResponses, NotFoundReadsByteForByte) {
    EXPECT_EQ(buildResponseHeader(404, "\\x.txt", 3, nullptr),
              "HTTP/1.1 404 Not Found\r\nAccept-Encoding: gzip, deflate\r\nConnection: Keep-Alive\r\n"
              "Content-Length: 0\r\n");
}

TEST(HttpResponses, OkCarriesTheLengthOnlyWhileFilesMove) {
    HttpHeaderRecord record;
    record.contentLength = 1234;
    EXPECT_EQ(buildResponseHeader(200, "\\file_list.xml", 2, &record),
              "HTTP/1.1 200 OK\r\nAccept-Encoding: gzip, deflate\r\nConnection: Keep-Alive\r\n"
              "Content-Length: 1234\r\n");
    EXPECT_EQ(buildResponseHeader(200, "\\file_list.xml", 1, &record), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(buildResponseHeader(200, "\\ok.XML", 3, &record), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(buildResponseHeader(200, "\\NG.xml", 3, &record), "HTTP/1.1 200 OK\r\n");
    record.contentLength = -1;
    EXPECT_NE(buildResponseHeader(200, "\\a", 3, &record).find("Content-Length: \r\n"), std::string::npos);
    EXPECT_NE(buildResponseHeader(200, "\\a", 3, nullptr).find("Content-Length: \r\n"), std::string::npos);
}

TEST(HttpResponses, UnknownStatusIsSentAsInternalError) {
    EXPECT_EQ(statusText(418), "500 Internal Server Error");
    EXPECT_EQ(statusText(408), "408 Request Time-out");
    EXPECT_EQ(statusText(302), "302 Moved Temporarily");
}

TEST(HttpStatusLine, CodeAndClass) {
    int code = 0;
    EXPECT_EQ(parseStatusLine("HTTP/1.1 401 Unauthorized", code), 1);
    EXPECT_EQ(code, 401);
    EXPECT_EQ(statusClass(code), 4);
    EXPECT_EQ(parseStatusLine("HTTP/1.1 200", code), 0); // no reason phrase
    EXPECT_EQ(code, -1);
    EXPECT_EQ(parseStatusLine("X 1 ", code), 0); // first blank too close to the end
    EXPECT_EQ(parseStatusLine("HTTP/1.1 abc OK", code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(parseStatusLine("", code), 0);
    EXPECT_EQ(statusClass(99), -1);
    EXPECT_EQ(statusClass(100), 1);
    EXPECT_EQ(statusClass(599), 5);
    EXPECT_EQ(statusClass(600), -1);
}

TEST(HttpRequestLine, MethodAndPath) {
    int method = -1;
    std::string path;
    EXPECT_EQ(parseRequestLine("GET /file_list.xml HTTP/1.1", method, path), 1);
    EXPECT_EQ(method, kMethodGet);
    EXPECT_EQ(path, "\\file_list.xml");
    EXPECT_EQ(parseRequestLine("GET /a%2Fb?x=1 HTTP/1.1", method, path), 1);
    EXPECT_EQ(path, "\\a\\b");
    EXPECT_EQ(parseRequestLine("post /x HTTP/1.1", method, path), 1);
    EXPECT_EQ(method, kMethodPost);
    EXPECT_EQ(parseRequestLine("PUT /x HTTP/1.1", method, path), 1);
    EXPECT_EQ(method, kMethodOther);
    EXPECT_EQ(path, "\\x");
    EXPECT_EQ(parseRequestLine("HEAD /a+b%41 HTTP/1.1", method, path), 1);
    EXPECT_EQ(method, kMethodHead);
    EXPECT_EQ(path, "\\a bA");
    EXPECT_EQ(parseRequestLine("GET /x", method, path), 0);
    EXPECT_EQ(parseRequestLine("GET", method, path), 0);
}

TEST(UrlUnescape, BrokenEscapesStayAsTheyAre) {
    EXPECT_EQ(urlUnescape("%"), "%");
    EXPECT_EQ(urlUnescape("a%4"), "a%4");
    EXPECT_EQ(urlUnescape("%G1"), "%G1");
    EXPECT_EQ(urlUnescape("%e3%81%82"), "\xE3\x81\x82");
}

TEST(HttpHeaders, NamesDependOnTheTransferState) {
    HttpHeaderRecord record;
    bool keepAlive = false;
    EXPECT_EQ(parseHeaderLine("Server: unit", 1, record, keepAlive), kHeaderStored);
    EXPECT_EQ(record.server, "unit");
    EXPECT_EQ(parseHeaderLine("Host: pc", 1, record, keepAlive), kHeaderIgnored);
    EXPECT_EQ(parseHeaderLine("Host :  pc  ", 3, record, keepAlive), kHeaderStored);
    EXPECT_EQ(record.host, "pc");
    EXPECT_EQ(parseHeaderLine("Server: other", 2, record, keepAlive), kHeaderIgnored);
    EXPECT_EQ(record.server, "unit");
    EXPECT_EQ(parseHeaderLine("no colon here", 1, record, keepAlive), kHeaderIgnored);
    EXPECT_EQ(parseHeaderLine(": value", 1, record, keepAlive), kHeaderIgnored);
    EXPECT_EQ(parseHeaderLine("Content-Length: 5", 0, record, keepAlive), kHeaderIgnored);
}

TEST(HttpHeaders, ContentLengthTakesTheLeadingDigits) {
    HttpHeaderRecord record;
    bool keepAlive = false;
    EXPECT_EQ(parseHeaderLine("content-length: 12abc", 1, record, keepAlive), kHeaderStored);
    EXPECT_EQ(record.contentLength, 12);
    EXPECT_EQ(record.contentLengthText, "12abc");
    HttpHeaderRecord empty;
    parseHeaderLine("Content-Length:", 1, empty, keepAlive);
    EXPECT_EQ(empty.contentLength, -1);
    parseHeaderLine("Content-Length: 99999999999999999999", 1, empty, keepAlive);
    EXPECT_EQ(empty.contentLength, 2147483647);
}

TEST(HttpHeaders, BasicCredentialsAreDecodedAnyCase) {
    HttpHeaderRecord record;
    bool keepAlive = false;
    EXPECT_EQ(parseHeaderLine("Authorization: bAsIc   OjEyMzQ=", 2, record, keepAlive), kHeaderStored);
    EXPECT_EQ(record.authorization, ":1234");
    EXPECT_EQ(parseHeaderLine("Authorization: Digest abc", 2, record, keepAlive), kHeaderNotBasic);
    EXPECT_EQ(record.authorization, "Digest abc");
    EXPECT_EQ(checkAuthorization(record.authorization, "1234"), 0);
}

TEST(HttpHeaders, KeepAliveIsNoticed) {
    HttpHeaderRecord record;
    bool keepAlive = false;
    parseHeaderLine("Connection: close", 1, record, keepAlive);
    EXPECT_FALSE(keepAlive);
    parseHeaderLine("Connection: keep-alive", 3, record, keepAlive);
    EXPECT_TRUE(keepAlive);
}

TEST(HttpAuthorization, ColonsAnywhereDoNotCount) {
    EXPECT_EQ(checkAuthorization(":1234", "1234"), 1);
    EXPECT_EQ(checkAuthorization("1234:", "1234"), 1);
    EXPECT_EQ(checkAuthorization("12:34", "1234"), 1);
    EXPECT_EQ(checkAuthorization("1235", "1234"), 0);
    EXPECT_EQ(checkAuthorization("", ""), 0);
    EXPECT_EQ(checkAuthorization("user:1234", "1234"), 0);
}

TEST(Base64, RoundTripsAndPadding) {
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("\xFF\xFE"), "//4=");
    for (std::string text : {"", "a", "ab", "abc", "abcd", "\x81\x40\x00\xFF"})
        EXPECT_EQ(base64Decode(base64Encode(text)), text);
}

TEST(Base64, DecodingRulesOfTheMainUnit) {
    EXPECT_EQ(base64Decode("Zm9"), "fo");    // fourth missing: two bytes
    EXPECT_EQ(base64Decode("Zg"), "f");      // third missing: one byte
    EXPECT_EQ(base64Decode("Z"), "");        // fewer than two characters
    EXPECT_EQ(base64Decode("=Zg=Zm9v"), ""); // stops at a group starting with "="
    EXPECT_EQ(base64Decode("Zm9vZ=AA"), "foo");
    EXPECT_EQ(base64Decode("!!!!"), "\xFF\xFF\xFF"); // outside the alphabet counts as 63
}
