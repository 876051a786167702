// What the program keeps for as long as it runs, in one object that is handed down by reference
// to everything that works on it: the data image with both phonebook copies, the settings and
// flags of the user interface, the record of duplicates found, the staging of the file routines
// and the edit lock. The desktop program owns one, the command line owns one, every test makes a
// fresh one; two workspaces never share anything.
#pragma once

#include "phonebook/line_table.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace rk::image {
struct DataImage;
}

namespace rk {

// Settings and flags of the user interface that deeper code reads. The two integers are read by
// the embedded server's workers while the user-interface thread may look at them, hence atomic.
struct InterfaceFlags {
    // DupCheckEnabled, 1: the same telephone number may not be registered twice.
    std::atomic<int> dupCheckEnabled{0};
    // PhonebookPresent, set once a phonebook was read, loaded or edited.
    std::atomic<int> phonebookPresent{0};
    // StartupDir, the work directory: the current directory at start-up.
    std::string startupDir;
};

namespace phonebook {

// Duplicate telephone numbers found by the checked stores since the form decoder last reset
// the report: how many, the first pair found and, for a telephone, its position.
struct DuplicateReport {
    int count = 0;
    int lowMemory = 0;
    int highMemory = 0;
    int position = 0;
};

// Where the next file call reads or writes, and in which column order.
struct PhonebookFileSettings {
    std::string phoneDir;      // PhoneDir: the directory, ending with "/"
    std::string phoneFileName; // PhoneFileName: the file name within it
    // UnitOrderFlag: 1 while the common phonebook is exchanged with the main unit (kanji name
    // before kana name), 0 for the files kept on the PC (kana name first).
    int unitOrderFlag = 0;
};

} // namespace phonebook

class Workspace {
public:
    // A factory-fresh image (as start-up initialises it), empty staging, nothing present.
    Workspace();
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    image::DataImage& image() { return *image_; }
    const image::DataImage& image() const { return *image_; }

    InterfaceFlags& flags() { return flags_; }
    const InterfaceFlags& flags() const { return flags_; }

    phonebook::DuplicateReport& duplicateReport() { return duplicateReport_; }
    const phonebook::DuplicateReport& duplicateReport() const { return duplicateReport_; }

    // LineTable, FileHeaderLine and PhoneDir / PhoneFileName / UnitOrderFlag of the file routines.
    phonebook::LineTable& lineTable() { return *lineTable_; }
    phonebook::FileHeaderLine& fileHeaderLine() { return fileHeaderLine_; }
    const phonebook::FileHeaderLine& fileHeaderLine() const { return fileHeaderLine_; }
    phonebook::PhonebookFileSettings& fileSettings() { return fileSettings_; }

    // Held by every browser request from start to end, and by the menu window's phonebook steps.
    // Timed, so that the user-interface thread can wait for it while it goes on handling events.
    std::timed_mutex& editLock() { return editLock_; }

private:
    std::unique_ptr<image::DataImage> image_;
    InterfaceFlags flags_;
    phonebook::DuplicateReport duplicateReport_;
    std::unique_ptr<phonebook::LineTable> lineTable_;
    phonebook::FileHeaderLine fileHeaderLine_;
    phonebook::PhonebookFileSettings fileSettings_;
    std::timed_mutex editLock_;
};

} // namespace rk
