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
#include <mutex>
#include <netinet/in.h>
#include <optional>
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
const std::string kForbidden = "HTTP/1.0 403 Forbidden\r\nDate: *\r\nServer: EasyHttpServer/1.0\r\n"
                               "Connection: close\r\nCache-Control: no-cache\r\n\r\n";

// A request line, header lines and a body, as a client of our own sends them.
std::string ask(int port, std::string_view line, std::string_view headers, std::string_view body = {}) {
    std::string request = std::string(line) + " HTTP/1.1\r\n" + std::string(headers);
    if (!headers.empty()) request += "\r\n";
    if (!body.empty())
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n";
    return talk(port, request + "\r\n" + std::string(body));
}

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
        server.SetRefusalReporter([this](web::GateRule rule, const web::HttpRequest&) {
            const std::lock_guard lock(refusalsMutex);
            refusals.push_back(rule);
        });
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

    std::vector<web::GateRule> takeRefusals() {
        const std::lock_guard lock(refusalsMutex);
        return std::exchange(refusals, {});
    }

    std::mutex refusalsMutex;
    std::vector<web::GateRule> refusals;
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

    // A form to a page that does not exist is stored all the same, but nothing follows the 404.
    EXPECT_EQ(withoutDate(post(port, "/17tansyuku_99.html", kForm, "s002n1=118")), kNotFound);
    EXPECT_EQ(entry(2, phonebook::Copy::Working).numberText(), "118");
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
    server.settleEdits();
    EXPECT_TRUE(entry(20, phonebook::Copy::Working).numberText().empty());
    // Leaving before the reload gives the same: the end commits the page the reload would have.
    post(port, "/17tansyuku_02.html", kForm, "s060n1=0311&s061n1=0311");
    server.settleEdits();
    EXPECT_EQ(entry(60, phonebook::Copy::Working).numberText(), "0311");
    EXPECT_TRUE(entry(61, phonebook::Copy::Working).numberText().empty());
    ASSERT_EQ(ui.notices().size(), 2u);
    // "短縮番号003番と010番が重複して登録されています。"
    EXPECT_EQ(ui.notices()[0].text,
              "\x92\x5A\x8F\x6B\x94\xD4\x8D\x86"
              "003\x94\xD4\x82\xC6"
              "010\x94\xD4\x82\xAA\x8F\x64\x95\xA1\x82"
              "\xB5\x82\xC4\x93\x6F\x98\x5E\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42");
}

TEST_F(ServerTest, TheGateLetsThroughOnlyRequestsOfTheServersOwnPages) {
    root.write("17tansyuku_03.html", "<html>page 3</html>");
    const std::string own = std::to_string(port);
    struct Case {
        std::string headers;
        web::GateRule refusedBy;
    };
    const Case cases[] = {
        {"", web::GateRule::None}, // a tool that names nothing is served as before
        {"Host: 127.0.0.1:" + own, web::GateRule::None},
        {"Host: LocalHost:1", web::GateRule::None}, // the port is not compared
        {"Host: 127.0.0.1", web::GateRule::None},
        {"host: attacker.example:" + own, web::GateRule::Host}, // a name rebound to this machine
        {"Host: 127.0.0.2:" + own, web::GateRule::Host},
        {"Host: [::1]:" + own, web::GateRule::Host},
        {"Host:", web::GateRule::Host},
        {"Host: 127.0.0.1\r\nHost: attacker.example", web::GateRule::Host},
        {"Origin: http://127.0.0.1:" + own, web::GateRule::None},
        {"Origin: http://localhost:" + own, web::GateRule::None},
        {"Origin: null", web::GateRule::Origin}, // a sandboxed frame, a data: page
        {"ORIGIN: http://127.0.0.2:" + own, web::GateRule::Origin},
        {"Origin: http://127.0.0.1:1", web::GateRule::Origin},
        {"Origin: http://127.0.0.1", web::GateRule::Origin}, // port 80, which this is not
        {"Origin: https://127.0.0.1:" + own, web::GateRule::Origin},
        {"Origin: http://127.0.0.1:" + own + "/x", web::GateRule::Origin},
        {"Sec-Fetch-Site: same-origin", web::GateRule::None},
        {"Sec-Fetch-Site: none", web::GateRule::None}, // typed into the address bar
        {"Sec-Fetch-Site: same-site", web::GateRule::FetchSite},
        {"sec-fetch-site: cross-site", web::GateRule::FetchSite},
        {"Host: 127.0.0.1:" + own + "\r\nOrigin: http://127.0.0.1:" + own + "\r\nSec-Fetch-Site: same-origin",
         web::GateRule::None},
    };
    int memory = 100;
    for (const Case& test : cases) {
        const std::string number = std::to_string(memory);
        const std::string answer =
            ask(port, "POST /17tansyuku_03.html", test.headers, "s" + number + "n1=" + number);
        if (test.refusedBy == web::GateRule::None) {
            EXPECT_TRUE(answer.starts_with("HTTP/1.0 200 OK\r\n")) << test.headers;
            EXPECT_EQ(entry(memory, phonebook::Copy::Working).numberText(), number) << test.headers;
            EXPECT_TRUE(takeRefusals().empty()) << test.headers;
        } else {
            EXPECT_EQ(withoutDate(answer), kForbidden) << test.headers;
            EXPECT_TRUE(entry(memory, phonebook::Copy::Working).numberText().empty()) << test.headers;
            EXPECT_EQ(takeRefusals(), std::vector<web::GateRule>{test.refusedBy}) << test.headers;
        }
        ++memory;
    }

    // A refused data-script request neither reads the phonebook nor takes a step of the edit
    // session: the submitted page waits for its own reload.
    workspace.flags().dupCheckEnabled = 1;
    phonebook::commitBackup(workspace);
    post(port, "/17tansyuku_03.html", kForm, "s140n1=1400");
    EXPECT_EQ(withoutDate(ask(port, "GET /17tansyuku_01m.js?page=003", "Sec-Fetch-Site: cross-site")),
              kForbidden);
    EXPECT_EQ(server.editedFlag(), 1);
    EXPECT_TRUE(entry(140, phonebook::Copy::Working).numberText().empty());
    EXPECT_NE(ask(port, "GET /17tansyuku_01m.js?page=003", "Sec-Fetch-Site: same-origin").find("\"1400\""),
              std::string::npos);
    EXPECT_EQ(entry(140, phonebook::Copy::Working).numberText(), "1400");
}

TEST_F(ServerTest, WithAKeyEveryRequestCarriesItOrItsCookie) {
    web::EasyHttpServer keyed{workspace, seam};
    keyed.SetPort(0);
    keyed.SetDocumentRoot(root.str());
    keyed.SetDefaultPage("17tansyuku.html");
    keyed.RequireAccessKey();
    ASSERT_EQ(keyed.Start(), 1);
    const int keyedPort = keyed.listeningPort();
    const std::string key = keyed.accessKey();
    EXPECT_TRUE(std::regex_match(key, std::regex("[0-9a-f]{32}"))) << key;
    EXPECT_TRUE(server.accessKey().empty()); // none on loopback
    std::string wrong = key;
    wrong[0] = wrong[0] == '0' ? '1' : '0';

    // The key in the query: the page, and the key as a cookie for what the page asks next.
    EXPECT_EQ(withoutDate(ask(keyedPort, "GET /?key=" + key, "")),
              "HTTP/1.0 200 OK\r\nDate: *\r\nServer: EasyHttpServer/1.0\r\nContent-Type: text/html\r\n"
              "Content-Length: 18\r\nSet-Cookie: rkdial-key=" +
                  key +
                  "; HttpOnly; SameSite=Strict; Path=/\r\nCache-Control: no-cache\r\n\r\n<html>start</html>");
    struct Case {
        std::string line;
        std::string headers;
        bool served;
    };
    const Case cases[] = {
        {"GET /x.txt", "Cookie: a=b; rkdial-key=" + key, true},
        {"GET /x.txt", "Cookie: rkdial-key=" + key + "\r\nHost: another.name", true}, // the key vouches
        {"GET /x.txt", "", false},
        {"GET /x.txt?key=" + wrong, "", false},
        {"GET /x.txt", "Cookie: rkdial-key=" + wrong, false},
        {"GET /x.txt", "Cookie: rkdial-key=" + key.substr(1), false},
        {"GET /x.txt", "Cookie: rkdial-key=" + key + "\r\nOrigin: null", false},
        {"GET /x.txt", "Cookie: rkdial-key=" + key + "\r\nSec-Fetch-Site: cross-site", false},
    };
    for (const Case& test : cases) {
        const std::string answer = withoutDate(ask(keyedPort, test.line, test.headers));
        EXPECT_EQ(answer, test.served ? okHead("text/plain", 1) + "t" : kForbidden)
            << test.line << test.headers;
    }
    keyed.Stop();
    EXPECT_TRUE(keyed.waitForWorkers(std::chrono::seconds(5)));
}

TEST_F(ServerTest, IdleConnectionsKeepNoOneOutAndEndWhenTheServerStops) {
    // Each of them would hold a worker for the whole time a request may take to arrive (10 s).
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < 100; ++i) idle.push_back(std::make_unique<Client>(port));
    std::this_thread::sleep_for(milliseconds(100)); // let the server meet them
    auto begin = steady_clock::now();
    EXPECT_EQ(withoutDate(get(port, "/x.txt")), okHead("text/plain", 1) + "t");
    EXPECT_LT(steady_clock::now() - begin, milliseconds(1000));

    // A request under way when the server stops is answered; the idle ones are closed at once.
    seam.clock.setPauseScale(0.3); // the body's pause and the redirect's wait: about 1 s
    Client submitting(port);
    submitting.send("POST /17tansyuku_01.html HTTP/1.1\r\nContent-Type: " + kForm +
                    "\r\nContent-Length: 9\r\n\r\ns000n1=12");
    std::this_thread::sleep_for(milliseconds(200)); // its head is in; the body's pause has begun
    begin = steady_clock::now();
    server.Stop();
    EXPECT_TRUE(server.waitForWorkers(std::chrono::seconds(5)));
    EXPECT_LT(steady_clock::now() - begin, milliseconds(2500));
    EXPECT_TRUE(submitting.receiveAll().starts_with("HTTP/1.0 200 OK\r\n"));
    EXPECT_EQ(entry(0, phonebook::Copy::Working).numberText(), "12");
    for (const auto& connection : idle) EXPECT_EQ(connection->receiveAll(), "");
}

TEST_F(ServerTest, NoWorkerOutlivesItsServer) {
    seam.clock.setPauseScale(0.5); // the body's pause and the redirect's wait: 1.5 s
    std::optional<web::EasyHttpServer> other(std::in_place, workspace, seam);
    other->SetPort(0);
    other->SetDocumentRoot(root.str());
    ASSERT_EQ(other->Start(), 1);
    Client request(other->listeningPort());
    request.send("POST /17tansyuku_01.html HTTP/1.1\r\nContent-Type: " + kForm +
                 "\r\nContent-Length: 9\r\n\r\ns001n1=34");
    std::this_thread::sleep_for(milliseconds(200)); // its head is in
    other->setWorkerLimit(1);                       // while it runs
    const auto begin = steady_clock::now();
    other.reset(); // gone only once the request under way has been answered
    EXPECT_GE(steady_clock::now() - begin, milliseconds(800));
    EXPECT_EQ(entry(1, phonebook::Copy::Working).numberText(), "34");
    EXPECT_TRUE(request.receiveAll().starts_with("HTTP/1.0 200 OK\r\n"));
}
