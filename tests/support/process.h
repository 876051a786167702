// Runs a program of ours and collects its exit status and output, for the command-line tests.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

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

} // namespace rk::testing
