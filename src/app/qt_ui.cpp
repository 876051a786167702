#include "app/qt_ui.h"

#include "app/error_notice_dlg.h"
#include "platform/text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QString>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <utility>

namespace rk::app {
namespace {

QString fromCp932(const std::string& bytes) {
    return QString::fromStdString(text::cp932ToUtf8(bytes));
}

QWidget* ownerWidget(const platform::Owner& owner) {
    if (owner.native != nullptr) return static_cast<QWidget*>(owner.native);
    return QApplication::activeWindow();
}

QMessageBox::Icon iconOf(platform::Icon icon) {
    switch (icon) {
    case platform::Icon::Information:
        return QMessageBox::Information;
    case platform::Icon::Exclamation:
        return QMessageBox::Warning;
    case platform::Icon::Question:
        return QMessageBox::Question;
    case platform::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(platform::Buttons buttons) {
    switch (buttons) {
    case platform::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case platform::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

bool onGuiThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

// Hands work from a worker thread to the GUI thread. The work itself travels through a queue of
// our own, whose lock orders everything the worker wrote before the GUI thread reads it; Qt's
// event queue only wakes the GUI thread (by the slot's name, so that nothing of ours is made on one
// thread and freed on the other inside the framework).
class GuiDispatcher : public QObject {
    Q_OBJECT

public:
    void post(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
    }

    Q_INVOKABLE void drain() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (tasks_.empty()) return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
};

// Runs a piece of GUI work on the GUI thread and waits for its result. From a worker thread the
// work is queued to the GUI thread's event loop, which must not be waiting for this worker.
template <typename Work> auto QtUi::onGuiThreadBlocking(Work&& work) {
    using Result = std::invoke_result_t<Work>;
    if (onGuiThread()) return work();
    std::packaged_task<Result()> task(std::forward<Work>(work));
    std::future<Result> done = task.get_future();
    dispatcher_->post([&task] { task(); });
    return done.get();
}

QtUi::QtUi() {
    // Made on the GUI thread, where the program makes its seam; without an application there is
    // no GUI thread to hand work to.
    if (QCoreApplication::instance() != nullptr && onGuiThread())
        dispatcher_ = std::make_unique<GuiDispatcher>();
}

QtUi::~QtUi() {
    // A cursor left waiting by an unbalanced caller must not outlive the seam that set it.
    if (QCoreApplication::instance() != nullptr && onGuiThread())
        while (waitCursorDepth_ > 0) changeWaitCursor(false);
}

platform::Answer QtUi::messageBox(const platform::MessageRequest& request) {
    // Without an application there is nobody to ask; answer as the operator's refusal would.
    if (!dispatcher_)
        return request.buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Cancel;
    return onGuiThreadBlocking([this, &request] { return showMessageBox(request); });
}

void QtUi::errorNotice(const std::string& text) {
    if (!dispatcher_) return;
    onGuiThreadBlocking([this, &text] { showErrorNotice(text); });
}

void* QtUi::findWindow(const std::string& title) {
    static_cast<void>(title);
    return nullptr;
}

bool QtUi::openBrowser(const std::string& url) {
    if (!dispatcher_) return false;
    return onGuiThreadBlocking([this, &url] { return showBrowser(url); });
}

bool QtUi::showBrowser(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtUi::openFolder(const std::string& path) {
    if (!dispatcher_) return false;
    return onGuiThreadBlocking([this, &path] { return showFolder(path); });
}

bool QtUi::showFolder(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
}

void QtUi::setWaitCursor(bool waiting) {
    if (!dispatcher_) return;
    onGuiThreadBlocking([this, waiting] { changeWaitCursor(waiting); });
}

platform::Answer QtUi::showMessageBox(const platform::MessageRequest& request) {
    QMessageBox box(iconOf(request.icon), fromCp932(request.caption), fromCp932(request.text),
                    buttonsOf(request.buttons), ownerWidget(request.owner));
    // The texts are the program's own and may hold characters that look like markup.
    box.setTextFormat(Qt::PlainText);
    // The operator reads Japanese everywhere else, so the buttons say it too, whatever
    // translations the desktop has installed.
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Ok, QStringLiteral("OK")},
        {QMessageBox::Cancel, QStringLiteral(u"キャンセル")},
        {QMessageBox::Yes, QStringLiteral(u"はい(&Y)")},
        {QMessageBox::No, QStringLiteral(u"いいえ(&N)")},
    };
    for (const auto& [which, caption] : captions) {
        if (QAbstractButton* button = box.button(which)) {
            button->setText(caption);
            button->setIcon(QIcon());
        }
    }
    // As on the desktop the program was designed for, the first button is the default one.
    box.setDefaultButton(request.buttons == platform::Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    if (request.topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return platform::Answer::Ok;
    case QMessageBox::Cancel:
        return platform::Answer::Cancel;
    case QMessageBox::Yes:
        return platform::Answer::Yes;
    case QMessageBox::No:
        return platform::Answer::No;
    default:
        break;
    }
    // Closed without a button: the refusing answer of the box.
    switch (request.buttons) {
    case platform::Buttons::YesNo:
        return platform::Answer::No;
    case platform::Buttons::OkCancel:
        return platform::Answer::Cancel;
    case platform::Buttons::Ok:
        break;
    }
    return platform::Answer::Ok;
}

void QtUi::showErrorNotice(const std::string& text) {
    CErrorNoticeDlg notice(QApplication::activeWindow());
    notice.setMessage(fromCp932(text));
    // It reports what happened in the browser, which is likely in front: it must be seen over it.
    notice.setWindowFlag(Qt::WindowStaysOnTopHint);
    notice.show();
    notice.raise();
    notice.activateWindow();
    notice.exec();
}

void QtUi::changeWaitCursor(bool waiting) {
    if (waiting) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        ++waitCursorDepth_;
    } else if (waitCursorDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursorDepth_;
    }
}

} // namespace rk::app

#include "qt_ui.moc"
