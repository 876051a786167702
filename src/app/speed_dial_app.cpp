#include "app/speed_dial_app.h"

#include "app/main_menu_dlg.h"
#include "image/data_image.h"
#include "link/device_session.h"
#include "phonebook/phonebook.h"

#include <filesystem>
#include <system_error>

namespace rk::app {
namespace {

// POSIX sockets need no library start, so this step cannot fail; it stays a step of its own so
// that start-up keeps its order and its early return.
bool startSocketLibrary() {
    return true;
}

void stopSocketLibrary() {}

} // namespace

CSpeedDialApp::CSpeedDialApp(platform::Ui& ui, platform::SystemFacts* system)
    : seam_{ui, progress_, clock_, system != nullptr ? *system : machine_} {}

CSpeedDialApp::~CSpeedDialApp() = default;

link::DeviceSession& CSpeedDialApp::ensureDeviceSession() {
    if (!deviceSession_) deviceSession_ = std::make_unique<link::DeviceSession>(workspace_, seam_);
    return *deviceSession_;
}

bool CSpeedDialApp::startUp() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    workspace_.flags().startupDir = error ? std::string(".") : current.string();

    image::initialiseImage(workspace_.image());

    deviceSession_.reset();

    if (!startSocketLibrary()) return false;

    // The edit lock is a member of the workspace and exists from construction on.
    phonebook::resetDuplicateReport(workspace_);

    CMainMenuDlg window(*this);
    mainWindow_ = &window;
    window.exec();
    mainWindow_ = nullptr;
    return false;
}

void CSpeedDialApp::exitInstance() {
    deviceSession_.reset();
    stopSocketLibrary();
}

} // namespace rk::app
