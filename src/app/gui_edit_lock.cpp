#include "app/gui_edit_lock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <chrono>

namespace rk::app {

GuiEditLock::GuiEditLock(std::timed_mutex& lock, QWidget* window) : lock_(lock) {
    using namespace std::chrono_literals;
    // Uncontended, the lock is taken at once and no event is handled in between.
    if (lock_.try_lock()) return;
    QPointer<QWidget> waiting(window);
    const bool wasEnabled = window != nullptr && window->isEnabled();
    if (wasEnabled) window->setEnabled(false);
    while (!lock_.try_lock_for(5ms)) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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
