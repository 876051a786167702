#include "app/error_notice_dlg.h"
#include "app/gui_edit_lock.h"
#include "app/qt_ui.h"
#include "app_test_support.h"

#include <QAbstractButton>
#include <QCursor>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using rk::platform::Answer;
using rk::platform::Buttons;
using rk::platform::Icon;

namespace rk::apptest {
namespace {

// What the operator saw in a message box, taken while it was open.
struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* parent = nullptr;
    QStringList buttonTexts;
    bool onGuiThread = false;
};

// Polls for a message box (it may arrive later from another thread), notes what it shows and
// clicks one of its buttons like an operator would.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer(QMessageBox::StandardButton click, SeenBox& seen) : click_(click), seen_(seen) {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::poll);
        timer_.start();
    }

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        timer_.stop();
        seen_.seen = true;
        seen_.title = box->windowTitle();
        seen_.text = box->text();
        seen_.icon = box->icon();
        seen_.buttons = box->standardButtons();
        seen_.parent = box->parentWidget();
        for (QAbstractButton* button : box->buttons()) seen_.buttonTexts << button->text();
        seen_.buttonTexts.sort();
        seen_.onGuiThread = QThread::currentThread() == qApp->thread() && box->thread() == qApp->thread();
        if (QAbstractButton* button = box->button(click_)) QTest::mouseClick(button, Qt::LeftButton);
    }

    QMessageBox::StandardButton click_;
    SeenBox& seen_;
    QTimer timer_;
};

} // namespace

class QtUiTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxShowsTheRequestAndReturnsTheClickedButton_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("expectedButtons");
        QTest::addColumn<int>("expectedIcon");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("yes") << int(Buttons::YesNo) << int(Icon::Question) << int(QMessageBox::Yes)
                             << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Question)
                             << int(Answer::Yes)
                             << QStringList{QStringLiteral(u"いいえ(&N)"), QStringLiteral(u"はい(&Y)")};
        QTest::newRow("no") << int(Buttons::YesNo) << int(Icon::Question) << int(QMessageBox::No)
                            << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Question)
                            << int(Answer::No)
                            << QStringList{QStringLiteral(u"いいえ(&N)"), QStringLiteral(u"はい(&Y)")};
        QTest::newRow("cancel") << int(Buttons::OkCancel) << int(Icon::Question) << int(QMessageBox::Cancel)
                                << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Question)
                                << int(Answer::Cancel) << QStringList{"OK", QStringLiteral(u"キャンセル")};
        QTest::newRow("ok of ok/cancel")
            << int(Buttons::OkCancel) << int(Icon::Information) << int(QMessageBox::Ok)
            << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Information) << int(Answer::Ok)
            << QStringList{"OK", QStringLiteral(u"キャンセル")};
        QTest::newRow("error") << int(Buttons::Ok) << int(Icon::Exclamation) << int(QMessageBox::Ok)
                               << int(QMessageBox::Ok) << int(QMessageBox::Warning) << int(Answer::Ok)
                               << QStringList{"OK"};
    }

    void messageBoxShowsTheRequestAndReturnsTheClickedButton() {
        QFETCH(int, buttons);
        QFETCH(int, icon);
        QFETCH(int, click);
        QFETCH(int, expectedButtons);
        QFETCH(int, expectedIcon);
        QFETCH(int, answer);
        QFETCH(QStringList, captions);

        QWidget owner;
        owner.show();
        app::QtUi ui;
        SeenBox seen;
        BoxAnswerer answerer(static_cast<QMessageBox::StandardButton>(click), seen);
        // "\n通信エラーが発生しました。\n" with the caption "エラー"
        const std::string text =
            hexBytes("0A 92 CA 90 4D 83 47 83 89 81 5B 82 AA 94 AD 90 B6 82 B5 82 DC 82 B5 82 BD"
                     "81 42 0A");
        const Answer result = ui.messageBox({{&owner, "owner"},
                                             text,
                                             hexBytes("83 47 83 89 81 5B"),
                                             static_cast<Buttons>(buttons),
                                             static_cast<Icon>(icon)});

        QVERIFY(seen.seen);
        QCOMPARE(int(result), answer);
        QCOMPARE(seen.title, QStringLiteral(u"エラー"));
        QCOMPARE(seen.text, QStringLiteral(u"\n通信エラーが発生しました。\n"));
        QCOMPARE(int(seen.buttons), expectedButtons);
        QCOMPARE(int(seen.icon), expectedIcon);
        QCOMPARE(seen.parent, &owner);
        captions.sort();
        QCOMPARE(seen.buttonTexts, captions);
    }

    void messageBoxWithoutOwnerUsesTheActiveWindow() {
        QWidget active;
        active.show();
        QApplication::setActiveWindow(&active);
        app::QtUi ui;
        SeenBox seen;
        BoxAnswerer answerer(QMessageBox::Ok, seen);
        ui.messageBox({{}, "x", "y", Buttons::Ok, Icon::Information});
        QVERIFY(seen.seen);
        QCOMPARE(seen.parent, &active);
    }

    void callFromAnotherThreadIsShownOnTheGuiThread() {
        app::QtUi ui;
        SeenBox seen;
        BoxAnswerer answerer(QMessageBox::Yes, seen);
        std::atomic<bool> finished{false};
        std::atomic<int> answer{-1};
        std::thread worker([&] {
            answer = int(ui.messageBox({{}, "?", "caption", Buttons::YesNo, Icon::Question}));
            finished = true;
        });
        // The GUI thread keeps its event loop running while the worker waits for the answer.
        QTRY_VERIFY_WITH_TIMEOUT(finished.load(), 20000);
        worker.join();
        QVERIFY(seen.seen);
        QVERIFY(seen.onGuiThread);
        QCOMPARE(answer.load(), int(Answer::Yes));
    }

    // A browser request holds the edit lock and, holding it, asks the operator; meanwhile the menu
    // window wants the lock for a phonebook step. The box must be shown and answered, then the
    // step runs, with the window off while it waited.
    void lockedWorkerAsksWhileTheWindowWaitsForTheLock() {
        Workspace workspace;
        app::QtUi ui;
        QWidget window;
        window.show();
        // The operator answers the box; the window must be off while the box waits for that.
        bool boxSeen = false, windowOffWhileAsked = false, boxOnGuiThread = false;
        QTimer operatorAnswers;
        connect(&operatorAnswers, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            operatorAnswers.stop();
            boxSeen = true;
            windowOffWhileAsked = !window.isEnabled();
            boxOnGuiThread = box->thread() == qApp->thread();
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        });
        operatorAnswers.start(5);
        std::atomic<bool> locked{false}, answered{false};
        std::thread worker([&] {
            const std::lock_guard lock(workspace.editLock());
            locked = true;
            ui.messageBox({{}, "?", "caption", Buttons::YesNo, Icon::Question});
            answered = true;
        });
        // The box may only be asked for once the GUI thread waits for the lock.
        while (!locked) std::this_thread::yield();
        bool stepRan = false, answeredBeforeStep = false;
        app::guiRunner(workspace, &window)([&] {
            stepRan = true;
            answeredBeforeStep = answered.load();
            return 0;
        });
        worker.join();
        QVERIFY(boxSeen && boxOnGuiThread);
        QVERIFY(stepRan);
        QVERIFY(answeredBeforeStep);
        QVERIFY(windowOffWhileAsked);
        QVERIFY(window.isEnabled());
    }

    void errorNoticeShowsItsTextUntilOk() {
        app::QtUi ui;
        bool seen = false;
        QString title, text;
        QTimer poller;
        poller.setInterval(5);
        connect(&poller, &QTimer::timeout, [&] {
            auto* notice = qobject_cast<app::CErrorNoticeDlg*>(QApplication::activeModalWidget());
            if (notice == nullptr) return;
            poller.stop();
            seen = true;
            title = notice->windowTitle();
            text = notice->findChild<QLabel*>(QStringLiteral("id2568"))->text();
            QTest::mouseClick(notice->findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
        });
        poller.start();
        ui.errorNotice(hexBytes("8F 64 95 A1")); // "重複"
        QVERIFY(seen);
        QCOMPARE(title, QStringLiteral(u"エラー"));
        QCOMPARE(text, QStringLiteral(u"重複"));
    }

    void waitCursorIsBalanced() {
        app::QtUi ui;
        QApplication::setOverrideCursor(QCursor(Qt::CrossCursor)); // somebody else's
        ui.setWaitCursor(true);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        ui.setWaitCursor(false);
        ui.setWaitCursor(false); // one too many must not take the other cursor away
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QApplication::restoreOverrideCursor();
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

int runQtUiTests(int argc, char** argv) {
    QtUiTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace rk::apptest

#include "qt_ui_test.moc"
