// Runs a program of ours and collects its exit status and output, for the command-line tests.
#pragma once

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace rk::testing {

struct ProcessResult {
    int status = -1;
    std::string output; // stdout and, with captureStderr, stderr
};

// Runs a shell command line built by the test itself (never from outside input).
inline ProcessResult runCommand(const std::string& commandLine) {
    ProcessResult result;
    std::FILE* pipe = popen(commandLine.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), count);
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

// A program of ours running beside the test (a stand-in main unit), its stderr kept in a file.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string>& arguments, std::string errorFile)
        : errorFile_(std::move(errorFile)) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~BackgroundProgram() { terminate(); }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool running() const { return pid_ > 0; }

    std::string errors() const {
        std::ifstream file(errorFile_, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // Waits until its stderr holds the text; false after the time.
    bool waitForError(const std::string& text, int milliseconds = 5000) const {
        for (int waited = 0; waited < milliseconds; waited += 10) {
            if (errors().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Sends SIGTERM and waits for the end: the milliseconds it took (-1 when it was not running).
    long terminate() {
        if (pid_ <= 0) return -1;
        const auto start = std::chrono::steady_clock::now();
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
    }

private:
    std::string errorFile_;
    pid_t pid_ = -1;
};

} // namespace rk::testing
