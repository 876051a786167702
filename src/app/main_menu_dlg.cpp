#include "app/main_menu_dlg.h"

#include "app/dialog_layout.h"
#include "app/history_dlg.h"
#include "app/import_dlg.h"
#include "app/menu_select_dlg.h"
#include "app/speed_dial_app.h"
#include "app/tools_menu.h"
#include "app/transfer_procedures.h"
#include "image/data_image.h"
#include "link/device_session.h"
#include "link/phonebook_procedures.h"
#include "phonebook/edit_steps.h"
#include "platform/text.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace rk::app {
namespace {

QPushButton* addButton(QWidget& parent, const DialogUnits& units, int id, const QString& caption, int x,
                       int y, int width, int height) {
    auto* button = new QPushButton(caption, &parent);
    placeControl(*button, id, units, x, y, width, height);
    return button;
}

QRadioButton* addRadio(QWidget& parent, const DialogUnits& units, int id, const QString& caption, int x,
                       int y, int width, int height) {
    auto* radio = new QRadioButton(caption, &parent);
    placeControl(*radio, id, units, x, y, width, height);
    return radio;
}

// A frame drawn behind its radio buttons: the buttons stay children of the window, so the two
// groups are tied together only by their button groups.
void addFrame(QWidget& parent, const DialogUnits& units, const char* name, const QString& caption, int x,
              int y, int width, int height) {
    auto* frame = new QGroupBox(caption, &parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(units.rect(x, y, width, height));
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->lower();
}

} // namespace

CMainMenuDlg::CMainMenuDlg(CSpeedDialApp& application, QWidget* parent)
    : QDialog(parent), application_(application),
      memorySelection_(application.workspace().image().memoryMode), snapshots_(application.seam().clock) {
    createControls();
    initialiseDialog();
}

CMainMenuDlg::~CMainMenuDlg() = default;

void CMainMenuDlg::createControls() {
    const DialogUnits units = prepareFixedDialog(*this, 195, 246);
    setWindowTitle(QStringLiteral(u"パソコン短縮設定用プログラム（Rk3/L）"));

    // Created in tab order.
    QPushButton* read = addButton(*this, units, 1134, QStringLiteral(u"電話帳データの読込"), 12, 15, 80, 40);
    QPushButton* write =
        addButton(*this, units, 1135, QStringLiteral(u"電話帳データの書込"), 103, 15, 80, 40);
    QPushButton* edit = addButton(*this, units, 1010, QStringLiteral(u"電話帳データの編集"), 12, 68, 80, 40);
    QPushButton* exit = addButton(*this, units, 1133, QStringLiteral(u"終了"), 135, 218, 49, 19);

    auto* version = new QLabel(QStringLiteral(u"バージョン： "), this);
    placeControl(*version, 2503, units, 12, 217, 97, 11);
    auto* unitVersions = new QLabel(QStringLiteral(u"対応主装置版数："), this);
    // 2 units wider than designed: IPA P Gothic sets the full text a little wider.
    placeControl(*unitVersions, 2504, units, 12, 229, 102, 9);
    for (QLabel* label : {version, unitVersions}) label->setTextFormat(Qt::PlainText);

    duplicatesAllowed_ = addRadio(
        *this, units, 2564, QStringLiteral(u"「あり」：重複登録可（重複チェック無効）"), 24, 136, 137, 11);
    duplicatesRefused_ = addRadio(
        *this, units, 2565, QStringLiteral(u"「なし」：重複登録不可（重複チェック有効）"), 24, 153, 137, 11);
    addFrame(*this, units, "groupDuplicate", QStringLiteral(u"電話帳電話番号重複登録設定"), 12, 120, 155, 53);
    // 48 units instead of 46 and 47: the radio indicators of Qt's styles take more room than the
    // designed ones; the two buttons still leave a gap between them.
    memories600_ = addRadio(*this, units, 2569, QStringLiteral(u"600メモリー"), 22, 192, 48, 11);
    memories990_ = addRadio(*this, units, 2570, QStringLiteral(u"990メモリー"), 72, 192, 48, 11);
    addFrame(*this, units, "groupMemory", QStringLiteral(u"*120 システム短縮ダイヤルのメモリー数"), 12, 179,
             155, 30);

    // All four radio buttons share one parent; the button groups keep the two choices apart.
    duplicateGroup_ = new QButtonGroup(this);
    duplicateGroup_->addButton(duplicatesAllowed_);
    duplicateGroup_->addButton(duplicatesRefused_);
    memoryGroup_ = new QButtonGroup(this);
    memoryGroup_->addButton(memories600_);
    memoryGroup_->addButton(memories990_);

    setTabOrder(read, write);
    setTabOrder(write, edit);
    setTabOrder(edit, exit);
    setTabOrder(exit, duplicatesAllowed_);
    setTabOrder(duplicatesAllowed_, duplicatesRefused_);
    setTabOrder(duplicatesRefused_, memories600_);
    setTabOrder(memories600_, memories990_);

    connect(read, &QPushButton::clicked, this, &CMainMenuDlg::onReadPhonebook);
    connect(write, &QPushButton::clicked, this, &CMainMenuDlg::onWritePhonebook);
    connect(edit, &QPushButton::clicked, this, &CMainMenuDlg::onEditPhonebook);
    connect(exit, &QPushButton::clicked, this, &CMainMenuDlg::onExit);
    // Clicks only: checking a button from code (initialisation) stores nothing.
    connect(duplicatesAllowed_, &QRadioButton::clicked, this, &CMainMenuDlg::onDuplicatesAllowed);
    connect(duplicatesRefused_, &QRadioButton::clicked, this, &CMainMenuDlg::onDuplicatesRefused);
    connect(memories600_, &QRadioButton::clicked, this, &CMainMenuDlg::onMemories600);
    connect(memories990_, &QRadioButton::clicked, this, &CMainMenuDlg::onMemories990);

    // The tools beyond the documents, above their controls: the window grows by the bar only.
    tools_ = new ToolsMenu(*this);
    tools_->addTool(QStringLiteral(u"履歴と比較(&H)…"), [this] { onHistory(); });
    tools_->addTool(QStringLiteral(u"連絡先の取込(&I)…"), [this] {
        runProcedure([this] { openContactImport(*this, application_.workspace(), application_.seam()); });
    });
    addMenuBarAbove(*this, *tools_->bar());
}

void CMainMenuDlg::initialiseDialog() {
    findChild<QLabel*>(QStringLiteral("id2503"))
        ->setText(QStringLiteral(u"バージョン： \tVer ") + QString::fromLatin1(RKDIAL_VERSION));
    findChild<QLabel*>(QStringLiteral("id2504"))
        ->setText(QStringLiteral(u"対応主装置版数：「4-X」～「11-X」"));

    link::DeviceSession& session = application_.ensureDeviceSession();
    procedures_ = std::make_unique<link::PhonebookProcedures>(application_.workspace(), session);
    // The silent history of every completed transfer; the windows say nothing about it.
    snapshots_.setFolder(application_.historyFolder());
    procedures_->setTransferLog(&snapshots_);

    const Workspace& workspace = application_.workspace();
    (workspace.flags().dupCheckEnabled != 0 ? duplicatesRefused_ : duplicatesAllowed_)->setChecked(true);
    (workspace.image().memoryMode == 1 ? memories600_ : memories990_)->setChecked(true);
}

platform::Owner CMainMenuDlg::owner() {
    return {this, "CMainMenuDlg"};
}

bool CMainMenuDlg::confirmExit() {
    const platform::Answer answer =
        platform::askQuestion(application_.seam().ui, owner(),
                              text::toCp932("　パソコン短縮設定用プログラム（Rk3/L）を終了しますか？"),
                              text::toCp932("終了確認"), platform::Buttons::YesNo);
    return answer != platform::Answer::No;
}

void CMainMenuDlg::onExit() {
    if (!confirmExit()) return;
    ending_ = true;
    done(Accepted);
}

void CMainMenuDlg::reject() {
    if (procedureRunning_) return; // a transfer is under way; the window stays
    if (!ending_) {
        if (!confirmExit()) return;
        ending_ = true;
    }
    QDialog::reject();
}

void CMainMenuDlg::closeEvent(QCloseEvent* event) {
    if (ending_) {
        // The window is already ending after a confirmed request.
        event->accept();
        return;
    }
    if (procedureRunning_) {
        event->ignore();
        return;
    }
    // Asks through reject(); the event is ignored when the window stays.
    QDialog::closeEvent(event);
}

template <typename Procedure> void CMainMenuDlg::runProcedure(Procedure procedure) {
    // One procedure at a time: the progress windows keep the event loop running, so a click
    // queued before the window was disabled must not start a second one.
    if (procedureRunning_) return;
    procedureRunning_ = true;
    procedure();
    procedureRunning_ = false;
}

void CMainMenuDlg::onReadPhonebook() {
    runProcedure([this] { readPhonebookProcedure(*this, *procedures_, memorySelection_); });
}

void CMainMenuDlg::onWritePhonebook() {
    runProcedure([this] {
        const WriteChecks checks{tools_->previewBeforeWrite(), tools_->verifyAfterWrite(),
                                 snapshots_.folder(), &snapshots_};
        writePhonebookProcedure(*this, *procedures_, memorySelection_, checks);
    });
}

void CMainMenuDlg::onHistory() {
    runProcedure([this] {
        CHistoryDlg window(application_.workspace(), application_.seam(), snapshots_.folder(), this);
        connect(&window, &CHistoryDlg::restored, this, &CMainMenuDlg::followMemoryMode);
        window.exec();
    });
}

void CMainMenuDlg::followMemoryMode() {
    memorySelection_ = application_.workspace().image().memoryMode == 2 ? 2 : 1;
    (memorySelection_ == 1 ? memories600_ : memories990_)->setChecked(true);
}

void CMainMenuDlg::onEditPhonebook() {
    runProcedure([this] {
        if (!phonebook::applyEditMemoryCount(application_.workspace(), application_.seam().ui, owner(),
                                             memorySelection_))
            return;
        CMenuSelectDlg menu(application_.workspace(), application_.seam(), this);
        menu.exec();
    });
}

void CMainMenuDlg::onDuplicatesAllowed() {
    application_.workspace().flags().dupCheckEnabled = 0;
}

void CMainMenuDlg::onDuplicatesRefused() {
    application_.workspace().flags().dupCheckEnabled = 1;
}

void CMainMenuDlg::onMemories600() {
    memorySelection_ = 1;
}

void CMainMenuDlg::onMemories990() {
    memorySelection_ = 2;
}

} // namespace rk::app
