// The read and write procedures driven through the main window as an operator would, against
// the test main unit on loopback.
#include "app/comm_progress_dlg.h"
#include "app/compare_dlg.h"
#include "app/diff_table_model.h"
#include "app/host_address_dlg.h"
#include "app/main_menu_dlg.h"
#include "app/password_dlg.h"
#include "app/qt_ui.h"
#include "app/speed_dial_app.h"
#include "app/tools_menu.h"
#include "app_test_support.h"
#include "history/snapshot_store.h"
#include "link/device_session.h"
#include "link/phonebook_procedures.h"
#include "mainunit/main_unit_simulator.h"
#include "mainunit/unit_store.h"
#include "phonebook/phonebook_file.h"
#include "platform/clock.h"
#include "platform/progress.h"
#include "support/ports.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>

namespace rk::apptest {

int runTransferProcedureTests(int argc, char** argv);

namespace {

using mainunit::MainUnitSimulator;
using platform::Answer;

template <typename Control> Control* control(QWidget& window, const char* name) {
    return window.findChild<Control*>(QString::fromLatin1(name));
}

// The whole of both phonebooks as the main unit sends them: memories 000..989, and 980..999 for
// every telephone 101..200. A few hold entries; memory 950 exists only in the 990 layout.
std::vector<mainunit::UnitRecord> unitBook() {
    std::vector<mainunit::UnitRecord> book;
    for (int memory = 0; memory < 990; ++memory) book.push_back({0, memory, "", "", "", 1});
    for (int position = 101; position <= 200; ++position)
        for (int memory = 980; memory <= 999; ++memory) book.push_back({position, memory, "", "", "", 0});
    book[0] = {0, 0, "0312345678", text::toCp932("山田"), text::toCp932("ﾔﾏﾀﾞ"), 1};
    book[950] = {0, 950, "0451112222", text::toCp932("横浜"), text::toCp932("ﾖｺﾊﾏ"), 2};
    book[990 + 15] = {101, 995, "09012345678", text::toCp932("本社"), text::toCp932("ﾎﾝｼｬ"), 0};
    return book;
}

// Acts on the modal windows of a procedure, one step per window, in order. A window no step
// expects is left alone; after ten seconds without progress the open window is rejected, so
// that a failing test ends instead of hanging.
class OperatorScript {
public:
    using Step = std::function<bool(QWidget*)>; // true once it acted on the window

    explicit OperatorScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        sinceProgress_.start();
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }

    bool done() const { return next_ == steps_.size(); }
    bool stuck() const { return stuck_; }

private:
    void tick() {
        if (done()) return timer_.stop();
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && steps_[next_](modal)) {
            ++next_;
            sinceProgress_.restart();
        } else if (sinceProgress_.elapsed() > 10000) {
            stuck_ = true;
            timer_.stop();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool stuck_ = false;
    QTimer timer_;
    QElapsedTimer sinceProgress_;
};

// Types into a field of a window of the given class and presses OK (or Cancel); remembers what
// the field showed when the window opened.
template <typename Window>
OperatorScript::Step enter(const char* field, QString text, QString* shownAtOpen = nullptr,
                           bool cancel = false) {
    return [=](QWidget* modal) {
        auto* window = qobject_cast<Window*>(modal);
        if (window == nullptr) return false;
        auto* edit = control<QLineEdit>(*window, field);
        if (shownAtOpen != nullptr) *shownAtOpen = edit->text();
        QTest::keyClicks(edit, text);
        QTest::mouseClick(control<QPushButton>(*window, cancel ? "id2" : "id1"), Qt::LeftButton);
        return true;
    };
}

OperatorScript::Step host(QString* shownAtOpen = nullptr, bool cancel = false) {
    return enter<app::CHostAddressDlg>("id2550", QStringLiteral("127.0.0.1"), shownAtOpen, cancel);
}

OperatorScript::Step password(QString text = QStringLiteral("1234"), QString* shownAtOpen = nullptr,
                              bool cancel = false) {
    return enter<app::CPasswordDlg>("id2568", text, shownAtOpen, cancel);
}

// Notes which progress window was open each time the phonebook files were read or written (the
// file routines show the wait cursor, on the worker thread): "C" communication, "F" file.
class ObservingUi : public testing::RecordingUi {
public:
    explicit ObservingUi(testing::UiSwitch& route) : RecordingUi(route) {}

    void setWaitCursor(bool waiting) override {
        if (waiting) {
            std::lock_guard lock(mutex_);
            const platform::ProgressRegistry& windows = seam().progress;
            windows_ += windows.isOpen(platform::communicationProgressTitle()) ? "C" : "";
            windows_ += windows.isOpen(platform::fileProgressTitle()) ? "F " : " ";
        }
        testing::RecordingUi::setWaitCursor(waiting);
    }
    std::string windows() const {
        std::lock_guard lock(mutex_);
        return windows_;
    }

private:
    mutable std::mutex mutex_;
    std::string windows_;
};

// The compare window as it opens: what it says, then the button the operator presses.
struct CompareSeen {
    QString heading;
    QString summary;
    QStringList rows; // change, book, position, memory, field, before, after
};

OperatorScript::Step compareWindow(const char* button, CompareSeen* seen) {
    return [=](QWidget* modal) {
        auto* window = qobject_cast<app::CCompareDlg*>(modal);
        if (window == nullptr) return false;
        if (auto* heading = control<QLabel>(*window, "heading")) seen->heading = heading->text();
        seen->summary = control<QLabel>(*window, "summary")->text();
        const app::DiffTableModel& model = window->model();
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model.columnCount(); ++column)
                cells << model.data(model.index(row, column), Qt::DisplayRole).toString();
            seen->rows << cells.join(u'|');
        }
        QTest::mouseClick(control<QPushButton>(*window, button), Qt::LeftButton);
        return true;
    };
}

// The books of a workspace as a read of the main unit leaves them in the history.
phonebook::TransferRecord readRecordOf(Workspace& workspace) {
    phonebook::TransferRecord record;
    record.host = "127.0.0.1";
    record.memoryMode = phonebook::memoryMode(workspace);
    const auto header = workspace.fileHeaderLine().formatNow();
    record.commonFile = phonebook::formatPhonebookFile(workspace, phonebook::kCommonPhonebookFile, header, 1);
    record.myFile = phonebook::formatPhonebookFile(workspace, phonebook::kMyPhonebookFile, header, 0);
    return record;
}

std::string entryNumber(int position, int memory) {
    phonebook::EntryText entry;
    if (position == 0)
        phonebook::loadSystemEntry(ws(), memory, entry);
    else
        phonebook::loadTelephoneEntry(ws(), position, memory, entry);
    return entry.numberText();
}

} // namespace

class TransferProcedureTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing::TempDir> work_;
    std::unique_ptr<testing::TempDir> history_;
    std::unique_ptr<app::CMainMenuDlg> window_;
    std::unique_ptr<MainUnitSimulator> unit_;

    app::CMainMenuDlg& window() { return *window_; }
    link::DeviceSession& session() { return window_->procedures().session(); }

    // A main unit for one transfer, reachable through the window's procedures.
    void startUnit(MainUnitSimulator::Options options = {}) {
        options.pcPortSource = [this] { return session().listenPort(); };
        options.systan = mainunit::systanText(unitBook(), false);
        options.teltan = mainunit::teltanText(unitBook(), false);
        unit_ = std::make_unique<MainUnitSimulator>(options);
        QVERIFY(unit_->start());
        window().procedures().setPort(unit_->port());
    }

    // Presses a button of the main window and lets the script play the operator. The press
    // returns when the procedure has ended.
    void press(const char* button, std::vector<OperatorScript::Step> steps) {
        OperatorScript script(std::move(steps));
        QTest::mouseClick(control<QPushButton>(window(), button), Qt::LeftButton);
        QVERIFY(!script.stuck());
        QVERIFY(script.done());
        QVERIFY(window().isEnabled());
        QVERIFY(!window().procedureRunning());
    }

    void expectBox(const platform::MessageRequest& box, const char* text, const char* caption,
                   platform::Buttons buttons, platform::Icon icon) {
        QCOMPARE(bytesOf(box.text), bytesOf(text::toCp932(text)));
        QCOMPARE(bytesOf(box.caption), bytesOf(text::toCp932(caption)));
        QCOMPARE(box.buttons, buttons);
        QCOMPARE(box.icon, icon);
    }

    std::vector<std::string> workFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work_->path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private slots:
    void init() {
        startHarness();
        harness().application.clock().setPauseScale(0);
        work_ = std::make_unique<testing::TempDir>();
        flags().startupDir = work_->str();
        // The main window takes the history folder when it opens: the test's own, outside the
        // work directory.
        history_ = std::make_unique<testing::TempDir>();
        harness().application.setHistoryFolder(history_->path() / "history");
        window_ = std::make_unique<app::CMainMenuDlg>(harness().application);
        window_->show();
        session().setListenAddress("127.0.0.1");
        session().setListenPort(0);
        session().acceptLimitSeconds = 5;
    }

    void cleanup() {
        if (unit_) unit_->finish(2);
        unit_.reset();
        window_.reset();
        work_.reset();
        history_.reset();
        finishHarness();
    }

    // The snapshot folders the history holds for the test's main unit.
    std::vector<std::string> snapshots() const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(history_->path() / "history" / "127.0.0.1", error))
            names.push_back(entry.path().filename().string());
        return names;
    }

    void readThroughTheWindows() {
        ObservingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        startUnit();
        // A data-set file left by an earlier session is joined behind the new header record.
        work_->write("dset-100.txt", std::string(190, 'h') + "\r\n" + "   *1001#\n");
        QTest::mouseClick(control<QRadioButton>(window(), "id2570"), Qt::LeftButton); // 990メモリー
        recorder.answer(Answer::Ok);
        press("id1134", {host(), password()});

        QCOMPARE(img().memoryMode, std::uint8_t{2});
        QCOMPARE(entryNumber(0, 0), std::string("0312345678"));
        QCOMPARE(entryNumber(0, 950), std::string("0451112222"));
        QCOMPARE(entryNumber(101, 995), std::string("09012345678"));
        phonebook::EntryText entry;
        phonebook::loadSystemEntry(ws(), 950, entry);
        QCOMPARE(bytesOf(entry.kanjiText()), bytesOf(text::toCp932("横浜"))); // the unit's column order
        QCOMPARE(flags().phonebookPresent, 1);
        QCOMPARE(session().host(), std::string("127.0.0.1"));

        const std::string joined = work_->read("data-set.txt");
        QCOMPARE(joined.size(), std::size_t{192 + 7});
        QCOMPARE(joined.substr(190), std::string("\n\0*1001#\n", 9));
        QVERIFY(work_->read("sys-tan.txt").size() > 192);
        QVERIFY(work_->read("tel-tan.txt").size() > 192);
        // The silent history: one snapshot of the read, nothing said about it.
        QCOMPARE(snapshots().size(), std::size_t{1});
        QVERIFY(snapshots()[0].ends_with("-read"));

        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{2});
        expectBox(boxes[0], "\n電話帳データの読込を開始します。\n", "電話帳データの読込確認",
                  platform::Buttons::OkCancel, platform::Icon::Question);
        expectBox(boxes[1], "\n電話帳データの読込が正常に終了しました。\n", "電話帳データの読込の終了",
                  platform::Buttons::Ok, platform::Icon::Information);
        QCOMPARE(boxes[1].owner.native, static_cast<void*>(&window()));
        // The files were parsed while the communication window was up, and no other.
        QCOMPARE(recorder.windows(), std::string("C C "));
        QVERIFY(!seam().progress.isOpen(platform::communicationProgressTitle()));

        // A phonebook is now present: changing the count asks before the menu, and No keeps it.
        QTest::mouseClick(control<QRadioButton>(window(), "id2569"), Qt::LeftButton);
        recorder.answer(Answer::No);
        QTest::mouseClick(control<QPushButton>(window(), "id1010"), Qt::LeftButton);
        QCOMPARE(img().memoryMode, std::uint8_t{2});
        QCOMPARE(entryNumber(0, 950), std::string("0451112222"));
        QVERIFY(control<QRadioButton>(window(), "id2569")->isChecked());
    }

    void writeThroughTheWindows() {
        ObservingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        startUnit();
        // A history that cannot be written: the write and its messages stay as they are.
        history_->write("file", "where the history cannot be");
        window().snapshots().setFolder(history_->path() / "file" / "history");
        auto common =
            phonebook::EntryText::make("0120123456", text::toCp932("ｻﾎﾟｰﾄ"), text::toCp932("窓口"), '3');
        auto mine = phonebook::EntryText::make("0311112222", text::toCp932("ｼﾞﾀｸ"), text::toCp932("自宅"));
        QVERIFY(phonebook::storeSystemEntry(ws(), 12, common));
        QVERIFY(phonebook::storeTelephoneEntry(ws(), 160, 985, mine));
        recorder.answer(Answer::Ok);
        press("id1135", {host(), password()});

        unit_->finish(5);
        const auto uploads = unit_->uploads();
        QCOMPARE(uploads.size(), std::size_t{7});
        QCOMPARE(uploads[0].first, std::string("sys-tan000.txt"));
        QVERIFY(uploads[0].second.find("0120123456") != std::string::npos);
        QCOMPARE(uploads[0].second, work_->read("sys-tan000.txt"));
        QCOMPARE(uploads[4].first, std::string("tel-tan151.txt"));
        QVERIFY(uploads[4].second.find("0311112222") != std::string::npos);
        const std::vector<std::string> expectedFiles = {"Tov2_L",         "sys-tan.txt",    "sys-tan000.txt",
                                                        "sys-tan500.txt", "tel-tan.txt",    "tel-tan101.txt",
                                                        "tel-tan126.txt", "tel-tan151.txt", "tel-tan176.txt"};
        QCOMPARE(workFiles(), expectedFiles);
        QCOMPARE(entryNumber(0, 12), std::string("0120123456")); // the working copy is left as it was
        QCOMPARE(flags().phonebookPresent, 0);

        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{2});
        expectBox(boxes[0], "\n電話帳データの書込を開始します。\n", "電話帳データの書込確認",
                  platform::Buttons::OkCancel, platform::Icon::Question);
        expectBox(boxes[1], "\n電話帳データの書込が正常に終了しました。\n", "電話帳データの書込の終了",
                  platform::Buttons::Ok, platform::Icon::Information);
        // Both files were written under the file window, before the communication window opened.
        QCOMPARE(recorder.windows(), std::string("F F "));
        QVERIFY(window().snapshots().last().attempted);
        QVERIFY(!window().snapshots().last().kept);
    }

    // Keeps a read of the test's main unit in the window's history, holding what the workspace
    // holds; returns its local time.
    std::string keepRead(Workspace& books) {
        history::Snapshot kept;
        std::string problem;
        const history::SnapshotStore store(window().snapshots().folder());
        if (store.keep(readRecordOf(books), std::chrono::system_clock::now(), kept, problem) != 0)
            qWarning("%s", problem.c_str());
        return kept.info.time;
    }

    void previewShowsWhatTheWriteChangesAndStopEndsIt() {
        testing::RecordingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        startUnit();
        QVERIFY(window().tools().previewBeforeWrite()); // on unless turned off
        auto entry =
            phonebook::EntryText::make("0312345678", text::toCp932("ﾔﾏﾀﾞ"), text::toCp932("山田"), '1');
        QVERIFY(phonebook::storeSystemEntry(ws(), 0, entry));
        const std::string readTime = keepRead(ws());
        auto added = phonebook::EntryText::make("0120123456", "", text::toCp932("窓口"), '3');
        QVERIFY(phonebook::storeSystemEntry(ws(), 12, added));

        // "中止": no password window, nothing asked, nothing sent.
        CompareSeen stopped;
        press("id1135", {host(), compareWindow("stop", &stopped)});
        QCOMPARE(stopped.heading,
                 QStringLiteral(u"%1 の読込との比較").arg(QString::fromStdString(readTime.substr(0, 16))));
        QVERIFY(stopped.heading.startsWith(QStringLiteral("20")) && stopped.heading.size() == 16 + 8);
        QCOMPARE(stopped.summary, QStringLiteral(u"追加 1・変更 0・削除 0"));
        QCOMPARE(stopped.rows, (QStringList{QStringLiteral(u"追加|共通電話帳||012|電話番号||0120123456"),
                                            QStringLiteral(u"追加|共通電話帳||012|漢字名称||窓口"),
                                            QStringLiteral(u"追加|共通電話帳||012|グループ番号||3")}));
        QVERIFY(recorder.boxes().empty());
        QVERIFY(unit_->uploads().empty());

        // "書込を続ける": the procedure goes on as without the preview.
        CompareSeen proceeded;
        recorder.answer(Answer::Ok);
        press("id1135", {host(), compareWindow("proceed", &proceeded), password()});
        unit_->finish(5);
        QCOMPARE(proceeded.summary, stopped.summary);
        QCOMPARE(unit_->uploads().size(), std::size_t{7});
        QCOMPARE(recorder.boxes().size(), std::size_t{2}); // the confirmation and the completion notice

        // Against a read that holds what the working copy holds, the window says so; with the
        // check mark off there is no window at all.
        static_cast<void>(keepRead(ws()));
        startUnit();
        CompareSeen same;
        recorder.answer(Answer::Cancel);
        press("id1135", {host(), compareWindow("proceed", &same), password()});
        QCOMPARE(same.summary, QStringLiteral(u"変更はありません"));
        QVERIFY(same.rows.isEmpty());
        window().tools().previewAction()->setChecked(false);
        recorder.answer(Answer::Cancel);
        press("id1135", {host(), password()});
        QCOMPARE(recorder.boxes().size(), std::size_t{4});
    }

    void verifyReadsBackIntoAWorkspaceOfItsOwn() {
        ObservingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        // A unit that keeps what it is sent and answers later reads with it, garbling memory 012
        // once asked to.
        std::atomic<bool> garble{false};
        MainUnitSimulator::Options options;
        options.serveRepeatedly = true;
        options.afterTransfer = [&garble](const mainunit::TransferOutcome& outcome, std::string& systan,
                                          std::string& teltan) {
            if (!outcome.uploadComplete) return;
            std::vector<mainunit::UnitRecord> records = mainunit::recordsFromPages(outcome.uploads, false);
            if (garble) mainunit::changeMemory(records, 12);
            systan = mainunit::systanText(records, false);
            teltan = mainunit::teltanText(records, false);
        };
        startUnit(options);
        window().tools().previewAction()->setChecked(false);
        window().tools().verifyAction()->setChecked(true);
        auto entry =
            phonebook::EntryText::make("0120123456", text::toCp932("ｻﾎﾟｰﾄ"), text::toCp932("窓口"), '3');
        QVERIFY(phonebook::storeSystemEntry(ws(), 12, entry));
        const auto before = img().workingCopy;

        recorder.answer(Answer::Ok);
        press("id1135", {host(), password()});
        auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{3});
        expectBox(boxes[1], "\n電話帳データの書込が正常に終了しました。\n", "電話帳データの書込の終了",
                  platform::Buttons::Ok, platform::Icon::Information);
        expectBox(boxes[2], "書込内容と主装置の内容は一致しました。", "書込内容の確認", platform::Buttons::Ok,
                  platform::Icon::Information);
        // The write's files under the file window, then the read-back's under the communication
        // window; the working copy is as it was, and nothing is marked as read.
        QCOMPARE(recorder.windows(), std::string("F F C C "));
        QVERIFY(std::memcmp(&before, &img().workingCopy, sizeof before) == 0);
        QCOMPARE(flags().phonebookPresent, 0);
        const auto kept = history::SnapshotStore(window().snapshots().folder()).list("127.0.0.1");
        QCOMPARE(kept.size(), std::size_t{2});
        QCOMPARE(kept[0].info.direction, history::Direction::Read);
        QCOMPARE(kept[0].info.commonInUse, 1);

        // A unit that holds something else than it was sent: the differences, then the error.
        garble = true;
        recorder.clear();
        recorder.allowPlainMessages();
        recorder.answer(Answer::Ok);
        CompareSeen differences;
        press("id1135", {host(), password(), compareWindow("close", &differences)});
        QCOMPARE(differences.summary, QStringLiteral(u"追加 0・変更 1・削除 0"));
        QCOMPARE(differences.rows,
                 QStringList{QStringLiteral(u"変更|共通電話帳||012|電話番号|0120123456|0120123457")});
        boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{3});
        expectBox(boxes[2], "\n書込内容と主装置の内容が一致しません。\n", "エラー", platform::Buttons::Ok,
                  platform::Icon::Exclamation);
        QVERIFY(std::memcmp(&before, &img().workingCopy, sizeof before) == 0);
    }

    void cancelAtAnyStepChangesNothing() {
        testing::RecordingUi recorder(uiSwitch());
        const auto seeded = phonebook::EntryText::make("0312345678", "", "");
        auto entry = seeded;
        QVERIFY(phonebook::storeSystemEntry(ws(), 3, entry));
        const auto before = img().workingCopy;
        QTest::mouseClick(control<QRadioButton>(window(), "id2570"), Qt::LeftButton);

        QString hostAtOpen[3], passwordAtOpen[2];
        press("id1134", {enter<app::CHostAddressDlg>("id2550", QStringLiteral("pbx"), &hostAtOpen[0], true)});
        press("id1135", {host(&hostAtOpen[1]), password(QStringLiteral("12"), &passwordAtOpen[0], true)});
        recorder.answer(Answer::Cancel);
        press("id1134", {host(&hostAtOpen[2]), password(QStringLiteral("1234"), &passwordAtOpen[1])});

        for (const QString& shown : hostAtOpen) QCOMPARE(shown, QString());
        for (const QString& shown : passwordAtOpen) QCOMPARE(shown, QString());
        QCOMPARE(recorder.boxes().size(), std::size_t{1}); // the confirmation, answered Cancel
        QVERIFY(recorder.unexpectedPrompts().empty());
        QCOMPARE(img().memoryMode, std::uint8_t{1});
        QVERIFY(std::memcmp(&before, &img().workingCopy, sizeof before) == 0);
        QCOMPARE(flags().phonebookPresent, 0);
        QVERIFY(workFiles().empty());
    }

    void wrongPasswordIsReportedBeforeTheCommunicationError() {
        testing::RecordingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        MainUnitSimulator::Options options;
        options.password = "4321";
        startUnit(options);
        QTest::mouseClick(control<QRadioButton>(window(), "id2570"), Qt::LeftButton);
        recorder.answer(Answer::Ok);
        press("id1134", {host(), password()});

        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{3});
        QCOMPARE(bytesOf(boxes[1].text), bytesOf(text::toCp932("パスワードエラーです。")));
        QVERIFY(boxes[1].owner.native != nullptr && boxes[1].owner.native != &window());
        expectBox(boxes[2], "\n通信エラーが発生しました。\n", "エラー", platform::Buttons::Ok,
                  platform::Icon::Exclamation);
        QCOMPARE(boxes[2].owner.native, static_cast<void*>(&window()));
        // Only the memory count has changed.
        QCOMPARE(img().memoryMode, std::uint8_t{2});
        QCOMPARE(flags().phonebookPresent, 0);
        QVERIFY(!std::filesystem::exists(work_->path() / "sys-tan.txt"));
    }

    void linkMessageIsOwnedByTheProgressWindowOnTheGuiThread() {
        app::QtUi ui;
        uiSwitch().route(ui);
        MainUnitSimulator::Options wrongModel;
        wrongModel.deviceType = "Rk/M";
        startUnit(wrongModel);

        struct Seen {
            QString text;
            QString ownerTitle;
            bool ownerIsProgress = false;
            bool mainEnabled = true;
            bool secondProcedureOpened = false;
        };
        std::vector<Seen> seen;
        const auto answerBox = [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return false;
            Seen now{box->text(), box->parentWidget() ? box->parentWidget()->windowTitle() : QString()};
            now.ownerIsProgress = qobject_cast<app::CCommProgressDlg*>(box->parentWidget()) != nullptr;
            now.mainEnabled = window().isEnabled();
            // A read requested while the transfer runs must not start.
            QMetaObject::invokeMethod(&window(), "onReadPhonebook", Qt::DirectConnection);
            now.secondProcedureOpened = QApplication::activeModalWidget() != box;
            seen.push_back(now);
            QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
            return true;
        };
        press("id1134", {host(), password(), answerBox, answerBox, answerBox});
        uiSwitch().unroute(ui);

        QCOMPARE(seen.size(), std::size_t{3});
        QCOMPARE(seen[0].text, QStringLiteral(u"\n電話帳データの読込を開始します。\n"));
        QCOMPARE(seen[1].text, QStringLiteral(u"主装置種別エラー発生"));
        QVERIFY(seen[1].ownerIsProgress);
        QCOMPARE(seen[1].ownerTitle, QStringLiteral(u"データ通信実行中"));
        QVERIFY(!seen[1].mainEnabled);
        QCOMPARE(seen[2].text, QStringLiteral(u"\n通信エラーが発生しました。\n"));
        QCOMPARE(seen[2].ownerTitle, window().windowTitle());
        QVERIFY(seen[2].mainEnabled);
        for (const Seen& box : seen) QVERIFY(!box.secondProcedureOpened);
    }
};

int runTransferProcedureTests(int argc, char** argv) {
    TransferProcedureTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "transfer_procedure_test.moc"
