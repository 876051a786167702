#include "cli/file_steps.h"

#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/save_file.h"
#include "platform/system_facts.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace rk::cli {
namespace {

const platform::Owner kOwner{nullptr, "CFileSelectDlg"};

void showBox(const char* text, const char* caption) {
    platform::ui().messageBox({kOwner, text::toCp932(text), text::toCp932(caption), platform::Buttons::Ok,
                               platform::Icon::Exclamation});
}

void useOperatorFileSettings(int kind) {
    sharedState().phonebookFileKind = kind;
    phonebook::phonebookFileSettings().unitOrderFlag = 0;
}

} // namespace

bool loadOperatorFile(const std::string& path, int kind) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        showBox(" ファイルが見つかりません。再度ファイルを選択して下さい。", "ファイルの確認");
        return false;
    }
    const int probe = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe < 0) {
        showBox("ファイルが読み込めません。\n\n他のアプリケーションで使用していないか、確認して下さい。",
                "オープンエラー");
        return false;
    }
    ::close(probe);
    useOperatorFileSettings(kind);
    const int result = phonebook::loadPhonebookFile(path, kind);
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

bool saveOperatorFile(const std::string& path, int kind) {
    const bool wide = image::dataImage().memoryMode == 2;
    const int memoryCount = kind == phonebook::kMyPhonebookFile ? (wide ? 10 : 20) : (wide ? 990 : 600);
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::absolute(path, error).parent_path();
    // A disk whose free space cannot be told is tried all the same; the write itself reports.
    const std::optional<std::uintmax_t> freeBytes = platform::freeDiskSpace(directory);
    if (freeBytes && *freeBytes < phonebook::saveSpaceEstimate(kind, memoryCount)) {
        platform::showError(kOwner, text::toCp932("\n空き容量が不足しています。\n"));
        return false;
    }
    useOperatorFileSettings(kind);
    if (phonebook::savePhonebookFile(path, kind) != phonebook::kFileDone) {
        platform::showError(kOwner, text::toCp932("\nファイルデータ保存エラー発生\n"));
        return false;
    }
    return true;
}

} // namespace rk::cli
