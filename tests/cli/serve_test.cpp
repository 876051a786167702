// rkdial-cli serve as a program, as another tool would run it: the one address line it prints,
// the port it takes when 80 is refused, a submitted page, and what it saves on SIGTERM.
#include "support/http_client.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
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
    explicit Child(std::vector<std::string> arguments) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
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
