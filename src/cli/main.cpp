#include "cli/commands.h"
#include "cli/terminal_ui.h"

#include "history/snapshot_store.h"

#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    rk::cli::TerminalUi terminal;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // The one place the command line reads its environment.
    const auto environment = [](const char* name) -> const char* { return std::getenv(name); };
    return rk::cli::runCli(arguments, terminal, rk::history::defaultHistoryFolder(environment));
}
