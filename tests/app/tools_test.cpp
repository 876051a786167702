// The "ツール(T)" menu of the main window and the windows behind it: the history window, the
// compare window and restore, over snapshots kept in a temporary history.
#include "app/compare_dlg.h"
#include "app/diff_table_model.h"
#include "app/history_dlg.h"
#include "app/main_menu_dlg.h"
#include "app/tools_menu.h"
#include "app_test_support.h"
#include "history/safeguards.h"
#include "history/snapshot_store.h"
#include "phonebook/phonebook_file.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QBrush>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <cstring>

using rk::platform::Answer;

namespace rk::apptest {
namespace {

template <typename Control> Control* control(QWidget& window, const char* name) {
    return window.findChild<Control*>(QString::fromLatin1(name));
}

void store(Workspace& workspace, int memory, const char* number, const char* kanji, char group = '1') {
    auto entry = phonebook::EntryText::make(number, "", text::toCp932(kanji), group);
    QVERIFY(phonebook::storeSystemEntry(workspace, memory, entry));
}

// Keeps a snapshot of a workspace's books, `minutes` after a fixed time.
history::Snapshot keep(const std::filesystem::path& root, const std::string& host, Workspace& books,
                       history::Direction direction, int minutes) {
    phonebook::TransferRecord record;
    record.host = host;
    record.direction = direction;
    record.memoryMode = phonebook::memoryMode(books);
    const auto header = books.fileHeaderLine().formatNow();
    record.commonFile = phonebook::formatPhonebookFile(books, phonebook::kCommonPhonebookFile, header, 1);
    record.myFile = phonebook::formatPhonebookFile(books, phonebook::kMyPhonebookFile, header, 0);
    history::Snapshot kept;
    std::string problem;
    const auto time = std::chrono::system_clock::from_time_t(1709600000) + std::chrono::minutes(minutes);
    if (history::SnapshotStore(root).keep(record, time, kept, problem) != history::kSnapshotKept)
        qWarning("%s", problem.c_str());
    return kept;
}

QString minuteOf(const history::Snapshot& snapshot) {
    return QString::fromStdString(snapshot.info.time.substr(0, 16));
}

QStringList rowsOf(const QTreeWidget& list) {
    QStringList rows;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.columnCount(); ++column)
            cells << list.topLevelItem(row)->text(column);
        rows << cells.join(u'|');
    }
    return rows;
}

// The compare window's table, beside the history window's tree above.
using apptest::rowsOf;

// What a compare window showed when it opened; it is closed then.
struct CompareSeen {
    bool opened = false;
    QString heading;
    QString summary;
    QStringList rows;
};

void closeCompareWhenItOpens(CompareSeen& seen) {
    whenModalOpens([&seen](QWidget* modal) {
        auto* window = qobject_cast<app::CCompareDlg*>(modal);
        if (window == nullptr) return;
        seen = {true, control<QLabel>(*window, "heading")->text(),
                control<QLabel>(*window, "summary")->text(), rowsOf(window->model())};
        window->accept();
    });
}

QStringList focusOrder(QWidget& window) {
    QStringList order;
    QWidget* widget = &window;
    do {
        widget = widget->nextInFocusChain();
        if (widget != &window && (widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isEnabled() &&
            !widget->objectName().isEmpty())
            order << widget->objectName();
    } while (widget != &window && order.size() < 20);
    return order;
}

} // namespace

class ToolsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing::TempDir> history_;

    std::filesystem::path root() const { return history_->path() / "history"; }

    // The history of two main units: "PBX-Honsha" typed with capitals, read in 600 memories and
    // written in 990, then "10.0.0.5" read once, later than both.
    std::vector<history::Snapshot> twoUnits() {
        Workspace books;
        store(books, 0, "0312345678", "山田");
        store(books, 5, "09011112222", "鈴木", '2');
        const history::Snapshot read = keep(root(), "PBX-Honsha", books, history::Direction::Read, 0);
        phonebook::setMemoryMode(books, 2);
        store(books, 5, "09011113333", "鈴木", '2');
        store(books, 950, "0451112222", "横浜");
        const history::Snapshot written = keep(root(), "PBX-Honsha", books, history::Direction::Write, 30);
        Workspace other;
        store(other, 1, "117", "時報");
        const history::Snapshot later = keep(root(), "10.0.0.5", other, history::Direction::Read, 60);
        return {read, written, later};
    }

private slots:
    void init() {
        startHarness();
        history_ = std::make_unique<testing::TempDir>();
        QSettings(QStringLiteral("rkdial"), QStringLiteral("rkdial")).clear();
    }
    void cleanup() {
        history_.reset();
        finishHarness();
    }

    void menuHoldsTheToolsAboveTheCheckMarksWhichAreKept() {
        {
            app::CMainMenuDlg window(harness().application);
            window.show();
            QMenu* menu = window.tools().menu();
            QCOMPARE(window.findChild<QMenuBar*>(QStringLiteral("menuBar"))->actions(),
                     QList<QAction*>{menu->menuAction()});
            QCOMPARE(menu->title(), QStringLiteral(u"ツール(&T)"));
            // The tools above the check marks, in the order added.
            QStringList texts;
            for (QAction* action : menu->actions())
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text()) +
                             (action->isCheckable() ? (action->isChecked() ? "[x]" : "[ ]") : "");
            QCOMPARE(texts,
                     (QStringList{QStringLiteral(u"履歴と比較(&H)…"), QStringLiteral(u"連絡先の取込(&I)…"),
                                  QStringLiteral("-"), QStringLiteral(u"書込前に変更内容を確認(&P)[x]"),
                                  QStringLiteral(u"書込後に読み戻して確認(&V)[ ]")}));

            // Reached from the keyboard.
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::keyClick(&window, Qt::Key_T, Qt::AltModifier);
            QTRY_VERIFY(menu->isVisible());
            QTest::keyClick(menu, Qt::Key_Escape);
            QTRY_VERIFY(!menu->isVisible());

            window.tools().previewAction()->trigger();
            window.tools().verifyAction()->trigger();
            QTest::mouseClick(control<QRadioButton>(window, "id2565"), Qt::LeftButton);
            QTest::mouseClick(control<QRadioButton>(window, "id2570"), Qt::LeftButton);
        }
        const QSettings kept(QStringLiteral("rkdial"), QStringLiteral("rkdial"));
        QCOMPARE(kept.value(QString::fromLatin1(app::ToolsMenu::kPreviewKey)).toBool(), false);
        QCOMPARE(kept.value(QString::fromLatin1(app::ToolsMenu::kVerifyKey)).toBool(), true);

        // The next run: the check marks as they were left, the documents' options at their defaults.
        startHarness();
        app::CMainMenuDlg window(harness().application);
        QVERIFY(!window.tools().previewBeforeWrite());
        QVERIFY(window.tools().verifyAfterWrite());
        QVERIFY(control<QRadioButton>(window, "id2564")->isChecked());
        QVERIFY(control<QRadioButton>(window, "id2569")->isChecked());
    }

    void historyWindowListsTheUnitsAndComparesSnapshots() {
        testing::RecordingUi recorder(uiSwitch());
        const std::vector<history::Snapshot> kept = twoUnits();
        store(ws(), 0, "0312345678", "山田太郎");
        app::CHistoryDlg window(ws(), seam(), root());
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral(u"履歴と比較"));

        // The unit used last first, each as typed; its snapshots newest first.
        auto* units = control<QListWidget>(window, "units");
        QCOMPARE(units->count(), 2);
        QCOMPARE(units->item(0)->text(), QStringLiteral("10.0.0.5"));
        QCOMPARE(units->item(1)->text(), QStringLiteral("PBX-Honsha"));
        units->setCurrentRow(1);
        auto* snapshots = control<QTreeWidget>(window, "snapshots");
        const QString readTime = QString::fromStdString(kept[0].info.time.substr(0, 19));
        const QString writeTime = QString::fromStdString(kept[1].info.time.substr(0, 19));
        QCOMPARE(rowsOf(*snapshots),
                 (QStringList{QStringLiteral(u"%1|書込|990メモリー|3 / 990|0 / 1000").arg(writeTime),
                              QStringLiteral(u"%1|読込|600メモリー|2 / 600|0 / 2000").arg(readTime)}));
        QStringList order = focusOrder(window);
        QCOMPARE(order, (QStringList{"units", "snapshots", "compare", "restore", "openFolder", "close"}));

        // Two chosen: the older against the newer, in the newer's count; restore wants one.
        snapshots->selectAll();
        QVERIFY(!control<QPushButton>(window, "restore")->isEnabled());
        CompareSeen seen;
        closeCompareWhenItOpens(seen);
        QTest::mouseClick(control<QPushButton>(window, "compare"), Qt::LeftButton);
        QVERIFY(seen.opened);
        QCOMPARE(seen.heading,
                 QStringLiteral(u"%1 の読込と%2 の書込の比較").arg(minuteOf(kept[0]), minuteOf(kept[1])));
        QCOMPARE(seen.summary, QStringLiteral(u"追加 1・変更 1・削除 0"));
        QCOMPARE(seen.rows,
                 (QStringList{QStringLiteral(u"変更|共通電話帳||005|電話番号|09011112222|09011113333"),
                              QStringLiteral(u"追加|共通電話帳||950|電話番号||0451112222"),
                              QStringLiteral(u"追加|共通電話帳||950|漢字名称||横浜"),
                              QStringLiteral(u"追加|共通電話帳||950|グループ番号||1")}));

        // One chosen: against the current phonebook, in the count it is held in.
        snapshots->clearSelection();
        snapshots->topLevelItem(1)->setSelected(true);
        closeCompareWhenItOpens(seen);
        QTest::mouseClick(control<QPushButton>(window, "compare"), Qt::LeftButton);
        QCOMPARE(seen.heading, QStringLiteral(u"%1 の読込と現在の電話帳の比較").arg(minuteOf(kept[0])));
        QCOMPARE(seen.summary, QStringLiteral(u"追加 0・変更 1・削除 1"));

        QTest::mouseClick(control<QPushButton>(window, "openFolder"), Qt::LeftButton);
        QCOMPARE(recorder.folders(), std::vector<std::string>{kept[0].folder.parent_path().string()});
        QVERIFY(recorder.boxes().empty());
    }

    void restoreAsksFirstAndTheMainWindowFollowsTheCount() {
        testing::RecordingUi recorder(uiSwitch());
        const std::vector<history::Snapshot> kept = twoUnits();
        store(ws(), 7, "0120000000", "消える");
        flags().phonebookPresent = 0;
        const auto before = img().workingCopy;
        app::CMainMenuDlg window(harness().application);
        window.snapshots().setFolder(root());
        window.show();

        bool opened = false;
        whenModalOpens([&](QWidget* modal) {
            auto* history = qobject_cast<app::CHistoryDlg*>(modal);
            if (history == nullptr) return;
            opened = true;
            control<QListWidget>(*history, "units")->setCurrentRow(1);
            auto* snapshots = control<QTreeWidget>(*history, "snapshots");
            snapshots->clearSelection();
            snapshots->topLevelItem(0)->setSelected(true); // the write in 990 memories
            recorder.answer(Answer::Cancel);
            QTest::mouseClick(control<QPushButton>(*history, "restore"), Qt::LeftButton);
            QVERIFY(std::memcmp(&before, &img().workingCopy, sizeof before) == 0);
            recorder.answer(Answer::Ok);
            QTest::mouseClick(control<QPushButton>(*history, "restore"), Qt::LeftButton);
            history->accept();
        });
        window.tools().menu()->actions().first()->trigger();
        QVERIFY(opened);

        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{2});
        QCOMPARE(bytesOf(boxes[0].text),
                 bytesOf(text::toCp932(
                     QStringLiteral(u"\n%1 の書込の電話帳を復元します。\n追加 3・変更 0・削除 1\n"
                                    u"システム短縮ダイヤルのメモリー数は990メモリーになります。\n"
                                    u"主装置へは「電話帳データの書込」で書き込みます。\n")
                         .arg(minuteOf(kept[1]))
                         .toStdString())));
        QCOMPARE(bytesOf(boxes[0].caption), bytesOf(text::toCp932("復元の確認")));
        QCOMPARE(boxes[0].buttons, platform::Buttons::OkCancel);
        QCOMPARE(boxes[0].icon, platform::Icon::Question);
        // The snapshot is the working copy now, in its count, and the window shows that count.
        QCOMPARE(img().memoryMode, std::uint8_t{2});
        phonebook::EntryText entry;
        QVERIFY(phonebook::loadSystemEntry(ws(), 950, entry));
        QCOMPARE(entry.numberText(), std::string("0451112222"));
        QVERIFY(phonebook::loadSystemEntry(ws(), 7, entry));
        QCOMPARE(entry.numberText(), std::string());
        QVERIFY(std::memcmp(&img().workingCopy, &img().backupCopy, sizeof before) == 0);
        QCOMPARE(flags().phonebookPresent, 1);
        QVERIFY(control<QRadioButton>(window, "id2570")->isChecked());
        QCOMPARE(window.memorySelection(), 2);
    }

    void compareWindowMarksFiltersAndAsks() {
        Workspace before;
        Workspace after;
        store(before, 3, "0311112222", "旧");
        store(after, 4, "0322223333", "新");
        auto extension = phonebook::EntryText::make("200", "", text::toCp932("総務"));
        QVERIFY(phonebook::storeTelephoneEntry(before, 150, 985, extension));
        extension = phonebook::EntryText::make("201", "", text::toCp932("総務"));
        QVERIFY(phonebook::storeTelephoneEntry(after, 150, 985, extension));
        const history::PhonebookDiff diff = history::comparePhonebooks(
            history::workingCopySide(before, 600), history::workingCopySide(after, 600), 600);

        app::CCompareDlg window(diff, QStringLiteral(u"見出し"), app::CCompareDlg::Purpose::BeforeWrite);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral(u"変更内容"));
        app::DiffTableModel& model = window.model();
        // Memory 003 cleared and 004 added, each with the fields it has; one number changed.
        QCOMPARE(model.rowCount(), 7);
        const auto colour = [&model](int row) {
            return model.data(model.index(row, 0), Qt::BackgroundRole).value<QBrush>().color();
        };
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral(u"削除"));
        QCOMPARE(colour(0), app::DiffTableModel::colourOf(history::Change::Cleared));
        QCOMPARE(model.data(model.index(3, 0), Qt::DisplayRole).toString(), QStringLiteral(u"追加"));
        QCOMPARE(colour(3), app::DiffTableModel::colourOf(history::Change::Added));
        QCOMPARE(colour(6), app::DiffTableModel::colourOf(history::Change::Changed));
        // Green, red and amber, told apart by their hue.
        QVERIFY(colour(3).green() > colour(3).red() && colour(0).red() > colour(0).green() &&
                colour(6).red() > colour(6).green() && colour(6).green() > colour(6).blue());

        auto* filter = control<QComboBox>(window, "filter");
        QStringList choices;
        for (int i = 0; i < filter->count(); ++i) choices << filter->itemText(i);
        QCOMPARE(choices, (QStringList{QStringLiteral(u"すべて"), QStringLiteral(u"共通電話帳"),
                                       QStringLiteral(u"マイ電話帳 収容位置150")}));
        filter->setCurrentIndex(2);
        QCOMPARE(rowsOf(model), QStringList{QStringLiteral(u"変更|マイ電話帳|150|985|電話番号|200|201")});
        filter->setCurrentIndex(1);
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(focusOrder(window), (QStringList{"filter", "differences", "proceed", "stop"}));

        // Escape is "中止".
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }
};

int runToolsTests(int argc, char** argv) {
    ToolsTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "tools_test.moc"
