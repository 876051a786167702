#include "history/snapshot_store.h"

#include "history/phonebook_text.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/file_writer.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace rk::history {
namespace {

namespace fs = std::filesystem;

constexpr const char* kInfoName = "snapshot.txt";
constexpr const char* kStagingPrefix = ".incoming-";
// "20240305T070912.345Z"
constexpr std::size_t kStampLength = 20;

std::int64_t millisecondsOf(std::chrono::system_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

std::string stampText(std::int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96] = {};
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>((milliseconds % 1000 + 1000) % 1000));
    return text;
}

bool digitsAt(std::string_view text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    return true;
}

int numberAt(std::string_view text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

std::optional<std::int64_t> stampMilliseconds(std::string_view stamp) {
    if (stamp.size() != kStampLength || !digitsAt(stamp, 0, 8) || stamp[8] != 'T' || !digitsAt(stamp, 9, 6) ||
        stamp[15] != '.' || !digitsAt(stamp, 16, 3) || stamp[19] != 'Z')
        return std::nullopt;
    std::tm utc{};
    utc.tm_year = numberAt(stamp, 0, 4) - 1900;
    utc.tm_mon = numberAt(stamp, 4, 2) - 1;
    utc.tm_mday = numberAt(stamp, 6, 2);
    utc.tm_hour = numberAt(stamp, 9, 2);
    utc.tm_min = numberAt(stamp, 11, 2);
    utc.tm_sec = numberAt(stamp, 13, 2);
    return static_cast<std::int64_t>(timegm(&utc)) * 1000 + numberAt(stamp, 16, 3);
}

// The stamp and direction of a snapshot folder's name; nullopt for any other name.
struct SnapshotName {
    std::string stamp;
    Direction direction;
};

std::optional<SnapshotName> parseSnapshotName(const std::string& name) {
    if (name.size() <= kStampLength + 1 || name[kStampLength] != '-') return std::nullopt;
    const std::string stamp = name.substr(0, kStampLength);
    if (!stampMilliseconds(stamp)) return std::nullopt;
    const std::string direction = name.substr(kStampLength + 1);
    if (direction == "read") return SnapshotName{stamp, Direction::Read};
    if (direction == "write") return SnapshotName{stamp, Direction::Write};
    return std::nullopt;
}

// The snapshot folders of a unit folder, newest first, by name only.
std::vector<std::pair<SnapshotName, fs::path>> snapshotFolders(const fs::path& unit) {
    std::vector<std::pair<SnapshotName, fs::path>> found;
    std::error_code error;
    for (fs::directory_iterator entry(unit, error), end; !error && entry != end; entry.increment(error)) {
        const std::optional<SnapshotName> name = parseSnapshotName(entry->path().filename().string());
        if (name && entry->is_directory(error)) found.emplace_back(*name, entry->path());
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first.stamp > b.first.stamp; });
    return found;
}

std::string localTimeText(std::int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    return text;
}

std::string readWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Makes a rename in a directory survive a power loss; a failure here does not undo it.
void syncDirectory(const fs::path& directory) {
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

std::string problemOf(const fs::path& path, const std::error_code& error) {
    return path.string() + ": " + error.message();
}

void pruneOldest(const fs::path& unit) {
    const auto folders = snapshotFolders(unit);
    std::error_code error;
    for (std::size_t i = kSnapshotsKept; i < folders.size(); ++i) fs::remove_all(folders[i].second, error);
}

} // namespace

const char* directionName(Direction direction) {
    return direction == Direction::Read ? "read" : "write";
}

fs::path defaultHistoryFolder(const EnvironmentLookup& environment) {
    if (!environment) return {};
    if (const char* moved = environment("RKDIAL_HISTORY"); moved != nullptr && *moved != '\0') return moved;
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    if (const char* data = environment("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return fs::path(data) / "rkdial" / "history";
    if (const char* home = environment("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".local" / "share" / "rkdial" / "history";
    return {};
}

std::string unitFolderName(const std::string& host) {
    std::string name;
    for (const char byte : host) {
        const auto code = static_cast<unsigned char>(byte);
        const bool plain = (code >= '0' && code <= '9') || (code >= 'a' && code <= 'z') ||
                           (code >= 'A' && code <= 'Z') || code == '-' || code == '_' ||
                           (code == '.' && !name.empty());
        if (plain) {
            name += static_cast<char>(code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code);
        } else {
            char escaped[4] = {};
            std::snprintf(escaped, sizeof escaped, "%%%02X", code);
            name += escaped;
        }
    }
    return name.empty() ? "%" : name;
}

std::string formatSnapshotInfo(const SnapshotInfo& info) {
    std::ostringstream text;
    text << "host: " << text::cp932ToUtf8(info.host) << "\n"
         << "direction: " << directionName(info.direction) << "\n"
         << "time: " << info.time << "\n"
         << "memories: " << info.memoryCount << "\n"
         << "firmware: " << info.firmwareVersion << "\n"
         << "program: " << info.programVersion << "\n"
         << "common in use: " << info.commonInUse << "\n"
         << "my in use: " << info.myInUse << "\n"
         << "files: sys-tan.txt (common phonebook, kana name before kanji name as in the program's own "
            "files), tel-tan.txt (my phonebook)\n";
    return text.str();
}

std::optional<SnapshotInfo> parseSnapshotInfo(const std::string& text) {
    SnapshotInfo info;
    bool direction = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        const std::string value = line.substr(colon + 2);
        const auto number = [&value] { return std::atoi(value.c_str()); };
        if (key == "host") {
            info.host = text::tryToCp932(value).value_or(value);
        } else if (key == "direction") {
            if (value != "read" && value != "write") return std::nullopt;
            info.direction = value == "read" ? Direction::Read : Direction::Write;
            direction = true;
        } else if (key == "time") {
            info.time = value;
        } else if (key == "memories") {
            info.memoryCount = number() == 990 ? 990 : 600;
        } else if (key == "firmware") {
            info.firmwareVersion = value;
        } else if (key == "program") {
            info.programVersion = value;
        } else if (key == "common in use") {
            info.commonInUse = number();
        } else if (key == "my in use") {
            info.myInUse = number();
        }
    }
    if (!direction) return std::nullopt;
    return info;
}

std::optional<Snapshot> openSnapshot(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_regular_file(folder / kInfoName, error)) return std::nullopt;
    const std::optional<SnapshotInfo> info = parseSnapshotInfo(readWhole(folder / kInfoName));
    if (!info) return std::nullopt;
    Snapshot snapshot{folder, {}, *info};
    if (const auto name = parseSnapshotName(folder.filename().string())) snapshot.stamp = name->stamp;
    return snapshot;
}

int SnapshotStore::keep(const TransferRecord& record, std::chrono::system_clock::time_point takenAt,
                        Snapshot& kept, std::string& problem) const {
    if (root_.empty()) {
        problem = "no history folder (none of RKDIAL_HISTORY, XDG_DATA_HOME and HOME is set)";
        return kSnapshotNotKept;
    }
    const fs::path unit = root_ / unitFolderName(record.host);
    std::error_code error;
    fs::create_directories(unit, error);
    if (error) {
        problem = problemOf(unit, error);
        return kSnapshotNotKept;
    }

    // What the snapshot holds: both books as they were read or sent, the common one in the PC's
    // own column order so that it loads like any save file.
    Workspace scratch;
    phonebook::setMemoryMode(scratch, record.memoryMode == 2 ? 2 : 1);
    parsePhonebookText(scratch, phonebook::kCommonPhonebookFile, record.commonFile);
    parsePhonebookText(scratch, phonebook::kMyPhonebookFile, record.myFile);
    const std::int64_t now = millisecondsOf(takenAt);
    SnapshotInfo info;
    info.host = record.host;
    info.direction = record.direction;
    info.time = localTimeText(now);
    info.memoryCount = record.memoryMode == 2 ? 990 : 600;
    info.firmwareVersion = record.firmwareVersion;
    info.programVersion = RKDIAL_VERSION;
    info.commonInUse = memoriesInUse(scratch, phonebook::kCommonPhonebookFile);
    info.myInUse = memoriesInUse(scratch, phonebook::kMyPhonebookFile);

    // A folder of this process's own to assemble the snapshot in: the first free number, taken by
    // creating it, so that two stores keeping snapshots at once never share one.
    fs::path staging;
    for (unsigned number = 0;; ++number) {
        staging =
            unit / (std::string(kStagingPrefix) + std::to_string(::getpid()) + "-" + std::to_string(number));
        if (fs::create_directory(staging, error)) break;
        if (error || number == 1000) {
            problem = problemOf(staging, error ? error : std::make_error_code(std::errc::file_exists));
            return kSnapshotNotKept;
        }
    }
    const auto giveUp = [&](const std::string& why) {
        problem = why;
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        return kSnapshotNotKept;
    };
    const std::pair<const char*, std::string> files[] = {
        {"sys-tan.txt", commonFileInOwnOrder(scratch, record.commonFile)},
        {"tel-tan.txt", record.myFile},
        {kInfoName, formatSnapshotInfo(info)},
    };
    for (const auto& [name, content] : files) {
        errno = 0;
        if (!platform::replaceFile(staging / name, content))
            return giveUp((staging / name).string() + ": " + std::strerror(errno != 0 ? errno : EIO));
    }
    syncDirectory(staging);

    // Every new name sorts after every name already there, even when the clock went back.
    std::int64_t stamp = now;
    for (int attempt = 0; attempt < 1000; ++attempt, ++stamp) {
        const auto existing = snapshotFolders(unit);
        if (!existing.empty()) stamp = std::max(stamp, *stampMilliseconds(existing.front().first.stamp) + 1);
        const fs::path target = unit / (stampText(stamp) + "-" + directionName(record.direction));
        // A snapshot another process put there first keeps its name; this one takes the next.
        if (fs::exists(target, error)) continue;
        if (::rename(staging.c_str(), target.c_str()) == 0) {
            syncDirectory(unit);
            pruneOldest(unit);
            kept = Snapshot{target, stampText(stamp), info};
            return kSnapshotKept;
        }
        const int why = errno;
        if (why != EEXIST && why != ENOTEMPTY) return giveUp(target.string() + ": " + std::strerror(why));
    }
    return giveUp(unit.string() + ": no free snapshot name");
}

std::vector<Snapshot> SnapshotStore::list(const std::string& host) const {
    std::vector<fs::path> units;
    std::error_code error;
    if (!host.empty()) {
        units.push_back(root_ / unitFolderName(host));
    } else {
        for (fs::directory_iterator entry(root_, error), end; !error && entry != end; entry.increment(error))
            if (entry->is_directory(error)) units.push_back(entry->path());
    }
    std::vector<Snapshot> snapshots;
    for (const fs::path& unit : units)
        for (const auto& [name, folder] : snapshotFolders(unit))
            if (std::optional<Snapshot> snapshot = openSnapshot(folder))
                snapshots.push_back(std::move(*snapshot));
    std::stable_sort(snapshots.begin(), snapshots.end(),
                     [](const Snapshot& a, const Snapshot& b) { return a.stamp > b.stamp; });
    return snapshots;
}

std::optional<Snapshot> SnapshotStore::newest(const std::string& host, Direction direction) const {
    for (const auto& [name, folder] : snapshotFolders(root_ / unitFolderName(host)))
        if (name.direction == direction)
            if (std::optional<Snapshot> snapshot = openSnapshot(folder)) return snapshot;
    return std::nullopt;
}

std::optional<Snapshot> SnapshotStore::find(const std::string& host, const std::string& name) const {
    if (!parseSnapshotName(name)) return std::nullopt;
    return openSnapshot(root_ / unitFolderName(host) / name);
}

void SnapshotLog::completed(const TransferRecord& record) {
    last_ = SnapshotOutcome{};
    last_.attempted = true;
    try {
        last_.kept =
            SnapshotStore(root_).keep(record, clock_.now(), last_.snapshot, last_.problem) == kSnapshotKept;
    } catch (const std::exception& error) {
        last_.kept = false;
        last_.problem = error.what();
    }
}

} // namespace rk::history
