#include "app/file_select_dlg.h"

#include "app/dialog_layout.h"
#include "app/gui_edit_lock.h"
#include "app/load_result_dlg.h"
#include "image/data_image.h"
#include "phonebook/load_report.h"
#include "phonebook/phonebook_file.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>

#include <filesystem>
#include <memory>
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

} // namespace

CFileSelectDlg::CFileSelectDlg(FileOperation operation, Workspace& workspace, const platform::Seam& seam,
                               QWidget* parent)
    : QDialog(parent), workspace_(workspace), seam_(seam), loadMode_(operation == FileOperation::Load) {
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
    QFileDialog dialog(this);
    prepareFileDialog(dialog, kind);
    const phonebook::FileChooser choose = [this, &dialog] { return choosePath(dialog); };
    const phonebook::StepRunner busy = [this](const phonebook::PhonebookStep& step) {
        return whileBusy(step);
    };
    if (loadMode_)
        loadWithReport(kind, choose, busy);
    else
        phonebook::savePhonebookToFile(workspace_, seam_, owner(), kind, choose, busy);
    pressed->setFocus();
}

void CFileSelectDlg::loadWithReport(int kind, const phonebook::FileChooser& choose,
                                    const phonebook::StepRunner& busy) {
    // The working copy as it was before the load is the report's reference: what the file moved,
    // lost or emptied shows against it. Taken once the file is chosen, the moment before the load.
    const auto reference = std::make_unique<Workspace>();
    const phonebook::FileChooser chooseAndKeep = [&]() -> std::optional<std::filesystem::path> {
        std::optional<std::filesystem::path> chosen = choose();
        if (chosen)
            guiRunner(workspace_, nullptr)([&] {
                reference->image().workingCopy = workspace_.image().workingCopy;
                reference->image().memoryMode = workspace_.image().memoryMode;
                return 0;
            });
        return chosen;
    };
    phonebook::LoadReport report(workspace_, kind);
    const phonebook::FileStepResult result =
        phonebook::loadPhonebookFromFile(workspace_, seam_.ui, owner(), kind, chooseAndKeep, busy, &report);
    if (result == phonebook::FileStepResult::Cancelled) return;
    guiRunner(workspace_, this)([&] {
        report.finish();
        report.compareWith(*reference);
        return 0;
    });
    // After the load's own messages; a load that did exactly what the file says shows nothing more.
    if (report.empty()) return;
    CLoadResultDlg window(report.findings(), report.summary(), seam_, this);
    window.exec();
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

std::optional<std::filesystem::path> CFileSelectDlg::choosePath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    return toPath(files.first());
}

int CFileSelectDlg::whileBusy(const phonebook::PhonebookStep& fileCall) {
    // Buttons, Close and the cursor come back on every path out of the file call.
    setBusy(true);
    const ScopeExit restore([this] { setBusy(false); });
    const platform::WaitCursor waiting(seam_.ui);
    return guiRunner(workspace_, nullptr)(fileCall);
}

void CFileSelectDlg::setBusy(bool busy) {
    busy_ = busy;
    for (QPushButton* button : {common_, mine_, cancel_}) button->setEnabled(!busy);
}

} // namespace rk::app
