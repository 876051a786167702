// rkdial-cli convert: loads phonebook files one after another into a fresh image and saves the
// result, as the file selection window's load and save buttons would.
#include "cli/commands.h"

#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/save_file.h"
#include "platform/system_facts.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

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

std::optional<ConvertOptions> parseOptions(std::span<const std::string> arguments) {
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

const platform::Owner kOwner{nullptr, "CFileSelectDlg"};

void showBox(const char* text, const char* caption) {
    platform::ui().messageBox({kOwner, text::toCp932(text), text::toCp932(caption), platform::Buttons::Ok,
                               platform::Icon::Exclamation});
}

// The load button's checks and call for one file. False after a message.
bool loadFile(const std::string& input, int kind) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(input, error)) {
        showBox(" ファイルが見つかりません。再度ファイルを選択して下さい。", "ファイルの確認");
        return false;
    }
    const int probe = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe < 0) {
        showBox("ファイルが読み込めません。\n\n他のアプリケーションで使用していないか、確認して下さい。",
                "オープンエラー");
        return false;
    }
    ::close(probe);
    const int result = phonebook::loadPhonebookFile(input, kind);
    // The window refreshes the backup copy whatever the load's outcome.
    phonebook::commitBackup();
    if (result == phonebook::kFileDone) {
        sharedState().phonebookPresent = 1;
        return true;
    }
    platform::showError(kOwner, text::toCp932(result == phonebook::kFileNotOpenable
                                                  ? "\nファイルがありません。\n"
                                                  : "\nファイルデータ取得エラー発生\n"));
    return false;
}

// The save button's checks and call. False after a message.
bool saveFile(const std::string& output, int kind, int memoryMode) {
    const int memoryCount =
        kind == phonebook::kMyPhonebookFile ? (memoryMode == 2 ? 10 : 20) : (memoryMode == 2 ? 990 : 600);
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::absolute(output, error).parent_path();
    // A disk whose free space cannot be told is tried all the same; the write itself reports.
    const std::optional<std::uintmax_t> freeBytes = platform::freeDiskSpace(directory);
    if (freeBytes && *freeBytes < phonebook::saveSpaceEstimate(kind, memoryCount)) {
        platform::showError(kOwner, text::toCp932("\n空き容量が不足しています。\n"));
        return false;
    }
    if (phonebook::savePhonebookFile(output, kind) != phonebook::kFileDone) {
        platform::showError(kOwner, text::toCp932("\nファイルデータ保存エラー発生\n"));
        return false;
    }
    return true;
}

} // namespace

int runConvert(std::span<const std::string> arguments) {
    const std::optional<ConvertOptions> options = parseOptions(arguments);
    if (!options) {
        std::fputs(kConvertUsage, stderr);
        return 1;
    }
    image::dataImage().memoryMode = static_cast<std::uint8_t>(options->memoryMode);
    sharedState().phonebookFileKind = options->kind;
    // The file window never changes the column order: the PC's own files have kana first.
    phonebook::phonebookFileSettings().unitOrderFlag = 0;
    for (const std::string& input : options->inputs)
        if (!loadFile(input, options->kind)) return 1;
    return saveFile(options->output, options->kind, options->memoryMode) ? 0 : 1;
}

} // namespace rk::cli
