// The file selection window with Qt's real file dialog: every modal window that opens is driven
// by a script from a timer, as an operator would, and the files land in temporary folders.
#include "app/dialog_layout.h"
#include "app/file_select_dlg.h"
#include "app/load_result_dlg.h"
#include "app/menu_select_dlg.h"
#include "app/qt_ui.h"
#include "app_test_support.h"
#include "phonebook/phonebook_file.h"
#include "platform/file_writer.h"
#include "platform/system_facts.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

using rk::platform::Answer;
using rk::platform::Buttons;
using rk::platform::Icon;

namespace rk::apptest {

using app::CFileSelectDlg;
using app::FileOperation;

namespace {

// " ファイルが見つかりません。再度ファイルを選択して下さい。" and "ファイルの確認"
const std::string kNotFoundText =
    hexBytes("20 83 74 83 40 83 43 83 8B 82 AA 8C A9 82 C2 82 A9 82 E8 82 DC 82 B9 82 F1 81 42 8D C4 93 78"
             "83 74 83 40 83 43 83 8B 82 F0 91 49 91 F0 82 B5 82 C4 89 BA 82 B3 82 A2 81 42");
const std::string kNotFoundCaption = hexBytes("83 74 83 40 83 43 83 8B 82 CC 8A 6D 94 46");
// "ファイルが読み込めません。\n\n他のアプリケーションで使用していないか、確認して下さい。" and
// "オープンエラー"
const std::string kOpenErrorText =
    hexBytes("83 74 83 40 83 43 83 8B 82 AA 93 C7 82 DD 8D 9E 82 DF 82 DC 82 B9 82 F1 81 42 0A 0A 91 BC 82 CC"
             "83 41 83 76 83 8A 83 50 81 5B 83 56 83 87 83 93 82 C5 8E 67 97 70 82 B5 82 C4 82 A2 82 C8 82 A2"
             "82 A9 81 41 8A 6D 94 46 82 B5 82 C4 89 BA 82 B3 82 A2 81 42");
const std::string kOpenErrorCaption = hexBytes("83 49 81 5B 83 76 83 93 83 47 83 89 81 5B");
// "\n空き容量が不足しています。\n", "\nファイルデータ保存エラー発生\n" and "エラー"
const std::string kNoSpaceText =
    hexBytes("0A 8B F3 82 AB 97 65 97 CA 82 AA 95 73 91 AB 82 B5 82 C4 82 A2 82 DC 82 B7 81 42 0A");
const std::string kSaveErrorText =
    hexBytes("0A 83 74 83 40 83 43 83 8B 83 66 81 5B 83 5E 95 DB 91 B6 83 47 83 89 81 5B 94 AD 90 B6 0A");
const std::string kErrorCaption = hexBytes("83 47 83 89 81 5B");

const char* const kButtons[] = {"id2554", "id2555", "id2"};

QPushButton* button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

std::string goldenFile(const char* name) {
    return std::string(RKDIAL_TEST_DATA) + "/phonebook_file/" + name;
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

QString qPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

bool copiesEqual() {
    const image::DataImage& image = img();
    return std::memcmp(image.workingCopy.data(), image.backupCopy.data(), sizeof(image.workingCopy)) == 0;
}

phonebook::EntryText systemEntry(int memory) {
    phonebook::EntryText text;
    phonebook::loadSystemEntry(ws(), memory, text);
    return text;
}

// Acts on the modal windows that open while a test's action runs: one scripted step each time a
// dialog is shown, or when a window the next step waits for comes back on top. A dialog the
// script does not expect is closed and reported, so that a test never hangs on it. Steps must not block:
// whatever closes a window is queued, so that the script keeps running inside the window's event loop.
class ModalScript : public QObject {
public:
    ModalScript() {
        qApp->installEventFilter(this);
        connect(&timer_, &QTimer::timeout, this, &ModalScript::step);
        timer_.start(1);
        idle_.start();
    }
    ~ModalScript() override { qApp->removeEventFilter(this); }

    template <typename Window, typename Act> void expect(Act act) {
        steps_.push_back({[](QWidget* widget) { return qobject_cast<Window*>(widget) != nullptr; },
                          [act](QWidget* widget) { act(qobject_cast<Window*>(widget)); }});
    }

    bool done() const { return steps_.empty(); }
    const QStringList& failures() const { return failures_; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QDialog*>(object) != nullptr) ++shows_;
        return false;
    }

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };

    void step() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        const bool shown = shows_ != lastShows_;
        const bool backOnTop = modal != last_;
        const bool expected = !steps_.empty() && steps_.front().matches(modal);
        lastShows_ = shows_;
        last_ = modal;
        if (shown || (backOnTop && expected)) {
            if (expected) {
                const Step next = steps_.front();
                steps_.pop_front();
                next.act(modal);
                idle_.restart();
                return;
            }
            closeUnexpected(modal);
            return;
        }
        // A window nobody acts on would leave the test waiting for ever.
        if (idle_.hasExpired(5000)) closeUnexpected(modal);
    }

    void closeUnexpected(QWidget* modal) {
        failures_ << QStringLiteral("unexpected window %1 (%2)")
                         .arg(modal->windowTitle(), QString::fromLatin1(modal->metaObject()->className()));
        idle_.restart();
        QTimer::singleShot(0, modal, [modal] {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
    }

    QTimer timer_;
    QElapsedTimer idle_;
    std::deque<Step> steps_;
    QPointer<QWidget> last_;
    int shows_ = 0;
    int lastShows_ = 0;
    QStringList failures_;
};

// What an operator does in the file dialog: types the name and presses the accept button.
void typeAndAccept(QFileDialog* dialog, const QString& name) {
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    // accept() is protected in QFileDialog and public in QDialog; it dispatches to the former.
    QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
}

void later(QDialog* dialog, void (QDialog::*action)()) {
    QTimer::singleShot(0, dialog, [dialog, action] { (dialog->*action)(); });
}

// The state of the window seen whenever the wait cursor goes on, that is, during the file call.
struct BusyObservation {
    int waits = 0;
    bool buttonsDisabled = true;
    bool closeRefused = true;
};

class ObservingUi : public testing::RecordingUi {
public:
    ObservingUi(testing::UiSwitch& route, QDialog& window) : RecordingUi(route), window_(window) {}

    void setWaitCursor(bool waiting) override {
        RecordingUi::setWaitCursor(waiting);
        if (!waiting) return;
        ++seen.waits;
        for (const char* name : kButtons)
            if (button(window_, name)->isEnabled()) seen.buttonsDisabled = false;
        // The close box and Escape both have to be refused.
        if (window_.close() || !window_.isVisible()) seen.closeRefused = false;
        QTest::keyClick(&window_, Qt::Key_Escape);
        if (!window_.isVisible()) seen.closeRefused = false;
    }

    BusyObservation seen;

private:
    QDialog& window_;
};

// The cursor went to waiting and came back as often, ending on the arrow.
bool cursorRestored(const testing::RecordingUi& recorder) {
    const std::vector<bool> changes = recorder.cursorChanges();
    const auto waits = std::count(changes.begin(), changes.end(), true);
    return !changes.empty() && waits * 2 == static_cast<long>(changes.size()) && !changes.back();
}

bool buttonsEnabled(QWidget& window) {
    for (const char* name : kButtons)
        if (!button(window, name)->isEnabled()) return false;
    return true;
}

// The file dialog's settings as the operator meets them.
struct FileDialogLook {
    QString title;
    QStringList filters;
    QStringList shownFilters;
    QString suffix;
    bool save = false;
    bool nonNative = false;
    bool confirmsOverwrite = false;
};

FileDialogLook lookOf(QFileDialog* dialog) {
    FileDialogLook look;
    look.title = dialog->windowTitle();
    look.filters = dialog->nameFilters();
    if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        for (int i = 0; i < types->count(); ++i) look.shownFilters << types->itemText(i);
    look.suffix = dialog->defaultSuffix();
    look.save = dialog->acceptMode() == QFileDialog::AcceptSave;
    look.nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
    look.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    return look;
}

} // namespace

class FileSelectTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        startHarness();
        ws().fileSettings() = {"/untouched/", "untouched.rkdat", 0};
    }

    void cleanup() {
        platform::setFileWriteLimitForTesting(std::nullopt);
        harness().system.setFreeDiskSpace({});
        finishHarness();
    }

    void windowHasItsThreeButtons() {
        CFileSelectDlg window(FileOperation::Load, ws(), seam());
        QCOMPARE(window.windowTitle(), QStringLiteral(u"ファイル選択"));
        QVERIFY(window.loadMode());
        QVERIFY(!CFileSelectDlg(FileOperation::Save, ws(), seam()).loadMode());
        const QString captions[] = {QStringLiteral(u"共通電話帳ファイル"),
                                    QStringLiteral(u"マイ電話帳ファイル"), QStringLiteral(u"キャンセル")};
        for (int i = 0; i < 3; ++i) QCOMPARE(button(window, kButtons[i])->text(), captions[i]);
        QCOMPARE(window.size(), app::DialogUnits(window.font()).size(190, 131));
        window.show();
        QCOMPARE(window.focusWidget(), button(window, "id2554"));
        QTest::mouseClick(button(window, "id2"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }

    // The dialog as each mode and kind prepares it; cancelling it changes nothing but the backup
    // copy, which a load refreshes whatever happens.
    void cancelledFileDialogChangesNothing_data() {
        QTest::addColumn<bool>("load");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("load common") << true << QStringLiteral("id2554");
        QTest::newRow("load my phonebook") << true << QStringLiteral("id2555");
        QTest::newRow("save common") << false << QStringLiteral("id2554");
        QTest::newRow("save my phonebook") << false << QStringLiteral("id2555");
    }

    void cancelledFileDialogChangesNothing() {
        QFETCH(bool, load);
        QFETCH(QString, pressed);
        testing::RecordingUi recorder(uiSwitch());
        int spaceQueries = 0;
        harness().system.setFreeDiskSpace([&](const std::filesystem::path&) {
            ++spaceQueries;
            return std::optional<std::uintmax_t>(1'000'000);
        });
        img().workingCopy[3].number[0] = 0x21;
        const image::PhonebookArea working = img().workingCopy;

        CFileSelectDlg window(load ? FileOperation::Load : FileOperation::Save, ws(), seam());
        window.show();
        FileDialogLook look;
        ModalScript script;
        script.expect<QFileDialog>([&](QFileDialog* dialog) {
            look = lookOf(dialog);
            later(dialog, &QDialog::reject);
        });
        QTest::mouseClick(window.findChild<QPushButton*>(pressed), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        const bool common = pressed == QStringLiteral("id2554");
        QCOMPARE(look.title, load ? QStringLiteral(u"ファイルの選択") : QStringLiteral(u"ファイルの保存"));
        QStringList filters{QStringLiteral(u" rkdatﾌｧｲﾙ(*.rkdat)")};
        if (common) filters << QStringLiteral(u"csvﾌｧｲﾙ(*.csv)");
        // Qt keeps its own copy trimmed; the operator sees the texts as they are worded.
        QStringList trimmed;
        for (const QString& filter : filters) trimmed << filter.trimmed();
        QCOMPARE(look.filters, trimmed);
        QCOMPARE(look.shownFilters, filters);
        QCOMPARE(look.suffix, QStringLiteral("rkdat"));
        QCOMPARE(look.save, !load);
        QVERIFY(look.nonNative);
        QVERIFY(look.confirmsOverwrite);

        QVERIFY(recorder.boxes().empty());
        QCOMPARE(spaceQueries, 0);
        QVERIFY(std::memcmp(img().workingCopy.data(), working.data(), sizeof(working)) == 0);
        QCOMPARE(copiesEqual(), load);
        QCOMPARE(flags().phonebookPresent, 0);
        QCOMPARE(ws().fileSettings().phoneFileName, std::string("untouched.rkdat"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.focusWidget(), window.findChild<QPushButton*>(pressed));
    }

    void loadingAGoodFile_data() {
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("golden");
        QTest::addColumn<QString>("name");
        QTest::newRow("common as .rkdat")
            << QStringLiteral("id2554") << QStringLiteral("common_kana_first.rkdat")
            << QStringLiteral("book.rkdat");
        QTest::newRow("common as .csv")
            << QStringLiteral("id2554") << QStringLiteral("common_kana_first.rkdat")
            << QStringLiteral("book.csv");
        QTest::newRow("my phonebook") << QStringLiteral("id2555") << QStringLiteral("my_phonebook.rkdat")
                                      << QStringLiteral("mine.rkdat");
    }

    void loadingAGoodFile() {
        QFETCH(QString, pressed);
        QFETCH(QString, golden);
        QFETCH(QString, name);
        testing::TempDir folder;
        std::filesystem::copy_file(goldenFile(qPrintable(golden)), folder / name.toStdString());
        // A read from the main unit that ended early may have left the main unit's column order.
        ws().fileSettings().unitOrderFlag = 1;
        img().workingCopy[3].number[0] = 0x21; // empty in the file: overwritten

        CFileSelectDlg window(FileOperation::Load, ws(), seam());
        window.show();
        ObservingUi recorder(uiSwitch(), window);
        ModalScript script;
        script.expect<QFileDialog>(
            [&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(folder / name.toStdString())); });
        // The common file's memory 989 lies beyond the 600 memories in force: the load report says so.
        if (pressed == QStringLiteral("id2554"))
            script.expect<app::CLoadResultDlg>(
                [](app::CLoadResultDlg* result) { later(result, &QDialog::accept); });
        QTest::mouseClick(window.findChild<QPushButton*>(pressed), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QVERIFY(recorder.boxes().empty());
        QCOMPARE(flags().phonebookPresent, 1);
        QVERIFY(copiesEqual());
        QCOMPARE(ws().fileSettings().phoneDir, folder.str() + "/");
        QCOMPARE(ws().fileSettings().phoneFileName, name.toStdString());
        QCOMPARE(ws().fileSettings().unitOrderFlag, 0);
        if (pressed == QStringLiteral("id2554")) {
            QCOMPARE(systemEntry(0).numberText(), std::string("0312345678"));
            QCOMPARE(bytesOf(systemEntry(0).kanaText()), bytesOf(hexBytes("D4 CF C0 DE"))); // ﾔﾏﾀﾞ
            QCOMPARE(bytesOf(systemEntry(0).kanjiText()),
                     bytesOf(hexBytes("8E 52 93 63 91 BE 98 59"))); // 山田太郎
            QCOMPARE(systemEntry(989).numberText(), std::string()); // beyond the 600 memories in force
            QVERIFY(img().workingCopy[3].empty());
        } else {
            phonebook::EntryText text;
            QVERIFY(phonebook::loadTelephoneEntry(ws(), 101, 999, text));
            QCOMPARE(text.numberText(), std::string("200"));
            QCOMPARE(bytesOf(text.kanjiText()), bytesOf(hexBytes("93 E0 90 FC"))); // 内線
            QCOMPARE(bytesOf(text.kanaText()), bytesOf(hexBytes("C5 B2 BE DD")));  // ﾅｲｾﾝ
            QVERIFY(!img().workingCopy[3].empty()); // the common phonebook is left alone
        }

        QVERIFY(recorder.seen.waits > 0);
        QVERIFY(recorder.seen.buttonsDisabled);
        QVERIFY(recorder.seen.closeRefused);
        QVERIFY(cursorRestored(recorder));
        QVERIFY(window.isVisible());
        QVERIFY(buttonsEnabled(window));
        QCOMPARE(window.focusWidget(), window.findChild<QPushButton*>(pressed));
    }

    void missingFileIsReportedAndTheDialogOpensAgain() {
        testing::TempDir folder;
        std::filesystem::copy_file(goldenFile("common_kana_first.rkdat"), folder / "book.rkdat");
        testing::RecordingUi recorder(uiSwitch());
        recorder.answer(Answer::Ok);
        CFileSelectDlg window(FileOperation::Load, ws(), seam());
        window.show();

        QPointer<QFileDialog> first;
        bool sameDialogAgain = false;
        std::vector<platform::MessageRequest> boxesWhenShownAgain;
        ModalScript script;
        script.expect<QFileDialog>([&](QFileDialog* dialog) {
            first = dialog;
            typeAndAccept(dialog, qPath(folder / "missing")); // becomes missing.rkdat
        });
        script.expect<QFileDialog>([&](QFileDialog* dialog) {
            sameDialogAgain = dialog == first;
            boxesWhenShownAgain = recorder.boxes();
            typeAndAccept(dialog, qPath(folder / "book.rkdat"));
        });
        script.expect<app::CLoadResultDlg>(
            [](app::CLoadResultDlg* result) { later(result, &QDialog::accept); });
        QTest::mouseClick(button(window, "id2554"), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QVERIFY(sameDialogAgain);
        QCOMPARE(boxesWhenShownAgain.size(), std::size_t(1));
        const platform::MessageRequest& box = boxesWhenShownAgain.front();
        QCOMPARE(bytesOf(box.text), bytesOf(kNotFoundText));
        QCOMPARE(bytesOf(box.caption), bytesOf(kNotFoundCaption));
        QVERIFY(box.buttons == Buttons::Ok);
        QVERIFY(box.icon == Icon::Exclamation);
        QVERIFY(box.owner.native == &window);
        QCOMPARE(recorder.boxes().size(), std::size_t(1));
        QVERIFY(recorder.unexpectedPrompts().empty());
        QCOMPARE(flags().phonebookPresent, 1);
        QCOMPARE(systemEntry(0).numberText(), std::string("0312345678"));
        QVERIFY(!std::filesystem::exists(folder / "missing.rkdat"));
    }

    // A pipe exists but is no file: opening it would wait for a writer and freeze the window.
    void loadReportFollowsADamagedLoadAndIsSavedAsCsv() {
        // The working copy before the load is the reference: the file lost memory 000's zero.
        auto entry =
            phonebook::EntryText::make("0312345678", hexBytes("D4 CF C0 DE"), hexBytes("8E 52 93 63"), '1');
        QVERIFY(phonebook::storeSystemEntry(ws(), 0, entry));
        testing::TempDir folder;
        folder.write("edited.csv", text::toCp932("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n"
                                                 "0,312345678,ﾔﾏﾀﾞ,山田,1\r\n1,0452223333,ﾖｺﾊﾏ,横浜,1\r\n"));
        testing::RecordingUi recorder(uiSwitch());
        CFileSelectDlg window(FileOperation::Load, ws(), seam());
        window.show();

        QString summary;
        QStringList rows;
        ModalScript script;
        script.expect<QFileDialog>(
            [&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(folder / "edited.csv")); });
        script.expect<app::CLoadResultDlg>([&](app::CLoadResultDlg* result) {
            QCOMPARE(result->windowTitle(), QStringLiteral(u"読込結果"));
            summary = result->findChild<QLabel*>(QStringLiteral("summary"))->text();
            auto* table = result->findChild<QTableView*>(QStringLiteral("findings"));
            const auto cells = [table](int row) {
                QStringList texts;
                for (int column = 0; column < 6; ++column)
                    texts << table->model()->index(row, column).data().toString();
                return texts.join(u'|');
            };
            for (int row = 0; row < table->model()->rowCount(); ++row) rows << cells(row);
            QTimer::singleShot(0, result->findChild<QPushButton*>(QStringLiteral("saveCsv")),
                               &QPushButton::click);
        });
        script.expect<QFileDialog>([&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral(u"CSVで保存"));
            typeAndAccept(dialog, qPath(folder / "report")); // the extension is added
        });
        script.expect<app::CLoadResultDlg>(
            [](app::CLoadResultDlg* result) { later(result, &QDialog::accept); });
        QTest::mouseClick(button(window, "id2554"), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QVERIFY(recorder.boxes().empty());
        QCOMPARE(summary,
                 QStringLiteral(u"格納したメモリー 2・読込で変わったもの 0・格納されなかった行 0・要確認 1"));
        QCOMPARE(rows, QStringList{QStringLiteral(u"2|000|電話番号|312345678|312345678|要確認")});
        QCOMPARE(folder.read("report.csv"),
                 std::string("\xEF\xBB\xBF行,短縮番号,項目,ファイルの値,格納された値,処置,理由\r\n"
                             "2,000,電話番号,312345678,312345678,要確認,"
                             "\"the reference has \"\"0312345678\"\": the leading zero is lost\"\r\n"));
    }

    void somethingThatIsNoFileCannotBeRead() {
        testing::TempDir folder;
        const std::filesystem::path pipe = folder / "pipe.rkdat";
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        testing::RecordingUi recorder(uiSwitch());
        recorder.answer(Answer::Ok);
        CFileSelectDlg window(FileOperation::Load, ws(), seam());
        window.show();
        img().workingCopy[3].number[0] = 0x21;

        ModalScript script;
        script.expect<QFileDialog>([&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(pipe)); });
        script.expect<QFileDialog>([&](QFileDialog* dialog) { later(dialog, &QDialog::reject); });
        QTest::mouseClick(button(window, "id2554"), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QCOMPARE(recorder.boxes().size(), std::size_t(1));
        QCOMPARE(bytesOf(recorder.boxes()[0].text), bytesOf(kOpenErrorText));
        QCOMPARE(bytesOf(recorder.boxes()[0].caption), bytesOf(kOpenErrorCaption));
        QVERIFY(recorder.boxes()[0].icon == Icon::Exclamation);
        QCOMPARE(flags().phonebookPresent, 0);
        QVERIFY(copiesEqual()); // refreshed after the cancelled load as well
        QVERIFY(!img().workingCopy[3].empty());
    }

    void saveNeedsTheEstimatedFreeSpace_data() {
        QTest::addColumn<int>("memoryMode");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<qulonglong>("freeBytes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("600 common, 6,999 free") << 1 << QStringLiteral("id2554") << 6999ull << false;
        QTest::newRow("600 common, 7,000 free") << 1 << QStringLiteral("id2554") << 7000ull << true;
        QTest::newRow("990 common, 11,999 free") << 2 << QStringLiteral("id2554") << 11999ull << false;
        QTest::newRow("990 common, 12,000 free") << 2 << QStringLiteral("id2554") << 12000ull << true;
        QTest::newRow("600 my phonebook, 3,999 free") << 1 << QStringLiteral("id2555") << 3999ull << false;
        QTest::newRow("990 my phonebook, 2,000 free") << 2 << QStringLiteral("id2555") << 2000ull << true;
    }

    void saveNeedsTheEstimatedFreeSpace() {
        QFETCH(int, memoryMode);
        QFETCH(QString, pressed);
        QFETCH(qulonglong, freeBytes);
        QFETCH(bool, saved);
        testing::TempDir folder;
        img().memoryMode = static_cast<std::uint8_t>(memoryMode);
        phonebook::EntryText entry = phonebook::EntryText::make("0312345678", "ABC", hexBytes("8E 52 93 63"));
        QVERIFY(phonebook::storeSystemEntry(ws(), 5, entry));
        ws().fileSettings().unitOrderFlag = 1;
        std::vector<std::filesystem::path> asked;
        harness().system.setFreeDiskSpace([&](const std::filesystem::path& path) {
            asked.push_back(path);
            return std::optional<std::uintmax_t>(freeBytes);
        });
        testing::RecordingUi recorder(uiSwitch());
        if (!saved) recorder.answer(Answer::Ok);

        CFileSelectDlg window(FileOperation::Save, ws(), seam());
        window.show();
        ModalScript script;
        script.expect<QFileDialog>(
            [&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(folder / "book")); });
        QTest::mouseClick(window.findChild<QPushButton*>(pressed), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QCOMPARE(asked.size(), std::size_t(1));
        QCOMPARE(asked[0], folder.path());
        const std::filesystem::path file = folder / "book.rkdat";
        QCOMPARE(std::filesystem::exists(file), saved);
        QVERIFY(recorder.unexpectedPrompts().empty());
        if (!saved) {
            QCOMPARE(recorder.boxes().size(), std::size_t(1));
            QCOMPARE(bytesOf(recorder.boxes()[0].text), bytesOf(kNoSpaceText));
            QCOMPARE(bytesOf(recorder.boxes()[0].caption), bytesOf(kErrorCaption));
            QVERIFY(recorder.boxes()[0].buttons == Buttons::Ok);
            QVERIFY(recorder.boxes()[0].icon == Icon::Exclamation);
            QCOMPARE(ws().fileSettings().phoneFileName, std::string("untouched.rkdat"));
            QVERIFY(recorder.cursorChanges().empty());
            return;
        }
        QVERIFY(recorder.boxes().empty());
        QCOMPARE(ws().fileSettings().phoneFileName, std::string("book.rkdat"));
        const std::string bytes = readBytes(file);
        QCOMPARE(bytes.substr(0, 1), std::string("2"));
        const auto lines = std::count(bytes.begin(), bytes.end(), '\n');
        if (pressed == QStringLiteral("id2554")) {
            QCOMPARE(lines, 992L); // header line, column header, 990 memories
            // Kana before kanji, as in every file kept on the PC.
            QVERIFY(bytes.find("\r\n005,0312345678,ABC," + hexBytes("8E 52 93 63") + ",01\r\n") !=
                    std::string::npos);
        } else {
            QCOMPARE(lines, 2002L);
            QVERIFY(bytes.find("0312345678") == std::string::npos);
        }
    }

    // A pipe where the file would go is no place for a phonebook: it stays a pipe, and the
    // message says why.
    void savingOverSomethingThatIsNoFileIsRefused() {
        testing::TempDir folder;
        const std::filesystem::path pipe = folder / "pipe.rkdat";
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        testing::RecordingUi recorder(uiSwitch());
        recorder.answer(Answer::Ok);
        CFileSelectDlg window(FileOperation::Save, ws(), seam());
        window.show();

        ModalScript script;
        script.expect<QFileDialog>([&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(pipe)); });
        // The name exists: the dialog asks before replacing it.
        script.expect<QMessageBox>([&](QMessageBox* box) {
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            QTimer::singleShot(0, yes, [yes] { yes->click(); });
        });
        QTest::mouseClick(button(window, "id2554"), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QCOMPARE(recorder.boxes().size(), std::size_t(1));
        QCOMPARE(bytesOf(recorder.boxes()[0].text),
                 bytesOf(text::toCp932("\n" + pipe.string() +
                                       " は通常のファイルではないため、書き込めません。\n")));
        QCOMPARE(bytesOf(recorder.boxes()[0].caption), bytesOf(kErrorCaption));
        QVERIFY(recorder.boxes()[0].icon == Icon::Exclamation);
        QVERIFY(std::filesystem::is_fifo(pipe));
        QVERIFY(buttonsEnabled(window));
    }

    // The disk fills up half-way through the save: the previous file stays as it was, and the
    // window is usable again.
    void failedSaveKeepsThePreviousFile() {
        testing::TempDir folder;
        const std::filesystem::path file = folder / "book.rkdat";
        std::filesystem::copy_file(goldenFile("common_kana_first.rkdat"), file);
        const std::string before = readBytes(file);
        phonebook::EntryText entry = phonebook::EntryText::make("999", "", "");
        QVERIFY(phonebook::storeSystemEntry(ws(), 0, entry));
        platform::setFileWriteLimitForTesting(4000);

        CFileSelectDlg window(FileOperation::Save, ws(), seam());
        window.show();
        ObservingUi recorder(uiSwitch(), window);
        recorder.answer(Answer::Ok);
        QString overwriteTitle;
        ModalScript script;
        script.expect<QFileDialog>([&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(file)); });
        // The file exists: the dialog asks before replacing it.
        script.expect<QMessageBox>([&](QMessageBox* box) {
            overwriteTitle = box->windowTitle();
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            QTimer::singleShot(0, yes, [yes] { yes->click(); });
        });
        QTest::mouseClick(button(window, "id2554"), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QCOMPARE(overwriteTitle, QStringLiteral(u"ファイルの保存"));
        QCOMPARE(recorder.boxes().size(), std::size_t(1));
        QCOMPARE(bytesOf(recorder.boxes()[0].text), bytesOf(kSaveErrorText));
        QCOMPARE(bytesOf(recorder.boxes()[0].caption), bytesOf(kErrorCaption));
        QVERIFY(recorder.boxes()[0].icon == Icon::Exclamation);
        QVERIFY(recorder.unexpectedPrompts().empty());
        QCOMPARE(bytesOf(readBytes(file)), bytesOf(before));
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(folder.path()))
            ++entries;
        QCOMPARE(entries, std::size_t(1));

        QVERIFY(recorder.seen.waits > 0);
        QVERIFY(recorder.seen.buttonsDisabled);
        QVERIFY(recorder.seen.closeRefused);
        QVERIFY(cursorRestored(recorder));
        QVERIFY(buttonsEnabled(window));
        QCOMPARE(window.focusWidget(), button(window, "id2554"));
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
    }

    // The same failure with the real message box: by the time it shows, the cursor is the arrow
    // again and the buttons are back.
    void failedSaveWithRealWindowsRestoresTheCursorBeforeTheMessage() {
        testing::TempDir folder;
        platform::setFileWriteLimitForTesting(100);
        app::QtUi ui;
        uiSwitch().route(ui);
        CFileSelectDlg window(FileOperation::Save, ws(), seam());
        window.show();

        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool cursorWaiting = true;
        bool buttonsBack = false;
        ModalScript script;
        script.expect<QFileDialog>(
            [&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(folder / "new.csv")); });
        script.expect<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            cursorWaiting = QApplication::overrideCursor() != nullptr;
            buttonsBack = buttonsEnabled(window);
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            QTimer::singleShot(0, ok, [ok] { ok->click(); });
        });
        QTest::mouseClick(button(window, "id2554"), Qt::LeftButton);
        uiSwitch().unroute(ui);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QCOMPARE(title, QStringLiteral(u"エラー"));
        QCOMPARE(text, QStringLiteral(u"\nファイルデータ保存エラー発生\n"));
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(!cursorWaiting);
        QVERIFY(buttonsBack);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(!std::filesystem::exists(folder / "new.csv"));
    }

    void loadButtonOfTheMenuOpensTheWindowForLoading() {
        testing::RecordingUi recorder(uiSwitch());
        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        bool opened = false;
        bool loadMode = false;
        bool modal = false;
        ModalScript script;
        script.expect<CFileSelectDlg>([&](CFileSelectDlg* window) {
            opened = true;
            loadMode = window->loadMode();
            modal = window->isModal();
            later(window, &QDialog::reject);
        });
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("id1294")), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(opened);
        QVERIFY(loadMode);
        QVERIFY(modal);
        QVERIFY(menu.isVisible());
        QVERIFY(recorder.boxes().empty());
    }

    // With the duplicate check on, the browser's entries wait in the backup copy; the saved file
    // must hold them. With the check off the working copy is saved as it is.
    void saveButtonOfTheMenuSavesTheBrowserEdits_data() {
        QTest::addColumn<int>("dupCheckEnabled");
        QTest::newRow("duplicate check on") << 1;
        QTest::newRow("duplicate check off") << 0;
    }

    void saveButtonOfTheMenuSavesTheBrowserEdits() {
        QFETCH(int, dupCheckEnabled);
        testing::TempDir folder;
        testing::RecordingUi recorder(uiSwitch());
        flags().dupCheckEnabled = dupCheckEnabled;
        app::CMenuSelectDlg menu(ws(), seam()); // takes its snapshot of the working copy
        menu.show();
        phonebook::EntryText entry = phonebook::EntryText::make("0451234567", "", "");
        QVERIFY(phonebook::storeSystemEntryChecked(ws(), 42, entry, phonebook::Copy::Backup));
        QVERIFY(img().workingCopy[42].empty());

        bool loadMode = true;
        bool appliedBeforeOpening = false;
        ModalScript script;
        script.expect<CFileSelectDlg>([&](CFileSelectDlg* window) {
            loadMode = window->loadMode();
            appliedBeforeOpening = !img().workingCopy[42].empty();
            QPushButton* common = button(*window, "id2554");
            QTimer::singleShot(0, common, [common] { common->click(); });
        });
        script.expect<QFileDialog>(
            [&](QFileDialog* dialog) { typeAndAccept(dialog, qPath(folder / "book.rkdat")); });
        script.expect<CFileSelectDlg>([&](CFileSelectDlg* window) { later(window, &QDialog::reject); });
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("id1295")), Qt::LeftButton);

        QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(u'\n')));
        QVERIFY(script.done());
        QVERIFY(!loadMode);
        QCOMPARE(appliedBeforeOpening, dupCheckEnabled == 1);
        QVERIFY(recorder.boxes().empty());
        const std::string bytes = readBytes(folder / "book.rkdat");
        QVERIFY(!bytes.empty());
        const bool holdsEntry = bytes.find("\r\n042,0451234567,,,01\r\n") != std::string::npos;
        QCOMPARE(holdsEntry, dupCheckEnabled == 1);
        QVERIFY(menu.isVisible());
    }
};

int runFileSelectTests(int argc, char** argv) {
    FileSelectTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "file_select_test.moc"
