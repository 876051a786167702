// The subcommands of rkdial-cli. Each takes its own arguments (after the subcommand name) and
// returns the process's exit status: 0 success, 1 failure.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::cli {

struct Command {
    std::string_view name;
    std::string_view usage;   // arguments, shown after the name
    std::string_view summary; // one line
    int (*run)(std::span<const std::string> arguments);
};

// Every subcommand, in the order --help lists them.
std::span<const Command> commands();

// Runs the program: the arguments without the program name.
int runCli(std::span<const std::string> arguments);

// convert: loads phonebook files into a fresh image and saves the result.
int runConvert(std::span<const std::string> arguments);

// exec: runs data-set command strings on one console of a fresh image, one display line each.
int runExec(std::span<const std::string> arguments);

// dataset: writes the data-set files of one group into a directory.
int runDataset(std::span<const std::string> arguments);

// read: reads both phonebooks from the main unit, as the main window's read does.
int runRead(std::span<const std::string> arguments);

// write: writes both phonebooks to the main unit, as the main window's write does.
int runWrite(std::span<const std::string> arguments);

} // namespace rk::cli
