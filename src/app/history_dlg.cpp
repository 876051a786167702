#include "app/history_dlg.h"

#include "app/compare_dlg.h"
#include "app/dialog_layout.h"
#include "app/diff_table_model.h"
#include "app/gui_edit_lock.h"
#include "history/safeguards.h"
#include "platform/text.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <optional>

namespace rk::app {
namespace {

QString fromCp932(const std::string& bytes) {
    return QString::fromStdString(text::cp932ToUtf8(bytes));
}

std::string toCp932(const QString& text) {
    return text::toCp932(text.toStdString());
}

int modeOf(int memoryCount) {
    return memoryCount == 990 ? 2 : 1;
}

} // namespace

CHistoryDlg::CHistoryDlg(Workspace& workspace, const platform::Seam& seam,
                         std::filesystem::path historyFolder, QWidget* parent)
    : QDialog(parent), workspace_(workspace), seam_(seam), folder_(std::move(historyFolder)) {
    setWindowTitle(QStringLiteral(u"履歴と比較"));
    setFont(dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    const QFontMetrics metrics(font());
    const int em = metrics.horizontalAdvance(QLatin1Char('M'));

    auto* lists = new QHBoxLayout;
    auto* unitColumn = new QVBoxLayout;
    auto* unitLabel = new QLabel(QStringLiteral(u"主装置(&U)"), this);
    unitList_ = new QListWidget(this);
    unitList_->setObjectName(QStringLiteral("units"));
    unitLabel->setBuddy(unitList_);
    unitList_->setMaximumWidth(em * 18);
    unitColumn->addWidget(unitLabel);
    unitColumn->addWidget(unitList_);
    lists->addLayout(unitColumn);

    auto* snapshotColumn = new QVBoxLayout;
    auto* snapshotLabel = new QLabel(
        QStringLiteral(u"記録(&S)：新しい順（二つ選ぶと互いを、一つ選ぶと現在の電話帳と比較）"), this);
    snapshotList_ = new QTreeWidget(this);
    snapshotList_->setObjectName(QStringLiteral("snapshots"));
    snapshotLabel->setBuddy(snapshotList_);
    snapshotList_->setRootIsDecorated(false);
    snapshotList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    snapshotList_->setHeaderLabels({QStringLiteral(u"日時"), QStringLiteral(u"種別"),
                                    QStringLiteral(u"メモリー数"), QStringLiteral(u"共通電話帳 使用中"),
                                    QStringLiteral(u"マイ電話帳 使用中")});
    snapshotColumn->addWidget(snapshotLabel);
    snapshotColumn->addWidget(snapshotList_);
    lists->addLayout(snapshotColumn, 1);

    auto* buttons = new QHBoxLayout;
    compare_ = new QPushButton(QStringLiteral(u"比較"), this);
    compare_->setObjectName(QStringLiteral("compare"));
    restore_ = new QPushButton(QStringLiteral(u"復元"), this);
    restore_->setObjectName(QStringLiteral("restore"));
    openFolder_ = new QPushButton(QStringLiteral(u"フォルダを開く"), this);
    openFolder_->setObjectName(QStringLiteral("openFolder"));
    auto* close = new QPushButton(QStringLiteral(u"閉じる"), this);
    close->setObjectName(QStringLiteral("close"));
    for (QPushButton* button : {compare_, restore_, openFolder_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);

    connect(unitList_, &QListWidget::currentRowChanged, this, &CHistoryDlg::onUnitChosen);
    connect(snapshotList_, &QTreeWidget::itemSelectionChanged, this, &CHistoryDlg::onSelectionChanged);
    connect(compare_, &QPushButton::clicked, this, &CHistoryDlg::onCompare);
    connect(restore_, &QPushButton::clicked, this, &CHistoryDlg::onRestore);
    connect(openFolder_, &QPushButton::clicked, this, &CHistoryDlg::onOpenFolder);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    loadUnits();
    if (!units_.empty()) unitList_->setCurrentRow(0);
    onUnitChosen();
    unitList_->setFocus();
    resize(em * 64, metrics.height() * 22);
}

QString CHistoryDlg::snapshotName(const history::SnapshotInfo& info) {
    // "2024-03-05 16:09:12 +0900": to the minute.
    return QStringLiteral(u"%1 の%2")
        .arg(QString::fromStdString(info.time.substr(0, 16)),
             info.direction == history::Direction::Read ? QStringLiteral(u"読込") : QStringLiteral(u"書込"));
}

void CHistoryDlg::loadUnits() {
    // Grouped by the folder they are kept in: the one a host text names, whatever its case.
    std::map<std::filesystem::path, Unit> byFolder;
    for (history::Snapshot& snapshot : history::SnapshotStore(folder_).list({})) {
        Unit& unit = byFolder[snapshot.folder.parent_path()];
        if (unit.snapshots.empty()) {
            unit.host = snapshot.info.host;
            unit.folder = snapshot.folder.parent_path();
        }
        unit.snapshots.push_back(std::move(snapshot));
    }
    for (auto& [folder, unit] : byFolder) units_.push_back(std::move(unit));
    // The unit used last comes first.
    std::sort(units_.begin(), units_.end(), [](const Unit& a, const Unit& b) {
        return a.snapshots.front().stamp > b.snapshots.front().stamp;
    });
    for (const Unit& unit : units_) unitList_->addItem(fromCp932(unit.host));
}

const CHistoryDlg::Unit* CHistoryDlg::currentUnit() const {
    const int row = unitList_->currentRow();
    if (row < 0 || row >= static_cast<int>(units_.size())) return nullptr;
    return &units_[static_cast<std::size_t>(row)];
}

void CHistoryDlg::onUnitChosen() {
    snapshotList_->clear();
    const Unit* unit = currentUnit();
    if (unit != nullptr) {
        for (const history::Snapshot& snapshot : unit->snapshots) {
            const history::SnapshotInfo& info = snapshot.info;
            auto* item = new QTreeWidgetItem(
                snapshotList_, {QString::fromStdString(info.time.substr(0, 19)),
                                info.direction == history::Direction::Read ? QStringLiteral(u"読込")
                                                                           : QStringLiteral(u"書込"),
                                QStringLiteral(u"%1メモリー").arg(info.memoryCount),
                                QStringLiteral("%1 / %2").arg(info.commonInUse).arg(info.memoryCount),
                                QStringLiteral("%1 / %2").arg(info.myInUse).arg(info.myMemoryCount())});
            static_cast<void>(item);
        }
        if (snapshotList_->topLevelItemCount() > 0)
            snapshotList_->setCurrentItem(snapshotList_->topLevelItem(0));
        // At most the newest hundred: measured at once.
        for (int column = 0; column < snapshotList_->columnCount(); ++column)
            snapshotList_->resizeColumnToContents(column);
    }
    openFolder_->setEnabled(unit != nullptr);
    onSelectionChanged();
}

std::vector<const history::Snapshot*> CHistoryDlg::chosenSnapshots() const {
    std::vector<const history::Snapshot*> chosen;
    const Unit* unit = currentUnit();
    if (unit == nullptr) return chosen;
    // The list is newest first; the comparison wants the older one first.
    for (int row = snapshotList_->topLevelItemCount() - 1; row >= 0; --row)
        if (snapshotList_->topLevelItem(row)->isSelected())
            chosen.push_back(&unit->snapshots[static_cast<std::size_t>(row)]);
    return chosen;
}

void CHistoryDlg::onSelectionChanged() {
    const std::size_t chosen = chosenSnapshots().size();
    compare_->setEnabled(chosen == 1 || chosen == 2);
    restore_->setEnabled(chosen == 1);
}

platform::Owner CHistoryDlg::owner() {
    return {this, "CHistoryDlg"};
}

void CHistoryDlg::reportUnreadable() {
    platform::showError(seam_.ui, owner(), text::toCp932("\n履歴の記録が読み込めません。\n"));
}

void CHistoryDlg::onCompare() {
    const std::vector<const history::Snapshot*> chosen = chosenSnapshots();
    if (chosen.empty() || chosen.size() > 2) return;
    const std::optional<history::PhonebookSide> before = history::snapshotSide(*chosen.front());
    std::optional<history::PhonebookSide> after;
    int memoryCount = 600;
    QString heading;
    if (chosen.size() == 2) {
        after = history::snapshotSide(*chosen.back());
        memoryCount = chosen.back()->info.memoryCount;
        heading = QStringLiteral(u"%1と%2の比較")
                      .arg(snapshotName(chosen.front()->info), snapshotName(chosen.back()->info));
    } else {
        // The working copy as it is laid out now.
        guiRunner(workspace_, this)([&] {
            memoryCount = history::memoryCountOf(workspace_);
            after = history::workingCopySide(workspace_, memoryCount);
            return 0;
        });
        heading = QStringLiteral(u"%1と現在の電話帳の比較").arg(snapshotName(chosen.front()->info));
    }
    if (!before || !after) {
        reportUnreadable();
        return;
    }
    CCompareDlg window(history::comparePhonebooks(*before, *after, memoryCount), heading,
                       CCompareDlg::Purpose::Show, this);
    window.exec();
}

void CHistoryDlg::onRestore() {
    const std::vector<const history::Snapshot*> chosen = chosenSnapshots();
    if (chosen.size() != 1) return;
    const history::Snapshot& snapshot = *chosen.front();
    const std::optional<history::PhonebookSide> books = history::snapshotSide(snapshot);
    if (!books) {
        reportUnreadable();
        return;
    }
    const int memoryCount = snapshot.info.memoryCount;
    history::PhonebookDiff changes;
    int heldCount = 600;
    guiRunner(workspace_, this)([&] {
        changes = history::restoreChanges(workspace_, *books, memoryCount);
        heldCount = history::memoryCountOf(workspace_);
        return 0;
    });
    QString question =
        QStringLiteral(u"\n%1の電話帳を復元します。\n%2\n")
            .arg(snapshotName(snapshot.info),
                 changes.equal() ? QStringLiteral(u"変更はありません") : DiffTableModel::summaryOf(changes));
    if (heldCount != memoryCount)
        question +=
            QStringLiteral(u"システム短縮ダイヤルのメモリー数は%1メモリーになります。\n").arg(memoryCount);
    question += QStringLiteral(u"主装置へは「電話帳データの書込」で書き込みます。\n");
    if (platform::askQuestion(seam_.ui, owner(), toCp932(question), text::toCp932("復元の確認"),
                              platform::Buttons::OkCancel) != platform::Answer::Ok)
        return;
    guiRunner(workspace_, this)([&] {
        history::restoreBooks(workspace_, *books, memoryCount);
        return 0;
    });
    emit restored(modeOf(memoryCount));
}

void CHistoryDlg::onOpenFolder() {
    const Unit* unit = currentUnit();
    if (unit == nullptr) return;
    if (!seam_.ui.openFolder(unit->folder.string()))
        platform::showError(seam_.ui, owner(), text::toCp932("\nフォルダを開けませんでした。\n"));
}

} // namespace rk::app
