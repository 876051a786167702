// Helpers shared by the window tests: the suites of the one test program, bytes written as hex,
// and acting on a modal window from inside its own event loop.
#pragma once

#include "app/speed_dial_app.h"
#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "platform/text.h"
#include "support/test_seam.h"
#include "support/ui_switch.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace rk::apptest {

// What the windows keep between runs goes to a folder of the test program's own, never to the
// settings of whoever runs the tests. Called once, after the application object is made.
inline void keepSettingsInATemporaryFolder() {
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
}

// Each suite is one ctest entry; the program picks it by name.
int runMainMenuTests(int argc, char** argv);
int runMenuSelectTests(int argc, char** argv);
int runQtUiTests(int argc, char** argv);
int runLayoutTests(int argc, char** argv);
int runProgramTests(int argc, char** argv);
int runFileSelectTests(int argc, char** argv);
int runToolsTests(int argc, char** argv);
int runImportWindowTests(int argc, char** argv);

// A table as text: each row's displayed cells joined by '|'.
inline QStringList rowsOf(const QAbstractItemModel& model) {
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.data(model.index(row, column), Qt::DisplayRole).toString();
        rows << cells.join(u'|');
    }
    return rows;
}

// "81 40 83 70" -> the bytes 0x81 0x40 0x83 0x70: expected texts are written out by hand.
inline std::string hexBytes(std::string_view hex) {
    std::string bytes;
    unsigned value = 0;
    int digits = 0;
    for (char c : hex) {
        int nibble = -1;
        if (c >= '0' && c <= '9') nibble = c - '0';
        if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
        if (nibble < 0) continue;
        value = value * 16 + static_cast<unsigned>(nibble);
        if (++digits == 2) {
            bytes.push_back(static_cast<char>(value));
            value = 0;
            digits = 0;
        }
    }
    return bytes;
}

// Bytes as Qt Test prints them on a mismatch.
inline QByteArray bytesOf(const std::string& bytes) {
    return QByteArray::fromStdString(bytes);
}

// What a widget shows, as the CP932 bytes the program's data would hold.
inline std::string cp932Of(const QString& text) {
    return text::toCp932(text.toStdString());
}

// What one test works with, as the program has it: the application object with its workspace
// and seam. Message boxes go to whichever recorder the test routes the switch to.
class AppHarness {
public:
    AppHarness() : application(ui, &system) {}

    testing::UiSwitch ui;
    testing::TestSystemFacts system;
    app::CSpeedDialApp application;
};

// The harness of the test that runs now, made fresh by each test's init().
inline std::unique_ptr<AppHarness>& currentHarness() {
    static std::unique_ptr<AppHarness> harness;
    return harness;
}
inline void startHarness() {
    currentHarness().reset();
    currentHarness() = std::make_unique<AppHarness>();
    Workspace& workspace = currentHarness()->application.workspace();
    workspace.image().backupCopy = workspace.image().workingCopy;
}
// Every test's cleanup(): a message that reached no recorder fails the test it came from.
inline void finishHarness() {
    if (currentHarness()) currentHarness()->ui.checkNothingUnexpected();
}
inline AppHarness& harness() {
    return *currentHarness();
}
inline Workspace& ws() {
    return harness().application.workspace();
}
inline image::DataImage& img() {
    return ws().image();
}
inline InterfaceFlags& flags() {
    return ws().flags();
}
inline const platform::Seam& seam() {
    return harness().application.seam();
}
inline testing::UiSwitch& uiSwitch() {
    return harness().ui;
}

// Runs `action` on the modal window that is on top once the event loop of the window about to
// open runs. The action is handed null when no modal window opened.
inline void whenModalOpens(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, qApp, [action = std::move(action)] { action(QApplication::activeModalWidget()); });
}

} // namespace rk::apptest
