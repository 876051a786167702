// The read and write procedures of the main window, with their windows: host, password,
// confirmation, progress and the final message. The transfer itself runs on a worker thread
// while this thread keeps the progress window painted and shows the link's message boxes.
#pragma once

#include <filesystem>
#include <functional>

class QWidget;

namespace rk::link {
class PhonebookProcedures;
}

namespace rk::phonebook {
class TransferLog;
}

namespace rk::app {

// What guards a write beyond the documents' procedure (the check marks of the "ツール(T)" menu).
struct WriteChecks {
    // Once the host is entered: what the write changes against the newest read of that host in
    // the history, with the choice to stop.
    bool previewBeforeWrite = false;
    // After a completed write: read back into a workspace of its own and compare.
    bool verifyAfterWrite = false;
    std::filesystem::path historyFolder;
    // Told of the read-back as of any completed read.
    phonebook::TransferLog* log = nullptr;
};

// "電話帳データの読込": reads both phonebooks from the main unit into the working copy.
void readPhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection);

// "電話帳データの書込": writes both phonebooks of the working copy to the main unit.
void writePhonebookProcedure(QWidget& mainWindow, link::PhonebookProcedures& procedures, int memorySelection,
                             const WriteChecks& checks = {});

// Runs `work` on a worker thread and returns its result; until then the calling (GUI) thread
// goes on handling its events, among them the message boxes the worker asks for.
int runOffGuiThread(const std::function<int()>& work);

} // namespace rk::app
