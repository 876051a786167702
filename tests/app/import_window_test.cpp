// "ツール(T)" → "連絡先の取込(I)…": the file dialog, the contact import window over a small
// hand-written vCard (a made reading, a number from abroad's form, an invalid number), the
// operator's choices and edits, and "電話帳へ反映" into the working copy with its compare window.
#include "app/compare_dlg.h"
#include "app/diff_table_model.h"
#include "app/import_dlg.h"
#include "app/main_menu_dlg.h"
#include "app/tools_menu.h"
#include "app_test_support.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstring>
#include <fstream>

using rk::platform::Answer;

namespace rk::apptest {
namespace {

template <typename Control> Control* control(QWidget& window, const char* name) {
    return window.findChild<Control*>(QString::fromLatin1(name));
}

QString cell(QTableView& table, int row, int column) {
    return table.model()->data(table.model()->index(row, column)).toString();
}

// What the operator does in a table cell: opens its editor, types, presses Enter.
void typeInto(QTableView& table, int row, int column, const QString& text) {
    const QModelIndex index = table.model()->index(row, column);
    table.setCurrentIndex(index);
    table.edit(index);
    // The cell's editor is the table's own; the reading combo boxes keep theirs inside them.
    const auto editors = table.viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(editors.size(), 1);
    QLineEdit* editor = editors.first();
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
}

} // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { startHarness(); }
    void cleanup() { finishHarness(); }

    void importChooseEditReflectAndCompare() {
        testing::RecordingUi recorder(uiSwitch());
        testing::TempDir folder;
        const std::string notes = (folder.path() / "notes.txt").string();
        std::ofstream(notes) << "just some notes\n";
        const QString contacts = QString::fromLatin1(RKDIAL_TEST_DATA "/contacts/window_import.vcf");
        auto existing = phonebook::EntryText::make("0399990000", "", text::toCp932("既存"), '1');
        QVERIFY(phonebook::storeSystemEntry(ws(), 0, existing));

        app::CMainMenuDlg window(harness().application);
        window.show();
        QAction* entry = nullptr;
        for (QAction* action : window.tools().menu()->actions())
            if (action->text() == QStringLiteral(u"連絡先の取込(&I)…")) entry = action;
        QVERIFY(entry != nullptr);

        bool sawDialog = false;
        bool sawWindow = false;
        QStringList shown;
        QString summary;
        QString candidate;
        QStringList compared;
        QString compareSummary;
        whenModalOpens([&](QWidget* modal) {
            auto* files = qobject_cast<QFileDialog*>(modal);
            if (files == nullptr) return;
            sawDialog = files->fileMode() == QFileDialog::ExistingFiles;
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("\"%1\" \"%2\"").arg(contacts, QString::fromStdString(notes)));
            // The list that is no contact list is told before the window opens.
            recorder.answer(Answer::Ok);
            whenModalOpens([&](QWidget* next) {
                auto* importWindow = qobject_cast<app::CImportDlg*>(next);
                if (importWindow == nullptr) return;
                // A failed check leaves the window open: closed below whatever happened.
                [&] {
                    sawWindow = importWindow->windowTitle() == QStringLiteral(u"連絡先の取込");
                    auto& table = *control<QTableView>(*importWindow, "contacts");
                    shown = rowsOf(*table.model());

                    // The made reading: a combo box of its candidates; the last one chosen.
                    auto* choices = qobject_cast<QComboBox*>(
                        table.indexWidget(table.model()->index(0, app::CImportDlg::KanaColumn)));
                    QVERIFY(choices != nullptr);
                    QVERIFY(choices->count() > 1);
                    QCOMPARE(choices->currentText(), cell(table, 0, app::CImportDlg::KanaColumn));
                    candidate = choices->itemText(choices->count() - 1);
                    choices->setEditText(candidate);
                    QTest::keyClick(choices->lineEdit(), Qt::Key_Return);
                    QCOMPARE(cell(table, 0, app::CImportDlg::KanaColumn), candidate);

                    // The invalid number typed again; the other rows keep their memories.
                    typeInto(table, 2, app::CImportDlg::NumberColumn, QStringLiteral("03-5555-6666"));
                    // The delegate commits once the event loop runs again.
                    QTRY_COMPARE(cell(table, 2, app::CImportDlg::NumberColumn), QStringLiteral("0355556666"));
                    QCOMPARE(cell(table, 2, app::CImportDlg::StatusColumn), QStringLiteral(u"登録"));
                    // The first memory to fill: the rows move there.
                    auto* from = control<QComboBox>(*importWindow, "from");
                    from->setCurrentIndex(from->findText(QStringLiteral("010")));
                    QCOMPARE(cell(table, 2, app::CImportDlg::MemoryColumn), QStringLiteral("012"));
                    summary = control<QLabel>(*importWindow, "summary")->text();

                    whenModalOpens([&](QWidget* last) {
                        auto* compare = qobject_cast<app::CCompareDlg*>(last);
                        if (compare == nullptr) return;
                        compared = rowsOf(compare->model());
                        compareSummary = control<QLabel>(*compare, "summary")->text();
                        compare->accept();
                    });
                    QTest::mouseClick(control<QPushButton>(*importWindow, "reflect"), Qt::LeftButton);
                }();
                if (importWindow->isVisible()) importWindow->reject();
            });
            static_cast<QDialog*>(files)->accept();
        });
        entry->trigger();

        QVERIFY(sawDialog);
        QVERIFY(sawWindow);
        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QVERIFY(text::cp932ToUtf8(boxes[0].text).find("notes.txt") != std::string::npos);
        QCOMPARE(boxes[0].icon, platform::Icon::Exclamation);

        // As the import previews them: made readings marked, the invalid number kept out.
        QCOMPARE(shown,
                 (QStringList{QStringLiteral(u"001|山田太郎|ﾔﾏﾀﾞ ﾀﾛｳ|作成|09011112222|登録"),
                              QStringLiteral(u"002|佐藤花子|ｻﾄｳ ﾊﾅｺ|連絡先|0312345678|登録"),
                              QStringLiteral(u"|株式会社青空商事|ｶ)ｱｵｿﾞﾗｼｮｳｼﾞ|作成|1234-5678|番号不正")}));
        QCOMPARE(summary,
                 QStringLiteral(u"連絡先 3件: 登録 3・更新 0・重複 0・空きなし 0・番号不正 0・番号なし 0 / "
                                u"作成した読み 2"));

        // The working copy holds what the window showed, the backup copy with it.
        phonebook::EntryText stored;
        QVERIFY(phonebook::loadSystemEntry(ws(), 10, stored));
        QCOMPARE(bytesOf(stored.kanaText()), bytesOf(cp932Of(candidate)));
        QCOMPARE(stored.numberText(), std::string("09011112222"));
        QVERIFY(phonebook::loadSystemEntry(ws(), 12, stored));
        QCOMPARE(stored.numberText(), std::string("0355556666"));
        QVERIFY(phonebook::loadSystemEntry(ws(), 0, stored));
        QCOMPARE(stored.numberText(), std::string("0399990000"));
        QVERIFY(std::memcmp(&img().workingCopy, &img().backupCopy, sizeof img().workingCopy) == 0);
        QCOMPARE(flags().phonebookPresent, 1);

        QCOMPARE(compareSummary, QStringLiteral(u"追加 3・変更 0・削除 0"));
        QCOMPARE(compared.size(), 12);
        QCOMPARE(compared.first(), QStringLiteral(u"追加|共通電話帳||010|電話番号||09011112222"));
        QVERIFY(compared.contains(QStringLiteral(u"追加|共通電話帳||010|カナ名称||") + candidate));
        QVERIFY(compared.contains(QStringLiteral(u"追加|共通電話帳||012|電話番号||0355556666")));
    }

    void aSpreadsheetIsReadWithTheColumnsTheOperatorNames() {
        testing::RecordingUi recorder(uiSwitch());
        app::CMainMenuDlg window(harness().application);
        QStringList shown;
        bool okAtFirst = true;
        whenModalOpens([&](QWidget* modal) {
            auto* files = qobject_cast<QFileDialog*>(modal);
            if (files == nullptr) return;
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QString::fromLatin1(RKDIAL_TEST_DATA "/contacts/spreadsheet.tsv"));
            whenModalOpens([&](QWidget* columns) {
                if (columns == nullptr) return;
                // A name and a number must be named before the columns are taken.
                auto* ok = control<QPushButton>(*columns, "ok");
                okAtFirst = ok->isEnabled();
                control<QComboBox>(*columns, "mapName")->setCurrentText(QStringLiteral(u"氏名"));
                control<QComboBox>(*columns, "mapReading")->setCurrentText(QStringLiteral(u"よみ"));
                control<QComboBox>(*columns, "mapNumber")->setCurrentText(QStringLiteral(u"電話"));
                whenModalOpens([&](QWidget* next) {
                    auto* importWindow = qobject_cast<app::CImportDlg*>(next);
                    if (importWindow == nullptr) return;
                    shown = rowsOf(*control<QTableView>(*importWindow, "contacts")->model());
                    importWindow->reject();
                });
                QTest::mouseClick(ok, Qt::LeftButton);
            });
            static_cast<QDialog*>(files)->accept();
        });
        window.tools().menu()->actions().at(1)->trigger();
        QVERIFY(!okAtFirst);
        QCOMPARE(shown, (QStringList{QStringLiteral(u"000|田中一郎|ﾀﾅｶ ｲﾁﾛｳ|連絡先|0312345678|登録"),
                                     QStringLiteral(u"|山口恵子|ﾔﾏｸﾞﾁ ｹｲｺ|連絡先|0312345678|重複"),
                                     QStringLiteral(u"001|森大輔|ﾓﾘ ﾀﾞｲｽｹ|作成|09012345678|登録")}));
        QVERIFY(recorder.boxes().empty());
    }
};

int runImportWindowTests(int argc, char** argv) {
    ImportWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "import_window_test.moc"
