// The embedded server over real loopback sockets: what goes out on the wire for each request,
// the refusals, the edit lock's order, and the copy rules of browser editing.
#include "image/data_image.h"
#include "phonebook/edit_steps.h"
#include "phonebook/phonebook.h"
#include "support/http_client.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_seam.h"
#include "web/easy_http_server.h"
#include "web/edit_session.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace rk;
using rk::testing::Client;
using rk::testing::get;
using rk::testing::post;
using rk::testing::talk;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

// An answer with its Date line replaced by "Date: *", after checking that line's form.
std::string withoutDate(const std::string& answer) {
    static const std::regex date("\r\nDate: [A-Z][a-z]{2}, [0-9]{2} [A-Z][a-z]{2} [0-9]{4} [0-9]{2}:[0-9]{2}:"
                                 "[0-9]{2} GMT\r\n");
    return std::regex_replace(answer, date, "\r\nDate: *\r\n", std::regex_constants::format_first_only);
}

std::string okHead(const char* type, std::size_t length) {
    return "HTTP/1.0 200 OK\r\nDate: *\r\nServer: EasyHttpServer/1.0\r\nContent-Type: " + std::string(type) +
           "\r\nContent-Length: " + std::to_string(length) + "\r\nCache-Control: no-cache\r\n\r\n";
}

const std::string kNotFound = "HTTP/1.0 404 Not Found\r\nDate: *\r\nServer: EasyHttpServer/1.0\r\n"
                              "Cache-Control: no-cache\r\n\r\n";

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui.allowPlainMessages();
        root.write("17tansyuku.html", "<html>start</html>");
        std::filesystem::create_directory(root / "sub");
        root.write("sub/17tansyuku.html", "<html>sub</html>");
        root.write("a b.html", "blank in the name");
        root.write("17tansyuku_01.html", "<html>page 1</html>");
        root.write("x.txt", "t");
        root.write("x.htm", "h");
        root.write("x.js", "j");
        root.write("noext", "n");
        root.write("empty.html", "");
        start();
    }
    void TearDown() override {
        server.Stop();
        ASSERT_TRUE(server.waitForWorkers(std::chrono::seconds(20)));
    }

    void start() {
        server.SetPort(0);
        server.SetDocumentRoot(root.str());
        server.SetDefaultPage("17tansyuku.html");
        ASSERT_EQ(server.Start(), 1);
        port = server.listeningPort();
    }

    phonebook::EntryText entry(int memory, phonebook::Copy copy) {
        phonebook::EntryText text;
        phonebook::loadSystemEntry(workspace, memory, text, copy);
        return text;
    }

    rk::testing::RecordingUi ui;
    rk::testing::TestSeam seam{ui};
    rk::testing::TempDir root;
    Workspace workspace;
    web::EasyHttpServer server{workspace, seam};
    int port = 0;
};

const std::string kForm = "application/x-www-form-urlencoded";

} // namespace

TEST_F(ServerTest, FilesAreAnsweredByteForByte) {
    struct Case {
        std::string target;
        std::string answer;
    };
    const Case cases[] = {
        {"/", okHead("text/html", 18) + "<html>start</html>"},
        {"/sub/", okHead("text/html", 16) + "<html>sub</html>"},
        {"/a%20b.html?x=1", okHead("text/html", 17) + "blank in the name"},
        {"/x.txt", okHead("text/plain", 1) + "t"},
        {"/x.htm", okHead("text/html", 1) + "h"},
        {"/x.js", okHead("application/octet-stream", 1) + "j"},
        {"/noext", okHead("application/octet-stream", 1) + "n"},
        {"\\x.txt", okHead("text/plain", 1) + "t"}, // '\' is a separator too
        {"/empty.html",
         "HTTP/1.0 200 OK\r\nDate: *\r\nServer: EasyHttpServer/1.0\r\nCache-Control: no-cache\r\n\r\n"},
        {"/missing.html", kNotFound},
        {"/sub", kNotFound}, // a folder is no page
        // Nothing outside the document root, however it is spelt.
        {"/../x.txt", kNotFound},
        {"/sub/%2E%2E/%2E%2E/x.txt", kNotFound},
        {"/sub\\..\\..\\x.txt", kNotFound},
        {"/x.txt%00.html", kNotFound},
        {"/" + std::string(260, 'a'), kNotFound},
        {"/x.txt%", kNotFound},
        {"/x.txt%4", kNotFound},
    };
    for (const Case& test : cases) EXPECT_EQ(withoutDate(get(port, test.target)), test.answer) << test.target;
    EXPECT_TRUE(ui.unexpectedPrompts().empty());
}

TEST_F(ServerTest, MalformedRequestsAreClosedWithoutAnAnswer) {
    seam.clock.setLimitScale(0.01); // a body that never comes is given up on after 0.1 s
    EXPECT_EQ(talk(port, "GARBAGE\r\n\r\n"), "");
    EXPECT_EQ(talk(port, "POST /x.txt HTTP/1.1\r\nContent-Length: 2024001\r\n\r\n"), "");
    EXPECT_EQ(talk(port, "POST /x.txt HTTP/1.1\r\nContent-Length: 0000000001\r\n\r\nx"), "");
    // At the limit, and a negative length (no body at all), are answered.
    EXPECT_EQ(withoutDate(talk(port, "POST /x.txt HTTP/1.1\r\nContent-Length: 2024000\r\n\r\nx")),
              okHead("text/plain", 1) + "t");
    EXPECT_EQ(withoutDate(talk(port, "POST /x.txt HTTP/1.1\r\nContent-Length: -5\r\n\r\n")),
              okHead("text/plain", 1) + "t");
}

TEST_F(ServerTest, AFormIsStoredAndTheAnswerEndsWithTheRedirect) {
    const std::string page = okHead("text/html", 19) + "<html>page 1</html>";
    const std::string answer = post(port, "/17tansyuku_01.html", kForm,
                                    "s000n1=0312345678&s000n2=%93%FA%96%7B&s000n3=%B6%C5&s000n4=2");
    EXPECT_EQ(withoutDate(answer),
              page + "<HTML>\r\n<HEAD>\r\n<script language=\"JavaScript\"><!--\r\nlocation.href=\"" +
                  root.str() + "/17tansyuku_01.html\";\r\n--></script>\r\n</HEAD>\r\n</HTML>\r\n");
    EXPECT_EQ(entry(0, phonebook::Copy::Working).numberText(), "0312345678");
    EXPECT_EQ(entry(0, phonebook::Copy::Working).kanjiText(), "\x93\xFA\x96\x7B");
    EXPECT_EQ(entry(0, phonebook::Copy::Working).group, '2');
    EXPECT_EQ(server.editedFlag(), 1);
    EXPECT_EQ(workspace.flags().phonebookPresent, 1);

    // A content type with a parameter is not the form's: answered like a GET, nothing stored.
    const std::string typed = post(port, "/17tansyuku_01.html", kForm + "; charset=Shift_JIS", "s001n1=117");
    EXPECT_EQ(withoutDate(typed), page);
    EXPECT_TRUE(entry(1, phonebook::Copy::Working).numberText().empty());
}

TEST_F(ServerTest, RequestsAreHandledOneAfterTheOther) {
    // With a tenth of the real pauses a submission's answer takes 0.3 s (the wait before the body
    // and before the redirect); two at once under the edit lock take twice that.
    seam.clock.setPauseScale(0.1);
    const auto begin = steady_clock::now();
    std::thread other([this] { post(port, "/17tansyuku_01.html", kForm, "s002n1=2"); });
    post(port, "/17tansyuku_01.html", kForm, "s003n1=3");
    other.join();
    EXPECT_GE(steady_clock::now() - begin, milliseconds(500));
    EXPECT_EQ(entry(2, phonebook::Copy::Working).numberText(), "2");
    EXPECT_EQ(entry(3, phonebook::Copy::Working).numberText(), "3");
}

TEST_F(ServerTest, NoConnectionHoldsTheOthersUp) {
    seam.clock.setLimitScale(0.05); // a request may take half a second to arrive
    {
        Client idle(port);      // says nothing at all
        Client trickling(port); // sends a byte now and then
        trickling.send("GET /x");
        const auto begin = steady_clock::now();
        EXPECT_EQ(withoutDate(get(port, "/x.txt")), okHead("text/plain", 1) + "t");
        EXPECT_LT(steady_clock::now() - begin, milliseconds(400)); // not behind the other two
        EXPECT_EQ(idle.receiveAll(), "");                          // given up on, unanswered
        EXPECT_EQ(trickling.receiveAll(), "");
    }
    // A flood of connections is turned away beyond the cap, and the server goes on afterwards.
    server.setWorkerLimit(4);
    std::vector<std::unique_ptr<Client>> flood;
    flood.reserve(200);
    for (int i = 0; i < 200; ++i) flood.push_back(std::make_unique<Client>(port, Client::kAtOnce));
    std::this_thread::sleep_for(milliseconds(100)); // let the server meet them
    flood.clear();
    // Connections the flood left in the queue are still being turned away for a moment.
    std::string afterwards;
    for (int attempt = 0; attempt < 100 && afterwards.empty(); ++attempt) {
        ASSERT_TRUE(server.waitForWorkers(std::chrono::seconds(10)));
        afterwards = get(port, "/x.txt");
    }
    EXPECT_EQ(withoutDate(afterwards), okHead("text/plain", 1) + "t");
}

TEST_F(ServerTest, AServerRunsOnceAndItsSettersWaitForNoOne) {
    EXPECT_EQ(server.Start(), 0);
    server.SetPort(1);
    server.SetDocumentRoot("/elsewhere");
    EXPECT_EQ(server.config().documentRoot, root.str() + "/");
    EXPECT_EQ(withoutDate(get(port, "/x.txt")), okHead("text/plain", 1) + "t");
    server.Stop();
    EXPECT_FALSE(server.IsRunning());
    EXPECT_FALSE(Client(port).connected());
    EXPECT_EQ(server.Start(), 0);
    EXPECT_TRUE(ui.boxes().empty());
}

// The copies as browser editing keeps them, by the duplicate-check option.
TEST_F(ServerTest, SubmittedPagesReachTheWorkingCopyAsTheCheckSays) {
    // Check off: straight into the working copy; visits leave the backup copy alone.
    phonebook::commitBackup(workspace);
    post(port, "/17tansyuku_02.html", kForm, "s050n1=500");
    EXPECT_EQ(entry(50, phonebook::Copy::Working).numberText(), "500");
    get(port, "/17tansyuku_01m.js?page=002");
    EXPECT_TRUE(entry(50, phonebook::Copy::Backup).numberText().empty());

    // Check on: into the backup copy, committed when the page asks for its data again.
    workspace.flags().dupCheckEnabled = 1;
    phonebook::commitBackup(workspace);
    post(port, "/17tansyuku_02.html", kForm, "s051n1=510");
    EXPECT_EQ(entry(51, phonebook::Copy::Backup).numberText(), "510");
    EXPECT_TRUE(entry(51, phonebook::Copy::Working).numberText().empty());
    const std::string script = get(port, "/17tansyuku_01m.js?page=002");
    EXPECT_NE(script.find("\"510\""), std::string::npos);
    EXPECT_EQ(entry(51, phonebook::Copy::Working).numberText(), "510");
    EXPECT_EQ(server.editedFlag(), 0);

    // "戻る" before the browser reloads commits what was submitted.
    post(port, "/17tansyuku_02.html", kForm, "s052n1=520");
    phonebook::settleBrowserEdits(workspace);
    EXPECT_EQ(entry(52, phonebook::Copy::Working).numberText(), "520");

    // A page merely visited refreshes the backup copy from the working copy: what was stored
    // into it outside a speed-dial page's submission is discarded.
    get(port, "/17tansyuku_01m.js?page=002"); // the reload after the last submission
    post(port, "/x.txt", kForm, "s053n1=530");
    EXPECT_EQ(entry(53, phonebook::Copy::Backup).numberText(), "530");
    get(port, "/17tansyuku_01m.js?page=002");
    EXPECT_TRUE(entry(53, phonebook::Copy::Backup).numberText().empty());
}

TEST_F(ServerTest, DuplicatesAreReportedAndNotKeptOnceThePageIsCommitted) {
    workspace.flags().dupCheckEnabled = 1;
    phonebook::commitBackup(workspace);
    post(port, "/17tansyuku_01.html", kForm, "s010n1=117&s003n1=117&s020n1=117");
    // The reload commits the page: the later duplicates lose their number, in both copies, so the
    // page shows it and leaving the edit does not bring it back.
    get(port, "/17tansyuku_01m.js?page=001");
    EXPECT_EQ(entry(3, phonebook::Copy::Working).numberText(), "117");
    EXPECT_TRUE(entry(20, phonebook::Copy::Working).numberText().empty());
    EXPECT_TRUE(entry(20, phonebook::Copy::Backup).numberText().empty());
    phonebook::settleBrowserEdits(workspace);
    EXPECT_TRUE(entry(20, phonebook::Copy::Working).numberText().empty());
    ASSERT_EQ(ui.notices().size(), 1u);
    // "短縮番号003番と010番が重複して登録されています。"
    EXPECT_EQ(ui.notices()[0].text,
              "\x92\x5A\x8F\x6B\x94\xD4\x8D\x86"
              "003\x94\xD4\x82\xC6"
              "010\x94\xD4\x82\xAA\x8F\x64\x95\xA1\x82"
              "\xB5\x82\xC4\x93\x6F\x98\x5E\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42");
}
