// The read and write procedures of the main window without their windows: what happens between
// the operator's confirmation and the final message. The desktop program runs these steps on a
// worker thread behind its progress windows, the command line runs them directly. Both show the
// confirmation before and the message that ends a procedure ("\n通信エラーが発生しました。\n" or
// the completion notice) through the steps here, once their progress window is gone.
#pragma once

#include "link/device_session.h"
#include "phonebook/transfer_record.h"
#include "phonebook/workspace.h"
#include "platform/ui.h"

#include <array>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rk::link {

// ---- the operator's input ----

// The longest host text the host window takes.
constexpr std::size_t kHostTextLimit = 64;
// The password is exactly this many digits.
constexpr std::size_t kPasswordLength = 4;

// Checks a host text as the host window's OK does, showing the window's message on failure.
// `cp932` is the typed text converted to CP932, nullopt when it held a character CP932 cannot
// hold (refused like any other character that is not half-width).
bool acceptHostText(platform::Ui& ui, const platform::Owner& owner, const std::optional<std::string>& cp932);

// Checks a password as the password window's OK does: fewer than four characters is refused
// with the window's message.
bool acceptPasswordText(platform::Ui& ui, const platform::Owner& owner, std::string_view password);

// ---- the data-set join of a read ----

constexpr std::size_t kDataSetRecordBytes = 192;
using DataSetHeaderRecord = std::array<char, kDataSetRecordBytes>;
static_assert(sizeof(DataSetHeaderRecord) == 192,
              "the header record has the record size of the data-set files");

// The first record of data-set.txt: the local year, month, day, hour and minute without
// separators, the empty fields of the header layout, a line feed and one zero byte.
DataSetHeaderRecord dataSetHeaderRecord(const std::tm& localTime);

// What one 192-byte chunk of a data-set file adds to data-set.txt: the text after its leading
// blanks, tabs, carriage returns and line feeds, up to its first zero byte.
std::string dataSetChunkText(std::span<const char> chunk);

// The data-set files a read joins, in order: dset-000.txt … dset-800.txt, then dset-9000.txt.
std::array<std::string, 10> dataSetJoinNames();

// Writes `directory` + "data-set.txt": the header record, then the chunks of every data-set file
// present in the directory (each without its own 192-byte header). Missing files are skipped.
// False when data-set.txt could not be written.
bool joinDataSetFiles(const std::string& directory, const std::tm& localTime);

// ---- the procedures ----

using phonebook::TransferDirection;

// The question before a transfer ("\n電話帳データの読込を開始します。\n" / "…書込…"): true when
// the operator answered OK.
bool confirmTransfer(platform::Ui& ui, const platform::Owner& owner, TransferDirection direction);

// The message that ends a transfer, after its progress window is gone: the communication error
// for a result other than 0, else the completion notice.
void reportTransferEnd(platform::Ui& ui, const platform::Owner& owner, TransferDirection direction,
                       int result);

class PhonebookProcedures {
public:
    PhonebookProcedures(Workspace& workspace, DeviceSession& session)
        : workspace_(workspace), session_(session) {}

    DeviceSession& session() { return session_; }

    // The main unit's port, handed to the session with the host. Always 9000 in the program;
    // simulators and tests move it.
    int port() const { return port_; }
    void setPort(int port) { port_ = port; }

    // Read and write apply the memory count chosen in the main window at once: no question, no
    // clearing (1 = 600 memories, 2 = 990).
    void applyMemorySelection(int memorySelection);

    // The read from the work directory on: StartupDir as work directory, the password, the
    // transfer, the data-set join and the parse of sys-tan.txt (main unit's column order) and
    // tel-tan.txt. Returns the transfer's result: 0 when the phonebook was read (PhonebookPresent
    // is then set), otherwise nothing in the data image has changed.
    [[nodiscard]] int runRead(const std::string& password);

    // The write's preparation: StartupDir as work directory and PhoneDir, the password, then
    // sys-tan.txt and tel-tan.txt from the working copy and the main unit's page files from them.
    // A speed-dial file that cannot be written leaves its page files out (an older file must not
    // be sent in its place); the main unit's request for them then fails the write.
    void prepareWrite(const std::string& password);

    // The write's transfer: 0 when the main unit has fetched every page file, -1 otherwise.
    [[nodiscard]] int runWrite();

    // Who is told of a completed read or write (sys-tan.txt and tel-tan.txt of the work directory
    // as read or as sent); nobody when null. The front end owns the log.
    void setTransferLog(phonebook::TransferLog* log) { log_ = log; }

private:
    std::string workDirectory() const; // StartupDir, then one "/"
    void tellLog(TransferDirection direction);

    Workspace& workspace_;
    DeviceSession& session_;
    int port_ = DeviceSession::kDefaultPort;
    phonebook::TransferLog* log_ = nullptr;
};

} // namespace rk::link
