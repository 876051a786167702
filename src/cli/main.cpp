#include "cli/commands.h"
#include "cli/terminal_ui.h"
#include "image/shared_state.h"
#include "platform/ui.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

int main(int argc, char** argv) {
    std::error_code error;
    rk::sharedState().startupDir = std::filesystem::current_path(error).string();
    rk::cli::TerminalUi terminal;
    rk::platform::setUi(&terminal);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = rk::cli::runCli(arguments);
    rk::platform::setUi(nullptr);
    return status;
}
