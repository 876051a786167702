#include "web/http_answer.h"

#include <gtest/gtest.h>

#include <string>

using namespace rk::web;

TEST(ResponseHeader, NotFoundIsFourLinesAndTheEmptyLine) {
    // 1,700,000,000 seconds: Tuesday, 14 November 2023, 22:13:20 UTC.
    EXPECT_EQ(responseHeader(404, kOctetStream, 0, 1700000000), "HTTP/1.0 404 Not Found\r\n"
                                                                "Date: Tue, 14 Nov 2023 22:13:20 GMT\r\n"
                                                                "Server: EasyHttpServer/1.0\r\n"
                                                                "Cache-Control: no-cache\r\n"
                                                                "\r\n");
}

TEST(ResponseHeader, PageAnswerCarriesTypeAndLength) {
    EXPECT_EQ(responseHeader(200, kTextHtml, 1234, 0), "HTTP/1.0 200 OK\r\n"
                                                       "Date: Thu, 01 Jan 1970 00:00:00 GMT\r\n"
                                                       "Server: EasyHttpServer/1.0\r\n"
                                                       "Content-Type: text/html\r\n"
                                                       "Content-Length: 1234\r\n"
                                                       "Cache-Control: no-cache\r\n"
                                                       "\r\n");
    // An empty file: 200 without type and length. Unknown codes answer as 200.
    EXPECT_EQ(responseHeader(999, kTextPlain, 0, 951782400, "Test/2"),
              "HTTP/1.0 200 OK\r\n"
              "Date: Tue, 29 Feb 2000 00:00:00 GMT\r\n"
              "Server: Test/2\r\n"
              "Cache-Control: no-cache\r\n"
              "\r\n");
    EXPECT_EQ(statusText(302), "302 Moved Temporarily");
    EXPECT_EQ(statusText(503), "503 Service Unavailable");
    EXPECT_EQ(contentTypeText(7), "application/x-www-form-urlencoded");
    EXPECT_EQ(contentTypeText(0), "application/octet-stream");
}

TEST(ContentType, ByTheExactExtension) {
    const std::pair<const char*, int> cases[] = {
        {"/r/a.txt", kTextPlain},     {"/r/a.html", kTextHtml},         {"/r/a.htm", kTextHtml},
        {"/r/a.HTML", kOctetStream},  {"/r/a.gif", kImageGif},          {"/r/a.jpeg", kImageJpeg},
        {"/r/a.jpg", kOctetStream},   {"/r/a.bmp", kImageBmp},          {"/r/a.js", kOctetStream},
        {"/r/a.class", kOctetStream}, {"/r/noextension", kOctetStream}, {"/r.d/file", kOctetStream},
    };
    for (const auto& [file, type] : cases) EXPECT_EQ(contentTypeOfFile(file), type) << file;
}

TEST(FileChoice, RootPathAndDefaultPage) {
    const std::string root = "/opt/rkdial/HTMLFiles/";
    const std::pair<const char*, const char*> cases[] = {
        {"/", "/opt/rkdial/HTMLFiles/17tansyuku.html"},
        {"", "/opt/rkdial/HTMLFiles/17tansyuku.html"},
        {"/sub/", "/opt/rkdial/HTMLFiles/sub/17tansyuku.html"},
        {"/17tansyuku_01.html", "/opt/rkdial/HTMLFiles/17tansyuku_01.html"},
        {"//a///b.html", "/opt/rkdial/HTMLFiles/a/b.html"},
        {"/a b.html", "/opt/rkdial/HTMLFiles/a b.html"},
    };
    for (const auto& [path, file] : cases)
        EXPECT_EQ(fileForPath(root, path, "17tansyuku.html"), file) << path;
}

TEST(RedirectScript, LocalNameOfTheSubmittedPage) {
    EXPECT_EQ(redirectScript("/opt/rkdial/HTMLFiles/", "/17tansyuku_01.html"),
              "<HTML>\r\n<HEAD>\r\n<script language=\"JavaScript\"><!--\r\n"
              "location.href=\"/opt/rkdial/HTMLFiles/17tansyuku_01.html\";\r\n"
              "--></script>\r\n</HEAD>\r\n</HTML>\r\n");
    // The name comes from the request: it can end neither the string nor the script.
    EXPECT_EQ(redirectScript("/r/", "/a\"b\\c</script>.html"),
              "<HTML>\r\n<HEAD>\r\n<script language=\"JavaScript\"><!--\r\n"
              "location.href=\"/r/a\\\"b\\\\c\\x3C/script>.html\";\r\n"
              "--></script>\r\n</HEAD>\r\n</HTML>\r\n");
}
