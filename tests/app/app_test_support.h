// Helpers shared by the window tests: the suites of the one test program, bytes written as hex,
// and acting on a modal window from inside its own event loop.
#pragma once

#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

namespace rk::apptest {

// Each suite is one ctest entry; the program picks it by name.
int runMainMenuTests(int argc, char** argv);
int runMenuSelectTests(int argc, char** argv);
int runQtUiTests(int argc, char** argv);
int runLayoutTests(int argc, char** argv);
int runProgramTests(int argc, char** argv);
int runFileSelectTests(int argc, char** argv);

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

// The process-wide state as a fresh start leaves it.
inline void resetProgramState() {
    image::initialiseImage(image::dataImage());
    image::dataImage().backupCopy = image::dataImage().workingCopy;
    sharedState().dupCheckEnabled = 0;
    sharedState().phonebookPresent = 0;
    sharedState().phonebookFileKind = 0;
    phonebook::resetDuplicateReport();
}

// Runs `action` on the modal window that is on top once the event loop of the window about to
// open runs. The action is handed null when no modal window opened.
inline void whenModalOpens(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, qApp, [action = std::move(action)] { action(QApplication::activeModalWidget()); });
}

} // namespace rk::apptest
