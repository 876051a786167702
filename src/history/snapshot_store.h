// The history of transfers: every completed read and write leaves a snapshot, a folder holding the
// phonebook files as read or as sent (sys-tan.txt in the column order of the PC's own files, so
// that both load like save files) and snapshot.txt, which says what the snapshot is. One folder
// per main unit, the newest snapshots of each unit kept.
//
// Layout: ROOT/UNIT/STAMP-DIRECTION/{sys-tan.txt,tel-tan.txt,snapshot.txt}. UNIT is the host text,
// lower-cased, with everything but letters, digits, ".", "-" and "_" written as %XX. STAMP is the
// UTC time to the millisecond, "20240305T070912.345Z"; within a unit each new stamp is later than
// every stamp already there, so the names sort in the order the snapshots were taken. A snapshot
// is assembled in a hidden folder and renamed into place whole, so that a crash leaves either a
// complete snapshot or none.
#pragma once

#include "phonebook/transfer_record.h"
#include "platform/clock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rk::history {

using Direction = phonebook::TransferDirection;
using TransferRecord = phonebook::TransferRecord;

const char* directionName(Direction direction); // "read", "write"

// The snapshots kept per main unit; older ones are removed once a newer one is in place.
constexpr std::size_t kSnapshotsKept = 100;

// Results of keeping a snapshot.
constexpr int kSnapshotKept = 0;
constexpr int kSnapshotNotKept = 1;

// Looks up a variable of the environment the program was started in; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The history folder when none is given: RKDIAL_HISTORY, else $XDG_DATA_HOME/rkdial/history,
// else ~/.local/share/rkdial/history. Empty when none of them can be named. The front ends
// resolve it once from their environment and hand it down; nothing below them reads the
// environment.
std::filesystem::path defaultHistoryFolder(const EnvironmentLookup& environment);

// The folder name of a main unit within the history (see above). `host` is the CP932 host text.
std::string unitFolderName(const std::string& host);

// What snapshot.txt says.
struct SnapshotInfo {
    std::string host; // CP932
    Direction direction = Direction::Read;
    std::string time; // local time of the transfer, "2024-03-05 16:09:12 +0900"
    int memoryCount = 600;
    std::string firmwareVersion;
    std::string programVersion;
    int commonInUse = 0; // memories with a number
    int myInUse = 0;

    // The memories of the my phonebooks together: 10 or 20 for each of the 100 telephones.
    int myMemoryCount() const { return memoryCount == 990 ? 1000 : 2000; }
};

// snapshot.txt: "key: value" lines in UTF-8.
std::string formatSnapshotInfo(const SnapshotInfo& info);
std::optional<SnapshotInfo> parseSnapshotInfo(const std::string& text);

struct Snapshot {
    std::filesystem::path folder;
    std::string stamp; // the UTC stamp of its name; empty for a folder that was renamed
    SnapshotInfo info;

    std::filesystem::path commonFile() const { return folder / "sys-tan.txt"; }
    std::filesystem::path myFile() const { return folder / "tel-tan.txt"; }
};

// A snapshot folder anywhere: nullopt unless it holds a readable snapshot.txt.
std::optional<Snapshot> openSnapshot(const std::filesystem::path& folder);

class SnapshotStore {
public:
    explicit SnapshotStore(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& root() const { return root_; }

    // Keeps a snapshot of a completed transfer taken at `takenAt`, then removes the unit's oldest
    // beyond the newest kSnapshotsKept. kSnapshotKept with `kept` filled in, or kSnapshotNotKept
    // with `problem` saying why (nothing of the snapshot is left behind then).
    [[nodiscard]] int keep(const TransferRecord& record, std::chrono::system_clock::time_point takenAt,
                           Snapshot& kept, std::string& problem) const;

    // The snapshots of one unit, or of every unit when `host` is empty, newest first.
    std::vector<Snapshot> list(const std::string& host) const;

    // The newest snapshot of a unit in a direction.
    std::optional<Snapshot> newest(const std::string& host, Direction direction) const;

    // A snapshot of a unit by its folder name.
    std::optional<Snapshot> find(const std::string& host, const std::string& name) const;

private:
    std::filesystem::path root_;
};

// What became of the snapshot of the last completed transfer.
struct SnapshotOutcome {
    bool attempted = false; // a transfer completed since the log was made
    bool kept = false;
    Snapshot snapshot;   // when kept
    std::string problem; // when not
};

// The log the front ends hand to the read and write procedures: every completed transfer becomes
// a snapshot in the folder given (none when it is empty). A snapshot that cannot be kept changes
// neither the transfer's result nor its messages; last() says so, for the front end that wants to
// tell.
class SnapshotLog : public phonebook::TransferLog {
public:
    // The clock tells the time of each snapshot.
    explicit SnapshotLog(const platform::Clock& clock, std::filesystem::path root = {})
        : clock_(clock), root_(std::move(root)) {}

    void setFolder(std::filesystem::path root) { root_ = std::move(root); }
    const std::filesystem::path& folder() const { return root_; }

    void completed(const TransferRecord& record) override;
    const SnapshotOutcome& last() const { return last_; }

private:
    const platform::Clock& clock_;
    std::filesystem::path root_;
    SnapshotOutcome last_;
};

} // namespace rk::history
