// exec: runs data-set command strings on a keypad console of a fresh image.
// dataset: writes the data-set files of one group from a fresh image.
#include "cli/commands.h"
#include "cli/options.h"

#include "image/command_engine.h"
#include "image/data_image.h"
#include "phonebook/dataset_files.h"

#include <cstdio>
#include <string>
#include <vector>

namespace rk::cli {
namespace {

constexpr int kCliConsole = 1;

constexpr const char* kExecHelp =
    "Usage: rkdial-cli exec [--memory 600|990] COMMAND...\n"
    "\n"
    "Runs data-set command strings (for example \"*120#\") one after another on a keypad console\n"
    "of a factory-fresh image and prints the display each leaves (--P when it is refused).\n"
    "--memory sets the memory count of the common phonebook first.\n";

constexpr const char* kDatasetHelp =
    "Usage: rkdial-cli dataset --group N --dir DIR\n"
    "\n"
    "Writes the data-set files of group N (0..9) of a factory-fresh image into DIR.\n";

} // namespace

int runExec(Context& context, Arguments arguments) {
    CommandLine line("exec", kExecHelp);
    image::DataImage& image = context.workspace.image();
    int memoryMode = image.memoryMode;
    std::vector<std::string> commands;
    addMemoryOption(line.app(), memoryMode);
    line.app().add_option("COMMAND", commands, "data-set command strings")->required();
    if (const std::optional<int> status = line.parse(arguments)) return *status;

    image.memoryMode = static_cast<std::uint8_t>(memoryMode);
    for (const std::string& command : commands) {
        const auto text = image::executeCommandString(image, kCliConsole, command);
        std::printf("%s\n", text ? text->c_str() : "--P");
    }
    return 0;
}

int runDataset(Context& context, Arguments arguments) {
    CommandLine line("dataset", kDatasetHelp);
    int group = 0;
    std::string directory;
    addNumberOption(line.app(), "--group", group, 0, phonebook::kDataSetGroupCount - 1, "a data-set group")
        ->required();
    line.value("--dir", directory, "where the files go")->required();
    if (const std::optional<int> status = line.parse(arguments)) return *status;

    if (phonebook::writeDataSetFiles(context.workspace, nullptr, group, directory, false) != 1) {
        std::fprintf(stderr, "rkdial-cli dataset: no data-set file was written for group %d\n", group);
        return 1;
    }
    return 0;
}

} // namespace rk::cli
