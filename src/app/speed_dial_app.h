// The application object: starts the program, shows the main window for as long as the program
// runs, and releases what start-up acquired.
#pragma once

#include <memory>
#include <mutex>

namespace rk::link {
class DeviceSession;
}

namespace rk::app {

class CMainMenuDlg;

class CSpeedDialApp {
public:
    CSpeedDialApp();
    ~CSpeedDialApp();
    CSpeedDialApp(const CSpeedDialApp&) = delete;
    CSpeedDialApp& operator=(const CSpeedDialApp&) = delete;

    // Runs the whole program: prepares the process-wide state, shows the main window modally and
    // waits until it ends. Returns false so that the process ends after it.
    bool startUp();

    // Releases what start-up acquired; called once after startUp returns.
    void exitInstance();

    // Held by browser requests while they work on the data image from their worker threads.
    std::mutex& editLock() { return editLock_; }

    // The device link's single session; none until the main window's initialisation made it.
    link::DeviceSession* deviceSession() const { return deviceSession_.get(); }

    // The session, created for the main window on first use and kept until exit.
    link::DeviceSession& ensureDeviceSession(void* mainWindow);

    // The main window while startUp shows it, else null.
    CMainMenuDlg* mainWindow() const { return mainWindow_; }

private:
    // Created by the main window's initialisation, deleted by exitInstance.
    std::unique_ptr<link::DeviceSession> deviceSession_;
    std::mutex editLock_;
    CMainMenuDlg* mainWindow_ = nullptr;
};

} // namespace rk::app
