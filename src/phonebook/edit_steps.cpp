#include "phonebook/edit_steps.h"

#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/save_file.h"
#include "platform/file_writer.h"
#include "platform/text.h"

#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace rk::phonebook {
namespace {

void showFileMessage(platform::Ui& ui, const platform::Owner& owner, const char* text, const char* caption) {
    ui.messageBox({owner, text::toCp932(text), text::toCp932(caption), platform::Buttons::Ok,
                   platform::Icon::Exclamation});
}

// Opens the file for reading and closes it again. Only plain files count: opening a pipe or a
// device would block or read something that is no phonebook.
bool canOpenForReading(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    ::close(descriptor);
    return true;
}

// The load's own choice: a file that exists and opens, or nothing.
std::optional<std::filesystem::path> chooseReadableFile(platform::Ui& ui, const platform::Owner& owner,
                                                        const FileChooser& choose) {
    for (;;) {
        const std::optional<std::filesystem::path> chosen = choose();
        if (!chosen) return std::nullopt;
        std::error_code error;
        if (!std::filesystem::exists(*chosen, error)) {
            showFileMessage(ui, owner, " ファイルが見つかりません。再度ファイルを選択して下さい。",
                            "ファイルの確認");
            continue;
        }
        if (!canOpenForReading(*chosen)) {
            showFileMessage(
                ui, owner,
                "ファイルが読み込めません。\n\n他のアプリケーションで使用していないか、確認して下さい。",
                "オープンエラー");
            continue;
        }
        return chosen;
    }
}

} // namespace

bool applyEditMemoryCount(Workspace& workspace, platform::Ui& ui, const platform::Owner& owner,
                          int memorySelection) {
    image::DataImage& image = workspace.image();
    if (image.memoryMode == memorySelection) return true;
    if (workspace.flags().phonebookPresent != 0) {
        const platform::Answer answer =
            platform::askQuestion(ui, owner,
                                  text::toCp932("システム短縮ダイヤルのメモリー数が変更されているため\n"
                                                "電話帳データは全てクリアされます。続行しますか？\n"),
                                  text::toCp932("電話帳データ読込確認"), platform::Buttons::YesNo);
        if (answer != platform::Answer::Yes) return false;
        // Cleared in the layout the data is still held in: the old count.
        clearSystemBook(workspace, image.memoryMode);
        clearTelephoneBooks(workspace, image.memoryMode);
    }
    image.memoryMode = static_cast<std::uint8_t>(memorySelection);
    return true;
}

StepRunner blockingRunner(Workspace& workspace) {
    return [&workspace](const PhonebookStep& step) {
        const std::lock_guard lock(workspace.editLock());
        return step();
    };
}

FileStepResult loadPhonebookFromFile(Workspace& workspace, platform::Ui& ui, const platform::Owner& owner,
                                     int kind, const FileChooser& choose, const StepRunner& run,
                                     LoadReport* report, NonPhonebookFile nonPhonebook) {
    const std::optional<std::filesystem::path> chosen = chooseReadableFile(ui, owner, choose);
    const bool refuse = nonPhonebook == NonPhonebookFile::Refuse;
    std::optional<LoadReport> ownReport;
    if (refuse && report == nullptr) report = &ownReport.emplace(workspace, kind);
    int result = kFileDone;
    bool refused = false;
    run([&] {
        if (chosen) {
            const FileHeaderLine carried = workspace.fileHeaderLine();
            setPhonebookFilePath(workspace, *chosen);
            // The operator's files always have the kana name first.
            workspace.fileSettings().unitOrderFlag = 0;
            result = readPhonebookFile(workspace, ui, kind, report);
            refused = result == kFileDone && refuse && report->notPhonebook() != nullptr;
            // Nothing was stored; the header line it may have had is not the phonebook's either.
            if (refused) {
                workspace.fileHeaderLine() = carried;
                return result;
            }
            if (result == kFileDone) workspace.flags().phonebookPresent = 1;
        }
        // Whatever the load did, cancel included, the backup copy follows the working copy.
        commitBackup(workspace);
        return result;
    });
    if (!chosen) return FileStepResult::Cancelled;
    if (refused) return FileStepResult::NotPhonebook;
    if (result == kFileDone) return FileStepResult::Done;
    platform::showError(ui, owner,
                        text::toCp932(result == kFileNotOpenable ? "\nファイルがありません。\n"
                                                                 : "\nファイルデータ取得エラー発生\n"));
    return FileStepResult::Failed;
}

FileStepResult savePhonebookToFile(Workspace& workspace, const platform::Seam& seam,
                                   const platform::Owner& owner, int kind, const FileChooser& choose,
                                   const StepRunner& run) {
    const std::optional<std::filesystem::path> chosen = choose();
    if (!chosen) return FileStepResult::Cancelled;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::absolute(*chosen, error);
    // A pipe or a device would be replaced by a regular file (as the administrator, /dev/null
    // itself), a directory cannot be: neither is a place for a phonebook.
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        platform::showError(seam.ui, owner,
                            platform::writeFailureText({target, platform::WriteFailure::kNotRegularFile}));
        return FileStepResult::Failed;
    }
    // A disk whose free space cannot be told is tried all the same: the write reports its own
    // failure and never leaves a half-written file in place of the previous one.
    const std::optional<std::uintmax_t> freeBytes = seam.system.freeDiskSpace(target.parent_path());
    if (freeBytes && *freeBytes < saveSpaceEstimate(kind, memoryCountOf(workspace, kind))) {
        platform::showError(seam.ui, owner, text::toCp932("\n空き容量が不足しています。\n"));
        return FileStepResult::Failed;
    }
    const int result = run([&] {
        setPhonebookFilePath(workspace, *chosen);
        workspace.fileSettings().unitOrderFlag = 0;
        return writePhonebookFile(workspace, seam.ui, kind);
    });
    if (result == kFileDone) return FileStepResult::Done;
    platform::showError(seam.ui, owner, text::toCp932("\nファイルデータ保存エラー発生\n"));
    return FileStepResult::Failed;
}

void settleBrowserEdits(Workspace& workspace) {
    if (workspace.flags().dupCheckEnabled == 1) applyPageFromBackup(workspace, 0, PageKind::System);
}

int memoryCountOf(const Workspace& workspace, int kind) {
    const image::LayoutGeometry geometry = image::geometryOf(image::layoutOf(workspace.image().memoryMode));
    return kind == kMyPhonebookFile ? geometry.memoriesPerTelephone : geometry.systemMemories;
}

} // namespace rk::phonebook
