#include "app/file_select_dlg.h"

#include "app/dialog_layout.h"
#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/save_file.h"
#include "platform/system_facts.h"
#include "platform/text.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace rk::app {
namespace {

// Runs a function when the scope ends, whichever way it ends.
template <typename Function> class ScopeExit {
public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit() { function_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Function function_;
};

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Opens the file for reading and closes it again. Only plain files count: opening a pipe or a
// device would block the window or read something that is no phonebook.
bool canOpenForReading(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    ::close(descriptor);
    return true;
}

// The memories of the phonebook a file of this kind holds, in the memory count in force: the
// common phonebook's, or those of one telephone.
int memoryCountOf(int kind) {
    const image::LayoutGeometry geometry = image::geometryOf(image::layoutOf(image::dataImage().memoryMode));
    return kind == phonebook::kMyPhonebookFile ? geometry.memoriesPerTelephone : geometry.systemMemories;
}

} // namespace

CFileSelectDlg::CFileSelectDlg(FileOperation operation, QWidget* parent)
    : QDialog(parent), loadMode_(operation == FileOperation::Load) {
    const DialogUnits units = prepareFixedDialog(*this, 190, 131);
    setWindowTitle(QStringLiteral(u"ファイル選択"));

    // Created in tab order.
    common_ = new QPushButton(QStringLiteral(u"共通電話帳ファイル"), this);
    placeControl(*common_, 2554, units, 35, 19, 120, 22);
    mine_ = new QPushButton(QStringLiteral(u"マイ電話帳ファイル"), this);
    placeControl(*mine_, 2555, units, 35, 59, 120, 22);
    cancel_ = new QPushButton(QStringLiteral(u"キャンセル"), this);
    placeControl(*cancel_, 2, units, 106, 101, 55, 16);
    setTabOrder(common_, mine_);
    setTabOrder(mine_, cancel_);

    connect(common_, &QPushButton::clicked, this, &CFileSelectDlg::onCommonPhonebook);
    connect(mine_, &QPushButton::clicked, this, &CFileSelectDlg::onMyPhonebook);
    connect(cancel_, &QPushButton::clicked, this, &CFileSelectDlg::reject);
    // As in every dialog of the program, the first control has the focus.
    common_->setFocus();
}

QStringList CFileSelectDlg::nameFilters(int kind) {
    // Each description carries its pattern in parentheses, which is where Qt takes it from.
    QStringList filters{QStringLiteral(u" rkdatﾌｧｲﾙ(*.rkdat)")};
    if (kind != phonebook::kMyPhonebookFile) filters << QStringLiteral(u"csvﾌｧｲﾙ(*.csv)");
    return filters;
}

void CFileSelectDlg::reject() {
    // The close request is off while a file is read or written.
    if (busy_) return;
    QDialog::reject();
}

void CFileSelectDlg::onCommonPhonebook() {
    run(phonebook::kCommonPhonebookFile, common_);
}

void CFileSelectDlg::onMyPhonebook() {
    run(phonebook::kMyPhonebookFile, mine_);
}

void CFileSelectDlg::run(int kind, QPushButton* pressed) {
    sharedState().phonebookFileKind = kind;
    if (loadMode_) {
        load(kind);
        // Whatever the load did, cancel included, the backup copy follows the working copy.
        phonebook::commitBackup();
    } else {
        save(kind);
    }
    pressed->setFocus();
}

platform::Owner CFileSelectDlg::owner() {
    return {this, "CFileSelectDlg"};
}

void CFileSelectDlg::prepareFileDialog(QFileDialog& dialog, int kind) {
    // Qt's own dialog, the same on every desktop, so that it can also be driven in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // A window does not take its parent's font; the half-width kana of the filters need it.
    dialog.setFont(dialogFont());
    dialog.setWindowTitle(loadMode_ ? QStringLiteral(u"ファイルの選択") : QStringLiteral(u"ファイルの保存"));
    dialog.setAcceptMode(loadMode_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // A name that does not exist is accepted on opening too: the load answers it with its own
    // message and shows the dialog again.
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFilters(kind);
    dialog.setNameFilters(filters);
    // Qt trims the filter texts it is given; the list shows them as the program words them, with
    // the leading blank of the first. Qt filters by the position in the list, not by this text.
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        types != nullptr && types->count() == filters.size())
        for (int i = 0; i < filters.size(); ++i) types->setItemText(i, filters[i]);
    dialog.setDefaultSuffix(QStringLiteral("rkdat"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral(u"ファイルの場所:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral(u"ファイル名(&N):"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral(u"ファイルの種類:"));
    dialog.setLabelText(QFileDialog::Accept,
                        loadMode_ ? QStringLiteral(u"開く(&O)") : QStringLiteral(u"保存(&S)"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral(u"キャンセル"));
}

std::optional<QString> CFileSelectDlg::choosePath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    return files.first();
}

int CFileSelectDlg::whileBusy(const std::function<int()>& fileCall) {
    // Buttons, Close and the cursor come back on every path out of the file call.
    setBusy(true);
    const ScopeExit restore([this] { setBusy(false); });
    const platform::WaitCursor waiting;
    return fileCall();
}

void CFileSelectDlg::setBusy(bool busy) {
    busy_ = busy;
    for (QPushButton* button : {common_, mine_, cancel_}) button->setEnabled(!busy);
}

void CFileSelectDlg::load(int kind) {
    QFileDialog dialog(this);
    prepareFileDialog(dialog, kind);
    std::filesystem::path chosen;
    for (;;) {
        const std::optional<QString> path = choosePath(dialog);
        if (!path) return;
        chosen = toPath(*path);
        std::error_code error;
        if (!std::filesystem::exists(chosen, error)) {
            platform::ui().messageBox(
                {owner(), text::toCp932(" ファイルが見つかりません。再度ファイルを選択して下さい。"),
                 text::toCp932("ファイルの確認"), platform::Buttons::Ok, platform::Icon::Exclamation});
            continue;
        }
        if (!canOpenForReading(chosen)) {
            platform::ui().messageBox({owner(),
                                       text::toCp932("ファイルが読み込めません。\n\n他のアプリケーションで使"
                                                     "用していないか、確認して下さい。"),
                                       text::toCp932("オープンエラー"), platform::Buttons::Ok,
                                       platform::Icon::Exclamation});
            continue;
        }
        break;
    }

    phonebook::setPhonebookFilePath(chosen);
    // The operator's files always have the kana name first.
    phonebook::phonebookFileSettings().unitOrderFlag = 0;
    const int result = whileBusy([kind] { return phonebook::readPhonebookFile(kind); });

    if (result == phonebook::kFileDone) {
        sharedState().phonebookPresent = 1;
    } else if (result == phonebook::kFileNotOpenable) {
        platform::showError(owner(), text::toCp932("\nファイルがありません。\n"));
    } else {
        platform::showError(owner(), text::toCp932("\nファイルデータ取得エラー発生\n"));
    }
}

void CFileSelectDlg::save(int kind) {
    QFileDialog dialog(this);
    prepareFileDialog(dialog, kind);
    const std::optional<QString> path = choosePath(dialog);
    if (!path) return;
    const std::filesystem::path chosen = toPath(*path);

    // A disk whose free space cannot be told is tried all the same: the write reports its own
    // failure and never leaves a half-written file in place of the previous one.
    const std::optional<std::uintmax_t> freeBytes = platform::freeDiskSpace(chosen.parent_path());
    if (freeBytes && *freeBytes < phonebook::saveSpaceEstimate(kind, memoryCountOf(kind))) {
        platform::showError(owner(), text::toCp932("\n空き容量が不足しています。\n"));
        return;
    }

    phonebook::setPhonebookFilePath(chosen);
    phonebook::phonebookFileSettings().unitOrderFlag = 0;
    const int result = whileBusy([kind] { return phonebook::writePhonebookFile(kind); });
    if (result != phonebook::kFileDone)
        platform::showError(owner(), text::toCp932("\nファイルデータ保存エラー発生\n"));
}

} // namespace rk::app
