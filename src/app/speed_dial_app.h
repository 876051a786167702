// The application object: starts the program, shows the main window for as long as the program
// runs, and releases what start-up acquired.
#pragma once

#include <mutex>

namespace rk::link {
class DeviceSession;
}

namespace rk::app {

class CMainMenuDlg;

class CSpeedDialApp {
public:
    CSpeedDialApp() = default;
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

    // The device link's single session; none until the device link exists.
    link::DeviceSession* deviceSession() const { return deviceSession_; }

    // The main window while startUp shows it, else null.
    CMainMenuDlg* mainWindow() const { return mainWindow_; }

private:
    // Owned. Stays null until the device link is built: the main window's initialisation will
    // create it and exitInstance delete it.
    link::DeviceSession* deviceSession_ = nullptr;
    std::mutex editLock_;
    CMainMenuDlg* mainWindow_ = nullptr;
};

} // namespace rk::app
