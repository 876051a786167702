// rkdial-cli convert: loads phonebook files one after another into a fresh image and saves the
// result, as the file selection window's load and save buttons would.
#include "cli/commands.h"
#include "cli/file_steps.h"
#include "cli/options.h"

#include "image/data_image.h"

#include <vector>

namespace rk::cli {
namespace {

constexpr const char* kConvertHelp =
    "Usage: rkdial-cli convert --kind common|my --memory 600|990 --in FILE [--in FILE ...] --out FILE\n"
    "\n"
    "Loads the phonebook files given with --in, in order, into a fresh phonebook with the given\n"
    "memory count, as the file window's load does, and saves the result to --out as the program's\n"
    "own file. A file that is no phonebook file of the kind (it would store nothing) is refused,\n"
    "and nothing is saved. Exit status: 0 saved, 1 failed, 2 usage error.\n";

} // namespace

int runConvert(Context& context, Arguments arguments) {
    CommandLine line("convert", kConvertHelp);
    int kind = 0;
    int memoryMode = 0;
    std::vector<std::string> inputs;
    std::string output;
    addKindOption(line.app(), kind)->required();
    addMemoryOption(line.app(), memoryMode)->required();
    line.app().add_option("--in", inputs, "a phonebook file to load")->required()->allow_extra_args(false);
    line.value("--out", output, "the file to save")->required();
    if (const std::optional<int> status = line.parse(arguments)) return *status;

    context.workspace.image().memoryMode = static_cast<std::uint8_t>(memoryMode);
    for (const std::string& input : inputs)
        if (!loadOperatorFile(context, input, kind)) return 1;
    return saveOperatorFile(context, output, kind) ? 0 : 1;
}

} // namespace rk::cli
