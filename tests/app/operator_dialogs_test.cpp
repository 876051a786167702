// The host, password and progress windows on their own.
#include "app/comm_progress_dlg.h"
#include "app/file_progress_dlg.h"
#include "app/host_address_dlg.h"
#include "app/password_dlg.h"
#include "app_test_support.h"
#include "link/device_session.h"
#include "platform/progress.h"
#include "support/recording_ui.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <thread>

namespace rk::apptest {

int runOperatorDialogTests(int argc, char** argv);

namespace {

template <typename Control> Control* control(QWidget& window, const char* name) {
    return window.findChild<Control*>(QString::fromLatin1(name));
}

void clickOk(QWidget& window) {
    QTest::mouseClick(control<QPushButton>(window, "id1"), Qt::LeftButton);
}

// Types text key by key, as a keyboard (or an input method committing it) would.
void typeText(QWidget* field, const QString& text) {
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(field, &release);
    }
}

// Posts from a thread of its own, as the device link does, then lets the window handle it.
void postFromWorker(int message, std::int64_t value) {
    platform::ProgressRegistry& registry = harness().application.progress();
    std::thread sender([&registry, message, value] {
        registry.post(platform::communicationProgressTitle(), message, value);
    });
    sender.join();
    QCoreApplication::sendPostedEvents();
}

} // namespace

class OperatorDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { startHarness(); }
    void cleanup() { finishHarness(); }

    void hostWindowChecksTheTextAndHandsItToTheSession() {
        testing::RecordingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        link::DeviceSession session(ws(), seam());
        app::CHostAddressDlg window(session, 9123);
        QCOMPARE(window.windowTitle(), QStringLiteral(u"ホスト名/IPアドレス入力"));
        window.show();
        auto* host = control<QLineEdit>(window, "id2550");
        QCOMPARE(host->text(), QString());
        QTest::keyClicks(host, QString(70, QLatin1Char('a')));
        QCOMPARE(host->text().size(), 64);
        // The port field is kept, hidden and disabled, holding 9000.
        auto* port = control<QLineEdit>(window, "id2548");
        QVERIFY(port->isHidden() && !port->isEnabled());
        QCOMPARE(port->text(), QStringLiteral("9000"));
        QVERIFY(control<QLineEdit>(window, "id2547")->isHidden());

        host->clear();
        clickOk(window);
        for (const QString& refused : {QStringLiteral(u"１２７.0.0.1"), QStringLiteral(u"主装置")}) {
            host->clear();
            typeText(host, refused);
            clickOk(window);
        }
        QVERIFY(window.isVisible());
        QCOMPARE(session.host(), std::string("localhost"));
        const auto boxes = recorder.boxes();
        QCOMPARE(boxes.size(), std::size_t{3});
        QCOMPARE(bytesOf(boxes[0].text),
                 bytesOf(text::toCp932("\nホスト名または、IPアドレスを入力してください。\n")));
        for (std::size_t i = 1; i < 3; ++i)
            QCOMPARE(bytesOf(boxes[i].text),
                     bytesOf(text::toCp932("\nホスト名は半角英数字で入力してください。\n")));
        QCOMPARE(boxes[2].owner.native, static_cast<void*>(&window));
        QCOMPARE(boxes[2].icon, platform::Icon::Exclamation);

        host->clear();
        typeText(host, QStringLiteral(u"ﾎｽﾄ-1"));
        clickOk(window);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(bytesOf(session.host()), bytesOf(hexBytes("CE BD C4 2D 31")));
        QCOMPARE(session.port(), 9123);
        QCOMPARE(recorder.boxes().size(), std::size_t{3});
    }

    void passwordWindowTakesFourDigitsOnly() {
        testing::RecordingUi recorder(uiSwitch());
        recorder.allowPlainMessages();
        app::CPasswordDlg window(seam().ui);
        QCOMPARE(window.windowTitle(), QStringLiteral(u"パスワード入力"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* field = control<QLineEdit>(window, "id2568");
        QCOMPARE(field->text(), QString());
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        typeText(field, QStringLiteral(u"1a２2345"));
        QCOMPARE(field->text(),
                 QStringLiteral("1234")); // letters, full-width digits and a fifth digit refused

        field->setText(QStringLiteral("123"));
        clickOk(window);
        QVERIFY(window.isVisible());
        QVERIFY(field->hasFocus());
        QCOMPARE(recorder.boxes().size(), std::size_t{1});
        QCOMPARE(bytesOf(recorder.boxes()[0].text), bytesOf(text::toCp932("パスワードを入力してください。")));
        QCOMPARE(bytesOf(recorder.boxes()[0].caption), bytesOf(text::toCp932("エラー")));

        QTest::keyClick(field, Qt::Key_7);
        clickOk(window);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.password(), std::string("1237"));
    }

    void communicationWindowTextsTitleAndRegistration() {
        QCOMPARE(app::CCommProgressDlg::messageText(2, 0), QStringLiteral(u"電話帳データの書込実行中です。"));
        QCOMPARE(app::CCommProgressDlg::messageText(3, 0), QStringLiteral(u"短縮データの読込実行中です。"));
        QCOMPARE(app::CCommProgressDlg::messageText(4, 1),
                 QStringLiteral(u"リモート短縮データの書込実行中です。"));
        QCOMPARE(app::CCommProgressDlg::messageText(5, 0), QString());
        QCOMPARE(app::CCommProgressDlg::messageText(0, 1), QStringLiteral(u"リモート"));

        const std::string& title = platform::communicationProgressTitle();
        {
            app::CCommProgressDlg window(harness().application.progress(), 1, 0);
            QCOMPARE(window.windowTitle(), QStringLiteral(u"データ通信実行中"));
            QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(control<QLineEdit>(window, "id1006")->text(),
                     QStringLiteral(u"電話帳データの読込実行中です。"));
            QCOMPARE(control<QLineEdit>(window, "id1009")->text(), QStringLiteral("0"));
            QCOMPARE(harness().application.progress().windowHandle(title),
                     static_cast<void*>(static_cast<QWidget*>(&window)));

            // Neither key ends the window, nor does a close request.
            window.show();
            QTest::keyClick(&window, Qt::Key_Escape);
            QTest::keyClick(&window, Qt::Key_Return);
            window.close();
            QVERIFY(window.isVisible());
        }
        QVERIFY(!harness().application.progress().post(title, platform::WM_PRG_SETPOS, 5));
        QCOMPARE(harness().application.progress().windowHandle(title), nullptr);
    }

    void stepsBecomePercentages() {
        app::CCommProgressDlg window(harness().application.progress(), 2, 0);
        auto* percentage = control<QLineEdit>(window, "id1009");
        auto* bar = control<QProgressBar>(window, "id2164");
        const auto shown = [&] { return percentage->text().toInt(); };

        postFromWorker(platform::WM_PRG_STEP, 3);
        QCOMPARE(shown(), 0); // no range yet: EndPos, still 0
        postFromWorker(platform::WM_PRG_STARTPOS, 20);
        postFromWorker(platform::WM_PRG_ENDPOS, 80);
        postFromWorker(platform::WM_PRG_RANGE, 7);
        QList<int> positions;
        for (int step : {0, 1, 3, 7, 9}) {
            postFromWorker(platform::WM_PRG_STEP, step);
            positions << shown();
        }
        QCOMPARE(positions, (QList<int>{20, 28, 45, 80, 80}));
        QCOMPARE(bar->value(), 80);
        postFromWorker(platform::WM_PRG_STEP, -1);
        QCOMPARE(shown(), 20);
        postFromWorker(platform::WM_PRG_SETPOS, 150);
        QCOMPARE(shown(), 100);
        QCOMPARE(bar->value(), 100);
        window.UpDatePrg(-5);
        QCOMPARE(percentage->text(), QStringLiteral("-5"));
    }

    void fileWindow() {
        app::CFileProgressDlg window(harness().application.progress());
        QCOMPARE(window.windowTitle(), QStringLiteral(u"ファイル作成中"));
        QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("text"))->text(),
                 QStringLiteral(u"ダウンロード用ファイルを作成中です。"));
        QVERIFY(harness().application.progress().post(platform::fileProgressTitle(), platform::WM_PRG_SETPOS,
                                                      40));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(control<QLineEdit>(window, "id1009")->text(), QStringLiteral("40"));
        QVERIFY(!harness().application.progress().isOpen(platform::communicationProgressTitle()));
    }
};

int runOperatorDialogTests(int argc, char** argv) {
    OperatorDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "operator_dialogs_test.moc"
