#include "cli/commands.h"
#include "cli/terminal_ui.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    rk::cli::TerminalUi terminal;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return rk::cli::runCli(arguments, terminal);
}
