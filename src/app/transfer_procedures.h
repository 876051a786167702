// The read and write procedures of the main window, with their windows: host, password,
// confirmation, progress and the final message. The transfer itself runs on a worker thread
// while this thread keeps the progress window painted and shows the link's message boxes.
#pragma once

#include <functional>

class QWidget;

namespace rk::link {
class PhonebookProcedures;
}

namespace rk::app {

// "電話帳データの読込": reads both phonebooks from the main unit into the working copy.
void readPhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection);

// "電話帳データの書込": writes both phonebooks of the working copy to the main unit.
void writePhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection);

// Runs `work` on a worker thread and returns its result; until then the calling (GUI) thread
// goes on handling its events, among them the message boxes the worker asks for.
int runOffGuiThread(const std::function<int()>& work);

} // namespace rk::app
