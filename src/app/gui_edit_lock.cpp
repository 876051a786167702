#include "app/gui_edit_lock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <thread>

namespace rk::app {

GuiEditLock::GuiEditLock(std::timed_mutex& lock, QWidget* window) : lock_(lock) {
    using namespace std::chrono_literals;
    // Uncontended, the lock is taken at once and no event is handled in between.
    if (lock_.try_lock()) return;
    QPointer<QWidget> waiting(window);
    const bool wasEnabled = window != nullptr && window->isEnabled();
    if (wasEnabled) window->setEnabled(false);
    // Plain attempts between the events (not a timed wait on the lock): a worker waiting for a
    // message box of this thread gets it shown, and every attempt is one the thread sanitizer sees.
    while (!lock_.try_lock()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(2ms);
    }
    if (wasEnabled && waiting) waiting->setEnabled(true);
}

GuiEditLock::~GuiEditLock() {
    lock_.unlock();
}

phonebook::StepRunner guiRunner(Workspace& workspace, QWidget* window) {
    return [&workspace, window](const phonebook::PhonebookStep& step) {
        const GuiEditLock lock(workspace.editLock(), window);
        return step();
    };
}

} // namespace rk::app
