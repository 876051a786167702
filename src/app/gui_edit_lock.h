// The edit lock as the user-interface thread takes it. A browser request holds the lock for the
// whole of its work and may, while holding it, wait for this thread to show it a message box; so
// this thread never simply blocks on the lock: while it waits it goes on handling its events,
// among them that message box. The window that asks is disabled while it waits, so that nothing
// else starts from it meanwhile.
#pragma once

#include "phonebook/edit_steps.h"

#include <mutex>

class QWidget;

namespace rk::app {

class GuiEditLock {
public:
    // `window` (may be null) is disabled while the lock has to be waited for.
    GuiEditLock(std::timed_mutex& lock, QWidget* window);
    ~GuiEditLock();
    GuiEditLock(const GuiEditLock&) = delete;
    GuiEditLock& operator=(const GuiEditLock&) = delete;

private:
    std::timed_mutex& lock_;
};

// The runner of the windows' phonebook steps: the step runs on this thread once the lock is
// taken as above.
phonebook::StepRunner guiRunner(Workspace& workspace, QWidget* window);

} // namespace rk::app
