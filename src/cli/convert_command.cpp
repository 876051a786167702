// rkdial-cli convert: loads phonebook files one after another into a fresh image and saves the
// result, as the file selection window's load and save buttons would.
#include "cli/commands.h"
#include "cli/file_steps.h"

#include "image/data_image.h"
#include "phonebook/phonebook_file.h"

#include <cstdio>
#include <optional>

namespace rk::cli {
namespace {

constexpr const char* kConvertUsage =
    "Usage: rkdial-cli convert --kind common|my --memory 600|990 --in FILE [--in FILE ...] --out FILE\n";

struct ConvertOptions {
    int kind = 0;
    int memoryMode = 0;
    std::vector<std::string> inputs;
    std::string output;
};

std::optional<ConvertOptions> parseOptions(Arguments arguments) {
    ConvertOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (i + 1 >= arguments.size()) return std::nullopt;
        const std::string& value = arguments[++i];
        if (name == "--kind") {
            if (value == "common")
                options.kind = phonebook::kCommonPhonebookFile;
            else if (value == "my")
                options.kind = phonebook::kMyPhonebookFile;
            else
                return std::nullopt;
        } else if (name == "--memory") {
            if (value == "600")
                options.memoryMode = 1;
            else if (value == "990")
                options.memoryMode = 2;
            else
                return std::nullopt;
        } else if (name == "--in") {
            options.inputs.push_back(value);
        } else if (name == "--out") {
            options.output = value;
        } else {
            return std::nullopt;
        }
    }
    if (options.kind == 0 || options.memoryMode == 0 || options.inputs.empty() || options.output.empty())
        return std::nullopt;
    return options;
}

} // namespace

int runConvert(Context& context, Arguments arguments) {
    const std::optional<ConvertOptions> options = parseOptions(arguments);
    if (!options) {
        std::fputs(kConvertUsage, stderr);
        return 1;
    }
    context.workspace.image().memoryMode = static_cast<std::uint8_t>(options->memoryMode);
    for (const std::string& input : options->inputs)
        if (!loadOperatorFile(context, input, options->kind)) return 1;
    return saveOperatorFile(context, options->output, options->kind) ? 0 : 1;
}

} // namespace rk::cli
