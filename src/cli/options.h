// The command line of one subcommand, parsed with CLI11: the options every command shares
// (--memory, ports, positions, the phonebook kind) checked in one place each, a usage error told
// on stderr with exit status 2, and the command's own help text on stdout for --help.
#pragma once

#include "cli/commands.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace rk::cli {

// The exit status of a command line that cannot be used.
constexpr int kUsageError = 2;

class CommandLine {
public:
    // `command` as it is typed after rkdial-cli; `help` the text --help prints, beginning with its
    // "Usage:" lines (a usage error repeats them).
    CommandLine(std::string command, std::string help);

    CLI::App& app() { return app_; }

    // An option that takes one value: given twice it is a usage error (it never silently takes the
    // last value).
    CLI::Option* value(const std::string& name, std::string& target, const std::string& description = {});

    // Parses the arguments. nullopt: go on with the command. Otherwise the command ends with the
    // status returned: 0 after the help was printed, kUsageError after the error was told.
    std::optional<int> parse(Arguments arguments);

    // Tells a usage error that only the command itself can see (two options that exclude each
    // other, say) and returns kUsageError.
    int usageError(const std::string& message) const;

private:
    std::string command_;
    std::string help_;
    CLI::App app_;
};

// --memory 600|990 into a memory-count mode (1 = 600 common memories, 2 = 990).
CLI::Option* addMemoryOption(CLI::App& app, int& memoryMode);

// A TCP port, `lowest`..65535 (0 lets the system choose, where a command allows it).
CLI::Option* addPortOption(CLI::App& app, const std::string& name, int& port, int lowest = 0,
                           const std::string& description = {});

// A telephone position of the my phonebooks, 101..200.
CLI::Option* addPositionOption(CLI::App& app, const std::string& name, int& position,
                               const std::string& description = {});

// --kind common|my into the file kind (1 common, 2 my phonebook).
CLI::Option* addKindOption(CLI::App& app, int& kind);

// A whole number within a range, written in decimal digits only; `what` names it in the message
// of a value that is refused ("a port", "a data-set group").
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int& number, int lowest, int highest,
                             const std::string& what, const std::string& description = {});

} // namespace rk::cli
