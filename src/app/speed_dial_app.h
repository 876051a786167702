// The application object: starts the program, shows the main window for as long as the program
// runs, and releases what start-up acquired. It owns everything the program keeps for the whole
// run (the workspace) and the seam through which the core reaches the operator and the machine,
// and hands both down to the windows.
#pragma once

#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <filesystem>
#include <memory>

namespace rk::link {
class DeviceSession;
}

namespace rk::app {

class CMainMenuDlg;

class CSpeedDialApp {
public:
    // `ui` shows the program's message boxes: the Qt one in the program, a recorder in tests.
    // `system` answers the questions about the machine (the machine itself unless given).
    explicit CSpeedDialApp(platform::Ui& ui, platform::SystemFacts* system = nullptr);
    ~CSpeedDialApp();
    CSpeedDialApp(const CSpeedDialApp&) = delete;
    CSpeedDialApp& operator=(const CSpeedDialApp&) = delete;

    // Runs the whole program: prepares the workspace, shows the main window modally and waits
    // until it ends. Returns false so that the process ends after it.
    bool startUp();

    // Releases what start-up acquired; called once after startUp returns.
    void exitInstance();

    Workspace& workspace() { return workspace_; }
    const platform::Seam& seam() const { return seam_; }
    // The protocol's pauses and limits; tests scale them.
    platform::Clock& clock() { return clock_; }
    platform::ProgressRegistry& progress() { return progress_; }

    // The session, created for the main window on first use and kept until exit.
    link::DeviceSession& ensureDeviceSession();

    // Where every completed read and write leaves its snapshot: the folder the environment names,
    // resolved once when the program starts; empty (the default) keeps none.
    void setHistoryFolder(std::filesystem::path folder) { historyFolder_ = std::move(folder); }
    const std::filesystem::path& historyFolder() const { return historyFolder_; }

    // The main window while startUp shows it, else null.
    CMainMenuDlg* mainWindow() const { return mainWindow_; }

private:
    Workspace workspace_;
    platform::ProgressRegistry progress_;
    platform::Clock clock_;
    platform::SystemFacts machine_;
    platform::Seam seam_;
    // Created by the main window's initialisation, deleted by exitInstance.
    std::unique_ptr<link::DeviceSession> deviceSession_;
    CMainMenuDlg* mainWindow_ = nullptr;
    std::filesystem::path historyFolder_;
};

} // namespace rk::app
