// exec: runs data-set command strings on a keypad console of a fresh image.
// dataset: writes the data-set files of one group from a fresh image.
#include "cli/commands.h"

#include "image/command_engine.h"
#include "image/data_image.h"
#include "phonebook/dataset_files.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace rk::cli {
namespace {

constexpr int kCliConsole = 1;

bool parseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && next == end;
}

} // namespace

int runExec(Context& context, Arguments arguments) {
    image::DataImage& image = context.workspace.image();
    std::size_t first = 0;
    if (arguments.size() >= 2 && arguments[0] == "--memory") {
        if (arguments[1] == "600")
            image.memoryMode = 1;
        else if (arguments[1] == "990")
            image.memoryMode = 2;
        else {
            std::fprintf(stderr, "rkdial-cli exec: --memory takes 600 or 990\n");
            return 1;
        }
        first = 2;
    }
    if (first >= arguments.size()) {
        std::fprintf(stderr, "rkdial-cli exec: no command given (for example \"*120#\")\n");
        return 1;
    }
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const auto text = image::executeCommandString(image, kCliConsole, arguments[i]);
        std::printf("%s\n", text ? text->c_str() : "--P");
    }
    return 0;
}

int runDataset(Context& context, Arguments arguments) {
    int group = -1;
    std::string directory;
    for (std::size_t i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--group" && parseInt(arguments[i + 1], group)) continue;
        if (arguments[i] == "--dir") {
            directory = arguments[i + 1];
            continue;
        }
        group = -1;
        break;
    }
    if (arguments.size() % 2 != 0 || group < 0 || group >= phonebook::kDataSetGroupCount ||
        directory.empty()) {
        std::fprintf(stderr, "rkdial-cli dataset: give --group 0..9 and --dir DIR\n");
        return 1;
    }
    if (phonebook::writeDataSetFiles(context.workspace, nullptr, group, directory, false) != 1) {
        std::fprintf(stderr, "rkdial-cli dataset: no data-set file was written for group %d\n", group);
        return 1;
    }
    return 0;
}

} // namespace rk::cli
