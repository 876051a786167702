#include "app/error_notice_dlg.h"
#include "app/menu_select_dlg.h"
#include "app/qt_ui.h"
#include "app_test_support.h"
#include "support/http_client.h"
#include "support/recording_ui.h"
#include "web/edit_session.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <cstring>
#include <thread>

namespace rk::apptest {
namespace {

constexpr std::size_t kReadSlot = 7;     // an entry as a read from the main unit leaves it
constexpr std::size_t kBrowserSlot = 42; // an entry a browser form stored into the backup copy

enum class Leave { BackButton, Escape, CloseBox };

void leave(app::CMenuSelectDlg& menu, Leave how) {
    switch (how) {
    case Leave::BackButton:
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("id2")), Qt::LeftButton);
        break;
    case Leave::Escape:
        QTest::keyClick(&menu, Qt::Key_Escape);
        break;
    case Leave::CloseBox:
        menu.close();
        break;
    }
}

QPushButton* button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

bool copiesEqual() {
    const image::DataImage& image = img();
    return std::memcmp(image.workingCopy.data(), image.backupCopy.data(), sizeof(image.workingCopy)) == 0;
}

} // namespace

class MenuSelectTest : public QObject {
    Q_OBJECT

private slots:
    void init() { startHarness(); }
    void cleanup() { finishHarness(); }

    void initialisationFocusesDetailedSettings() {
        app::CMenuSelectDlg menu(ws(), seam());
        QCOMPARE(menu.windowTitle(), QStringLiteral(u"メニュー選択"));
        const std::pair<const char*, QString> buttons[] = {
            {"id1077", QStringLiteral(u"詳細設定")},
            {"id2", QStringLiteral(u"戻る")},
            {"id1294", QStringLiteral(u"ファイルデータ読込")},
            {"id1295", QStringLiteral(u"ファイルデータ保存")},
        };
        for (const auto& [name, caption] : buttons) {
            QPushButton* button = menu.findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY2(button != nullptr, name);
            QCOMPARE(button->text(), caption);
        }
        menu.show();
        QPushButton* detailed = menu.findChild<QPushButton*>(QStringLiteral("id1077"));
        QVERIFY(detailed->isEnabled());
        QCOMPARE(menu.focusWidget(), detailed);
    }

    void leavingWithDuplicateCheckTakesTheBackupCopy_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("back button") << int(Leave::BackButton);
        QTest::newRow("Escape") << int(Leave::Escape);
        QTest::newRow("close box") << int(Leave::CloseBox);
    }

    void leavingWithDuplicateCheckTakesTheBackupCopy() {
        QFETCH(int, how);
        testing::RecordingUi recorder(uiSwitch());
        flags().dupCheckEnabled = 1;
        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        // Browser editing with the check on stores into the backup copy only.
        img().backupCopy[kBrowserSlot].number[0] = 0x21;
        QVERIFY(img().workingCopy[kBrowserSlot].empty());

        leave(menu, static_cast<Leave>(how));
        QVERIFY(!menu.isVisible());
        QCOMPARE(menu.result(), int(QDialog::Rejected));
        QVERIFY(!img().workingCopy[kBrowserSlot].empty());
        QVERIFY(copiesEqual());
        QVERIFY(recorder.boxes().empty());
    }

    void leavingWithoutDuplicateCheckKeepsTheWorkingCopy() {
        flags().dupCheckEnabled = 0;
        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        img().workingCopy[kReadSlot].number[0] = 0x33; // as the browser left it
        img().backupCopy[kBrowserSlot].number[0] = 0x21;

        leave(menu, Leave::BackButton);
        QVERIFY(!menu.isVisible());
        QVERIFY(!img().workingCopy[kReadSlot].empty());
        QVERIFY(img().workingCopy[kBrowserSlot].empty());
    }

    void detailedSettingsStartsTheServerOnceAndOpensTheBrowserEachTime() {
        testing::RecordingUi recorder(uiSwitch());
        app::CMenuSelectDlg menu(ws(), seam());
        menu.editSession().setServerPort(0);
        menu.show();
        img().workingCopy[kReadSlot].number[0] = 0x33;
        QTest::mouseClick(button(menu, "id1077"), Qt::LeftButton);
        web::EasyHttpServer& server = menu.editSession().server();
        QVERIFY(server.IsRunning());
        const int port = server.listeningPort();
        QVERIFY(copiesEqual()); // the starting snapshot
        QTest::mouseClick(button(menu, "id1077"), Qt::LeftButton);
        QCOMPARE(server.listeningPort(), port);
        const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
        QCOMPARE(recorder.browsers(), (std::vector<std::string>{address, address}));
        // The browser's first request: the start page of the program's own edit pages.
        const std::string start = testing::get(port, "/");
        QVERIFY(start.starts_with("HTTP/1.0 200 OK\r\n"));
        QVERIFY(start.find("Content-Type: text/html\r\n") != std::string::npos);
        QVERIFY(start.find("17tansyuku_01.html") != std::string::npos);

        QTest::mouseClick(button(menu, "id2"), Qt::LeftButton);
        QVERIFY(!server.IsRunning());
        QVERIFY(!testing::Client(port).connected());
        QVERIFY(recorder.boxes().empty());
    }

    void tooLittleMemoryStartsNoServer() {
        testing::RecordingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        harness().system.setAvailableMemory(web::kServerMemoryNeeded - 1);
        app::CMenuSelectDlg menu(ws(), seam());
        menu.editSession().setServerPort(0);
        menu.show();
        QTest::mouseClick(button(menu, "id1077"), Qt::LeftButton);
        QVERIFY(!menu.editSession().server().IsRunning());
        QVERIFY(recorder.browsers().empty());
        QCOMPARE(recorder.boxes().size(), std::size_t{1});
        QCOMPARE(bytesOf(recorder.boxes()[0].text),
                 bytesOf(text::toCp932("\nメモリ不足のため、\nサーバが起動できませんでした。\n")));
        QCOMPARE(recorder.boxes()[0].owner.native, static_cast<void*>(&menu));
    }

    // A browser request that found a duplicate holds the edit lock and waits for this thread to
    // show its error notice; the operator presses "戻る" before that (the click is handled first),
    // and "戻る" needs the lock for its phonebook step. The notice must be shown and answered, then
    // the menu leaves.
    void leavingWhileARequestWaitsForItsMessage() {
        harness().application.clock().setPauseScale(0);
        flags().dupCheckEnabled = 1;
        app::CMenuSelectDlg menu(ws(), seam());
        menu.editSession().setServerPort(0);
        menu.show();
        {
            testing::RecordingUi quiet(uiSwitch()); // no real browser in a test
            QTest::mouseClick(button(menu, "id1077"), Qt::LeftButton);
        }
        app::QtUi ui;
        uiSwitch().route(ui);
        const int port = menu.editSession().server().listeningPort();
        std::atomic<bool> answered{false};
        std::thread browser([&] {
            testing::post(port, "/17tansyuku_01.html", "application/x-www-form-urlencoded",
                          "s000n1=117&s001n1=117");
            answered = true;
        });
        // Without handling any event here, until the request holds the lock and has asked.
        while (ws().editLock().try_lock()) {
            ws().editLock().unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QString noticeText;
        QTimer operatorAnswers;
        connect(&operatorAnswers, &QTimer::timeout, [&] {
            if (auto* notice = qobject_cast<app::CErrorNoticeDlg*>(QApplication::activeModalWidget())) {
                noticeText = notice->findChild<QLabel*>(QStringLiteral("id2568"))->text();
                notice->accept();
            }
        });
        operatorAnswers.start(5);
        QTest::mouseClick(button(menu, "id2"), Qt::LeftButton);
        operatorAnswers.stop();
        browser.join();
        uiSwitch().unroute(ui);
        QVERIFY(answered.load());
        QVERIFY(!menu.isVisible());
        QCOMPARE(noticeText, QStringLiteral(u"短縮番号000番と001番が重複して登録されています。"));
        QVERIFY(!menu.editSession().server().IsRunning());
        QVERIFY(!img().workingCopy[0].empty()); // the submitted page reached the working copy
        QVERIFY(copiesEqual());
    }

    // A phonebook read from the main unit lands in the working copy only; leaving the menu with the
    // duplicate check on must not put the older backup copy in its place.
    void leavingDoesNotBringBackAnOlderPhonebook() {
        flags().dupCheckEnabled = 1;
        img().backupCopy[kBrowserSlot].number[0] = 0x21; // from an earlier session
        img().workingCopy[kReadSlot].number[0] = 0x33;   // the phonebook just read
        img().workingCopy[kBrowserSlot].number[0] = 0;

        app::CMenuSelectDlg menu(ws(), seam());
        menu.show();
        leave(menu, Leave::BackButton);
        QVERIFY(!img().workingCopy[kReadSlot].empty());
        QVERIFY(img().workingCopy[kBrowserSlot].empty());
    }
};

int runMenuSelectTests(int argc, char** argv) {
    MenuSelectTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "menu_select_test.moc"
