// The desktop program. Without a display there is nothing it can show, so it says so in plain
// words before Qt would abort with a platform plugin error.
#include "app/qt_ui.h"
#include "app/speed_dial_app.h"
#include "history/snapshot_store.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

int main(int argc, char** argv) {
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM")) {
        std::fputs("rkdial: no display available; start it in a desktop session (DISPLAY is not set)\n",
                   stderr);
        return 1;
    }

    // A browser started from a program that runs as the administrator refuses to run, and every
    // file the program writes would belong to the administrator.
    if (::geteuid() == 0)
        std::fputs(
            "rkdial: warning: running as root; browser editing needs the program to run as the desktop's "
            "own user\n",
            stderr);

    QApplication application(argc, argv);
    rk::app::QtUi ui;

    rk::app::CSpeedDialApp speedDial(ui);
    // The one place the program reads its environment for the history.
    speedDial.setHistoryFolder(
        rk::history::defaultHistoryFolder([](const char* name) -> const char* { return std::getenv(name); }));
    speedDial.startUp(); // false: the program ends with its main window
    speedDial.exitInstance();
    return 0;
}
