#include "app/main_menu_dlg.h"
#include "app/menu_select_dlg.h"
#include "app/speed_dial_app.h"
#include "app_test_support.h"
#include "support/recording_ui.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using rk::platform::Answer;
using rk::platform::Buttons;
using rk::platform::Icon;

namespace rk::apptest {

using app::CMainMenuDlg;
using app::CSpeedDialApp;

namespace {

// "　パソコン短縮設定用プログラム（Rk3/L）を終了しますか？" and "終了確認"
const std::string kExitText =
    hexBytes("81 40 83 70 83 5C 83 52 83 93 92 5A 8F 6B 90 DD 92 E8 97 70 83 76 83 8D 83 4F"
             "83 89 83 80 81 69 52 6B 33 2F 4C 81 6A 82 F0 8F 49 97 B9 82 B5 82 DC 82 B7 82"
             "A9 81 48");
const std::string kExitCaption = hexBytes("8F 49 97 B9 8A 6D 94 46");
// "システム短縮ダイヤルのメモリー数が変更されているため\n電話帳データは全てクリアされます。続行しますか？\n"
const std::string kClearText = hexBytes(
    "83 56 83 58 83 65 83 80 92 5A 8F 6B 83 5F 83 43 83 84 83 8B 82 CC 83 81 83 82 83 8A 81 5B 90 94 82 AA"
    "95 CF 8D 58 82 B3 82 EA 82 C4 82 A2 82 E9 82 BD 82 DF 0A 93 64 98 62 92 A0 83 66 81 5B 83 5E 82 CD 91"
    "53 82 C4 83 4E 83 8A 83 41 82 B3 82 EA 82 DC 82 B7 81 42 91 B1 8D 73 82 B5 82 DC 82 B7 82 A9 81 48 0A");
// "電話帳データ読込確認"
const std::string kClearCaption = hexBytes("93 64 98 62 92 A0 83 66 81 5B 83 5E 93 C7 8D 9E 8A 6D 94 46");

// Slots of the working copy: one in the common phonebook, one that only the 600 layout uses for
// telephones (the 990 layout ends at slot 2,079).
constexpr std::size_t kCommonSlot = 5;
constexpr std::size_t kSlotOnlyIn600Layout = 2500;

template <typename Control> Control* control(QWidget& window, const char* name) {
    return window.findChild<Control*>(QString::fromLatin1(name));
}

void seedEntry(std::size_t slot) {
    img().workingCopy[slot].number[0] = 0x12;
}

bool workingCopyEmpty() {
    const auto& copy = img().workingCopy;
    return std::all_of(copy.begin(), copy.end(),
                       [](const image::SpeedDialEntry& entry) { return entry.empty(); });
}

// Clicks "電話帳データの編集" and closes the menu window if one opens; tells whether it opened.
bool editAndLeaveMenu(CMainMenuDlg& window) {
    bool menuShown = false;
    whenModalOpens([&menuShown](QWidget* modal) {
        if (auto* menu = qobject_cast<app::CMenuSelectDlg*>(modal)) {
            menuShown = true;
            menu->reject();
        }
    });
    QTest::mouseClick(control<QPushButton>(window, "id1010"), Qt::LeftButton);
    QCoreApplication::processEvents(); // the timer above, when no window opened
    return menuShown;
}

} // namespace

class MainMenuTest : public QObject {
    Q_OBJECT

private:
    void expectExitQuestion(const platform::MessageRequest& box, QWidget* window) {
        QCOMPARE(bytesOf(box.text), bytesOf(kExitText));
        QCOMPARE(bytesOf(box.caption), bytesOf(kExitCaption));
        QCOMPARE(box.buttons, Buttons::YesNo);
        QCOMPARE(box.icon, Icon::Question);
        QCOMPARE(box.owner.native, static_cast<void*>(window));
    }

private slots:
    void init() { startHarness(); }
    void cleanup() { finishHarness(); }

    void startUpShowsTheDefaultsAndEndsOnConfirmedEscape() {
        QTemporaryDir workDirectory;
        QVERIFY(workDirectory.isValid());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workDirectory.path()));
        img().memoryMode = 2; // start-up must reset the image
        ws().duplicateReport().count = 3;

        testing::RecordingUi recorder(uiSwitch());
        CSpeedDialApp& application = harness().application;
        bool modalWindow = false, allowedChecked = false, memories600Checked = false;
        int selection = 0;
        whenModalOpens([&](QWidget* modal) {
            CMainMenuDlg* window = application.mainWindow();
            if (window == nullptr) return;
            modalWindow = modal == window;
            allowedChecked = control<QRadioButton>(*window, "id2564")->isChecked();
            memories600Checked = control<QRadioButton>(*window, "id2569")->isChecked();
            selection = window->memorySelection();
            recorder.answer(Answer::Yes);
            QTest::keyClick(window, Qt::Key_Escape);
        });
        // Ends a window the test could not end, so that a failure does not hang the run.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&application] {
            if (application.mainWindow() != nullptr) application.mainWindow()->done(-1);
        });
        watchdog.start(10000);

        const bool result = application.startUp();
        application.exitInstance();
        QDir::setCurrent(previous);

        QCOMPARE(result, false);
        QVERIFY(modalWindow);
        QVERIFY(allowedChecked);
        QVERIFY(memories600Checked);
        QCOMPARE(selection, 1);
        QCOMPARE(img().memoryMode, std::uint8_t{1});
        QCOMPARE(ws().duplicateReport().count, 0);
        QCOMPARE(QDir(QString::fromStdString(flags().startupDir)).canonicalPath(),
                 QDir(workDirectory.path()).canonicalPath());
        QCOMPARE(application.mainWindow(), nullptr);
        QCOMPARE(recorder.boxes().size(), std::size_t{1});
        QVERIFY(recorder.unexpectedPrompts().empty());
    }

    void escapeAnsweredNoKeepsTheWindowAndYesEndsIt() {
        testing::RecordingUi recorder(uiSwitch());
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();

        recorder.answer(Answer::No);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&window, &escape);
        QVERIFY(escape.isAccepted()); // consumed: nothing else sees the key
        QVERIFY(window.isVisible());
        auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        expectExitQuestion(boxes[0], &window);
        if (QTest::currentTestFailed()) return;

        recorder.answer(Answer::Yes);
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
        boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{2});
        expectExitQuestion(boxes[1], &window);
        QVERIFY(recorder.unexpectedPrompts().empty());
    }

    void exitButtonAnsweredYesAccepts() {
        testing::RecordingUi recorder(uiSwitch());
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QPushButton* exit = control<QPushButton>(window, "id1133");
        QVERIFY(exit != nullptr);

        recorder.answer(Answer::No);
        QTest::mouseClick(exit, Qt::LeftButton);
        QVERIFY(window.isVisible());

        recorder.answer(Answer::Yes);
        QTest::mouseClick(exit, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{2}); // ending asked nothing more
        expectExitQuestion(boxes[1], &window);
        QVERIFY(recorder.unexpectedPrompts().empty());
    }

    void closeRequestAsksExactlyOnce() {
        testing::RecordingUi recorder(uiSwitch());
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();

        recorder.answer(Answer::No);
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(recorder.boxes().size(), std::size_t{1});
        expectExitQuestion(recorder.boxes()[0], &window);
        if (QTest::currentTestFailed()) return;

        recorder.answer(Answer::Yes);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(recorder.boxes().size(), std::size_t{2});
        QVERIFY(recorder.unexpectedPrompts().empty());
        QCOMPARE(recorder.unusedAnswers(), std::size_t{0});
    }

    void initialisationShowsTheCurrentOptions() {
        flags().dupCheckEnabled = 1;
        img().memoryMode = 2;
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        QVERIFY(control<QRadioButton>(window, "id2565")->isChecked());
        QVERIFY(!control<QRadioButton>(window, "id2564")->isChecked());
        QVERIFY(control<QRadioButton>(window, "id2570")->isChecked());
        QVERIFY(!control<QRadioButton>(window, "id2569")->isChecked());
        QCOMPARE(window.memorySelection(), 2);
        QCOMPARE(flags().dupCheckEnabled, 1); // checking from code stored nothing
    }

    void memoryChoiceWaitsForAProcedure() {
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QTest::mouseClick(control<QRadioButton>(window, "id2570"), Qt::LeftButton);
        QVERIFY(control<QRadioButton>(window, "id2570")->isChecked());
        QVERIFY(!control<QRadioButton>(window, "id2569")->isChecked());
        QCOMPARE(window.memorySelection(), 2);
        QCOMPARE(img().memoryMode, std::uint8_t{1});
        // The other group keeps its choice.
        QVERIFY(control<QRadioButton>(window, "id2564")->isChecked());
        QCOMPARE(flags().dupCheckEnabled, 0);

        QTest::mouseClick(control<QRadioButton>(window, "id2569"), Qt::LeftButton);
        QCOMPARE(window.memorySelection(), 1);
    }

    void duplicateChoiceTakesEffectAtOnce() {
        testing::RecordingUi recorder(uiSwitch());
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QTest::mouseClick(control<QRadioButton>(window, "id2565"), Qt::LeftButton);
        QCOMPARE(flags().dupCheckEnabled, 1);
        QVERIFY(!control<QRadioButton>(window, "id2564")->isChecked());
        QVERIFY(control<QRadioButton>(window, "id2569")->isChecked());
        QCOMPARE(window.memorySelection(), 1);

        QTest::mouseClick(control<QRadioButton>(window, "id2564"), Qt::LeftButton);
        QCOMPARE(flags().dupCheckEnabled, 0);
        QVERIFY(recorder.boxes().empty());
    }

    void radioButtonsAreNotHiddenBehindTheirFrames() {
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QVERIFY(control<QGroupBox>(window, "groupDuplicate") != nullptr);
        QVERIFY(control<QGroupBox>(window, "groupMemory") != nullptr);
        for (const char* name : {"id2564", "id2565", "id2569", "id2570"}) {
            QRadioButton* radio = control<QRadioButton>(window, name);
            QVERIFY2(window.childAt(radio->geometry().center()) == radio, name);
        }
    }

    void editEntryRefusedChangesNothing() {
        testing::RecordingUi recorder(uiSwitch());
        flags().phonebookPresent = 1;
        seedEntry(kCommonSlot);
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QTest::mouseClick(control<QRadioButton>(window, "id2570"), Qt::LeftButton);

        recorder.answer(Answer::No);
        QVERIFY(!editAndLeaveMenu(window));
        QCOMPARE(img().memoryMode, std::uint8_t{1});
        QVERIFY(!img().workingCopy[kCommonSlot].empty());
        QVERIFY(control<QRadioButton>(window, "id2570")->isChecked());
        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QCOMPARE(bytesOf(boxes[0].text), bytesOf(kClearText));
        QCOMPARE(bytesOf(boxes[0].caption), bytesOf(kClearCaption));
        QCOMPARE(boxes[0].buttons, Buttons::YesNo);
        QCOMPARE(boxes[0].icon, Icon::Question);
        QCOMPARE(boxes[0].owner.native, static_cast<void*>(&window));
    }

    void editEntryConfirmedClearsTheOldLayout() {
        testing::RecordingUi recorder(uiSwitch());
        flags().phonebookPresent = 1;
        seedEntry(kCommonSlot);
        seedEntry(kSlotOnlyIn600Layout);
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QTest::mouseClick(control<QRadioButton>(window, "id2570"), Qt::LeftButton);

        recorder.answer(Answer::Yes);
        QVERIFY(editAndLeaveMenu(window));
        QCOMPARE(img().memoryMode, std::uint8_t{2});
        QVERIFY(workingCopyEmpty()); // includes the part only the 600 layout used
        QCOMPARE(recorder.boxes().size(), std::size_t{1});
        QVERIFY(recorder.unexpectedPrompts().empty());
    }

    void editEntryWithoutPhonebookSwitchesSilently() {
        testing::RecordingUi recorder(uiSwitch());
        seedEntry(kCommonSlot);
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();
        QTest::mouseClick(control<QRadioButton>(window, "id2570"), Qt::LeftButton);

        QVERIFY(editAndLeaveMenu(window));
        QCOMPARE(img().memoryMode, std::uint8_t{2});
        QVERIFY(!img().workingCopy[kCommonSlot].empty());
        QVERIFY(recorder.boxes().empty());
    }

    void editEntryWithUnchangedCountOpensTheMenuWithoutAsking() {
        testing::RecordingUi recorder(uiSwitch());
        flags().phonebookPresent = 1;
        seedEntry(kCommonSlot);
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        window.show();

        QVERIFY(editAndLeaveMenu(window));
        QCOMPARE(img().memoryMode, std::uint8_t{1});
        QVERIFY(!img().workingCopy[kCommonSlot].empty());
        QVERIFY(recorder.boxes().empty());
        QVERIFY(window.isVisible());
    }

    void captionsAndTabOrder() {
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        QCOMPARE(window.windowTitle(), QStringLiteral(u"パソコン短縮設定用プログラム（Rk3/L）"));
        const std::pair<const char*, QString> buttons[] = {
            {"id1134", QStringLiteral(u"電話帳データの読込")},
            {"id1135", QStringLiteral(u"電話帳データの書込")},
            {"id1010", QStringLiteral(u"電話帳データの編集")},
            {"id1133", QStringLiteral(u"終了")},
            {"id2564", QStringLiteral(u"「あり」：重複登録可（重複チェック無効）")},
            {"id2565", QStringLiteral(u"「なし」：重複登録不可（重複チェック有効）")},
            {"id2569", QStringLiteral(u"600メモリー")},
            {"id2570", QStringLiteral(u"990メモリー")},
        };
        for (const auto& [name, caption] : buttons) {
            QAbstractButton* button = control<QAbstractButton>(window, name);
            QVERIFY2(button != nullptr, name);
            QCOMPARE(button->text(), caption);
        }
        QCOMPARE(control<QGroupBox>(window, "groupDuplicate")->title(),
                 QStringLiteral(u"電話帳電話番号重複登録設定"));
        QCOMPARE(control<QGroupBox>(window, "groupMemory")->title(),
                 QStringLiteral(u"*120 システム短縮ダイヤルのメモリー数"));

        QStringList order;
        QWidget* widget = &window;
        do {
            widget = widget->nextInFocusChain();
            if (widget != &window && (widget->focusPolicy() & Qt::TabFocus) != 0)
                order << widget->objectName();
        } while (widget != &window && order.size() < 20);
        QCOMPARE(order, (QStringList{"id1134", "id1135", "id1010", "id1133", "id2564", "id2565", "id2569",
                                     "id2570"}));
    }

    void versionTextsHoldTheTab() {
        CSpeedDialApp& application = harness().application;
        CMainMenuDlg window(application);
        // "バージョン： \tVer 5.1.0.1" and "対応主装置版数：「4-X」～「11-X」"
        QCOMPARE(
            bytesOf(cp932Of(control<QLabel>(window, "id2503")->text())),
            bytesOf(hexBytes("83 6F 81 5B 83 57 83 87 83 93 81 46 20 09 56 65 72 20 35 2E 31 2E 30 2E 31")));
        QCOMPARE(bytesOf(cp932Of(control<QLabel>(window, "id2504")->text())),
                 bytesOf(hexBytes(
                     "91 CE 89 9E 8E E5 91 95 92 75 94 C5 90 94 81 46 81 75 34 2D 58 81 76 81 60 81 75"
                     "31 31 2D 58 81 76")));
    }
};

int runMainMenuTests(int argc, char** argv) {
    MainMenuTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "main_menu_test.moc"
