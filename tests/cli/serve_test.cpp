// rkdial-cli serve as a program, as another tool would run it: the one address line it prints,
// the port it takes when 80 is refused, a submitted page, and what it saves on SIGTERM.
#include "support/http_client.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const std::string kCli = RKDIAL_CLI_PATH;

// A child process whose standard output the test reads line by line.
class Child {
public:
    // Standard error goes to errorFile when one is named.
    explicit Child(std::vector<std::string> arguments, const std::string& errorFile = {}) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (!errorFile.empty())
            posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
    }
    ~Child() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr) std::fclose(output_);
    }

    std::string line() {
        char buffer[256] = {};
        return output_ != nullptr && std::fgets(buffer, sizeof buffer, output_) != nullptr ? buffer : "";
    }
    int terminate() {
        ::kill(pid_, SIGTERM);
        return wait();
    }
    int wait() {
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
        return status_;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::FILE* output_ = nullptr;
};

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool run(const std::string& commandLine) {
    return std::system((commandLine + " >/dev/null 2>&1").c_str()) == 0;
}

// What a command prints on standard output.
std::string capture(const std::string& commandLine) {
    std::string output;
    std::FILE* pipe = ::popen(commandLine.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, count);
    ::pclose(pipe);
    return output;
}

int unprivilegedPortStart() {
    std::ifstream setting("/proc/sys/net/ipv4/ip_unprivileged_port_start");
    int port = 1024;
    setting >> port;
    return port;
}

} // namespace

TEST(Serve, PrintsItsAddressServesAndSavesOnTerm) {
    rk::testing::TempDir work;
    // The server may run as nobody, who may not reach the build tree: the program, its pages and the
    // file it loads are copied where everybody may read them.
    namespace fs = std::filesystem;
    fs::permissions(work.path(), fs::perms::all);
    const fs::path program = work / "rkdial-cli";
    fs::copy_file(kCli, program);
    fs::copy(fs::path(kCli).parent_path() / "HTMLFiles", work / "HTMLFiles", fs::copy_options::recursive);
    fs::copy_file(RKDIAL_TEST_DATA "/phonebook_file/common_kana_first.rkdat", work / "common.rkdat");
    std::vector<std::string> command;
    // As the administrator the program would bind port 80 itself; as nobody it must fall back.
    if (::geteuid() == 0) command = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
    const std::string saved = (work / "saved.rkdat").string();
    for (const std::string& argument :
         {program.string(), std::string("serve"), std::string("--port"), std::string("80"),
          std::string("--no-pauses"), std::string("--common"), (work / "common.rkdat").string(),
          std::string("--save-common"), saved})
        command.push_back(argument);
    Child serve(command);

    const std::string line = serve.line();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\n"))) << line;
    const int port = std::stoi(match[1]);
    if (unprivilegedPortStart() > 80) {
        EXPECT_GT(port, 1023);
    }

    // The loaded phonebook is served; a submitted entry is stored.
    const std::string script = rk::testing::get(port, "/17tansyuku_01m.js?page=001");
    EXPECT_NE(script.find("\"0312345678\""), std::string::npos);
    const std::string answer =
        rk::testing::post(port, "/17tansyuku_01.html", "application/x-www-form-urlencoded",
                          "s002n1=0471234567&s002n2=%8E%9E%95%F1&s002n3=%BC%DE%CE%B3&s002n4=04");
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 200 OK\r\n"));

    EXPECT_EQ(serve.terminate(), 0);
    EXPECT_EQ(serve.line(), ""); // the address was its only line
    std::ifstream file(saved, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // Kana name first in the program's own files; "時報", "ｼﾞﾎｳ", group 4.
    EXPECT_NE(content.find("\r\n002,0471234567,\xBC\xDE\xCE\xB3,\x8E\x9E\x95\xF1,04\r\n"), std::string::npos);
    EXPECT_NE(content.find("\r\n000,0312345678,"), std::string::npos);
}

TEST(Serve, ListensOnOneAddressOfThisMachineOrNotAtAll) {
    rk::testing::TempDir work;
    const std::string errors = (work / "errors.txt").string();
    // Never every address: not for a text that names none, not when asked for all of them.
    for (const char* address : {"", "::1", "0.0.0.0"}) {
        Child serve({kCli, "serve", "--port", "0", "--address", address}, errors);
        EXPECT_EQ(serve.line(), "") << address;
        EXPECT_EQ(serve.wait(), 1) << address;
        EXPECT_NE(fileText(errors).find("--address"), std::string::npos) << address;
    }
    // A name of this machine is resolved: localhost is loopback, without a key.
    Child serve({kCli, "serve", "--port", "0", "--no-pauses", "--address", "localhost"}, errors);
    std::smatch match;
    const std::string line = serve.line();
    ASSERT_TRUE(std::regex_match(line, match, std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\n"))) << line;
    EXPECT_EQ(serve.terminate(), 0);
}

TEST(Serve, NamesEveryRefusalAndEndsAtOnceWhateverIdleConnectionsRemain) {
    rk::testing::TempDir work;
    const std::string errors = (work / "errors.txt").string();
    Child serve(
        {kCli, "serve", "--port", "0", "--no-pauses", "--save-common", (work / "saved.rkdat").string()},
        errors);
    std::smatch match;
    const std::string line = serve.line();
    ASSERT_TRUE(std::regex_match(line, match, std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\n"))) << line;
    const int port = std::stoi(match[1]);

    const std::string refused = rk::testing::talk(
        port, "GET /17tansyuku_01m.js?page=001 HTTP/1.1\r\nSec-Fetch-Site: cross-site\r\n\r\n");
    EXPECT_TRUE(refused.starts_with("HTTP/1.0 403 Forbidden\r\n")) << refused;
    EXPECT_EQ(fileText(errors), "rkdial-cli serve: refused by the Sec-Fetch-Site rule (Sec-Fetch-Site: "
                                "cross-site): GET /17tansyuku_01m.js?page=001 HTTP/1.1\n");

    // Idle connections would each hold the server for the 10 s a request may take to arrive.
    std::vector<std::unique_ptr<rk::testing::Client>> idle;
    for (int i = 0; i < 100; ++i) idle.push_back(std::make_unique<rk::testing::Client>(port));
    const auto begin = std::chrono::steady_clock::now();
    const std::string page = rk::testing::get(port, "/17tansyuku.html");
    EXPECT_TRUE(page.starts_with("HTTP/1.0 200 OK\r\n"));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
    const auto stop = std::chrono::steady_clock::now();
    EXPECT_EQ(serve.terminate(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::seconds(1));
    EXPECT_TRUE(std::filesystem::exists(work / "saved.rkdat"));
}

// Off loopback, on an address of a network namespace of the test's own (root needed; skipped where
// none can be made): the printed address carries the key, and nothing is served without it.
TEST(Serve, OffLoopbackEveryRequestCarriesTheKey) {
    if (::geteuid() != 0) GTEST_SKIP() << "creating a network namespace needs root";
    const std::string space = "rkserve" + std::to_string(::getpid() % 100000);
    const std::string address = "10.214." + std::to_string(::getpid() % 250) + ".1";
    if (!run("ip netns add " + space))
        GTEST_SKIP() << "network namespaces cannot be made here (ip netns failed)";
    struct Removal {
        std::string space;
        ~Removal() { run("ip netns del " + space); }
    } removal{space};
    const std::string inside = "ip netns exec " + space + " ";
    // The namespace's own loopback device carries the address; it is no loopback address all the same.
    ASSERT_TRUE(run(inside + "ip link set lo up") && run(inside + "ip addr add " + address + "/32 dev lo"));

    Child serve(
        {"ip", "netns", "exec", space, kCli, "serve", "--port", "0", "--no-pauses", "--address", address});
    const std::string line = serve.line();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match,
                                 std::regex("(http://10\\.214\\.[0-9]+\\.1:[0-9]+/)\\?key=([0-9a-f]{32})\n")))
        << line;
    const std::string base = match[1], key = match[2];
    const std::string curl = inside + "curl -s -i --max-time 10 ";
    const std::string first = capture(curl + "'" + base + "?key=" + key + "'");
    EXPECT_TRUE(first.starts_with("HTTP/1.0 200 OK\r\n")) << first;
    EXPECT_NE(first.find("\r\nSet-Cookie: rkdial-key=" + key + "; HttpOnly; SameSite=Strict; Path=/\r\n"),
              std::string::npos);
    EXPECT_TRUE(capture(curl + "-H 'Cookie: rkdial-key=" + key + "' " + base + "17tansyuku_01.html")
                    .starts_with("HTTP/1.0 200 OK\r\n"));
    EXPECT_TRUE(capture(curl + base + "17tansyuku_01.html").starts_with("HTTP/1.0 403 Forbidden\r\n"));
    EXPECT_TRUE(capture(curl + "'" + base + "?key=" + std::string(32, '0') + "'")
                    .starts_with("HTTP/1.0 403 Forbidden\r\n"));
    EXPECT_EQ(serve.terminate(), 0);
}
