#include "history/snapshot_store.h"

#include "platform/file_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

using rk::history::Direction;

rk::history::TransferRecord record(const std::string& host, Direction direction) {
    rk::history::TransferRecord transfer;
    transfer.host = host;
    transfer.direction = direction;
    transfer.firmwareVersion = "1.01";
    // Not a phonebook: the store keeps it all the same, as empty books.
    transfer.commonFile = "common";
    transfer.myFile = "my";
    return transfer;
}

// Every snapshot of these tests is taken at the same moment, 2024-03-05 07:09:12.345 UTC: the store
// still names each one later than the one before.
const std::chrono::system_clock::time_point takenAt{std::chrono::milliseconds(1709622552345)};

std::vector<std::string> names(const std::vector<rk::history::Snapshot>& snapshots) {
    std::vector<std::string> result;
    for (const auto& snapshot : snapshots) result.push_back(snapshot.folder.filename().string());
    return result;
}

} // namespace

TEST(SnapshotStore, KeepsTheNewestHundredOfEachUnitInTheOrderTaken) {
    rk::testing::TempDir root;
    const rk::history::SnapshotStore store(root.path());
    rk::history::Snapshot kept;
    std::string problem;
    ASSERT_EQ(store.keep(record("other", Direction::Write), takenAt, kept, problem),
              rk::history::kSnapshotKept);
    std::vector<std::string> taken;
    for (int i = 0; i < 102; ++i) {
        const Direction direction = i % 3 == 1 ? Direction::Write : Direction::Read;
        ASSERT_EQ(store.keep(record("PBX", direction), takenAt, kept, problem), rk::history::kSnapshotKept)
            << problem;
        taken.push_back(kept.folder.filename().string());
    }
    // Taken within milliseconds of each other, every name is still its own and later than the last.
    for (std::size_t i = 1; i < taken.size(); ++i) EXPECT_LT(taken[i - 1], taken[i]);
    EXPECT_EQ(taken.front(), "20240305T070912.345Z-read");
    EXPECT_EQ(taken.back().substr(20), "-read");

    const std::vector<std::string> listed = names(store.list("pbx"));
    ASSERT_EQ(listed.size(), 100u);
    EXPECT_EQ(listed.front(), taken.back());
    EXPECT_EQ(listed.back(), taken[2]); // the two oldest are gone
    EXPECT_EQ(store.list("other").size(), 1u);
    EXPECT_EQ(store.list("").size(), 101u);
    EXPECT_EQ(store.newest("PBX", Direction::Read)->folder.filename(), taken[101]);
    EXPECT_EQ(store.newest("PBX", Direction::Write)->folder.filename(), taken[100]);
    EXPECT_FALSE(store.newest("nobody", Direction::Read));
    // Nothing of a snapshot in the making is left behind.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(root / "pbx")) ++entries;
    EXPECT_EQ(entries, 100u);
}

TEST(SnapshotStore, UnitFoldersAreSafeNamesOfTheHostText) {
    const std::pair<std::string, std::string> cases[] = {
        {"192.168.0.10", "192.168.0.10"}, {"PBX-1.example", "pbx-1.example"}, {"..", "%2E."},
        {"a/../b", "a%2F..%2Fb"},         {"\xB1\xB2 x", "%B1%B2%20x"},       {"", "%"},
    };
    for (const auto& [host, folder] : cases) EXPECT_EQ(rk::history::unitFolderName(host), folder) << host;
}

TEST(SnapshotStore, ASnapshotThatCannotBeWrittenLeavesNothing) {
    rk::testing::TempDir root;
    root.write("file", "a file where the history should be");
    rk::history::Snapshot kept;
    std::string problem;
    EXPECT_EQ(rk::history::SnapshotStore(root / "file" / "history")
                  .keep(record("pbx", Direction::Read), takenAt, kept, problem),
              rk::history::kSnapshotNotKept);
    EXPECT_NE(problem.find("file"), std::string::npos) << problem;

    // A full disk half-way through: no snapshot, and no half of one.
    rk::platform::setFileWriteFailureForTesting(
        [](const std::filesystem::path& target) { return target.filename() == "tel-tan.txt"; });
    const rk::history::SnapshotStore store(root / "history");
    EXPECT_EQ(store.keep(record("pbx", Direction::Read), takenAt, kept, problem),
              rk::history::kSnapshotNotKept);
    rk::platform::setFileWriteFailureForTesting({});
    EXPECT_TRUE(std::filesystem::is_empty(root / "history" / "pbx"));
    EXPECT_TRUE(store.list("pbx").empty());
}

// The front ends hand the history folder down, resolved from their environment; nothing below
// them reads it.
TEST(SnapshotStore, TheDefaultFolderComesFromTheEnvironmentGiven) {
    using Environment = std::map<std::string, std::string>;
    const std::pair<Environment, std::string> cases[] = {
        {{{"RKDIAL_HISTORY", "/moved"}, {"XDG_DATA_HOME", "/data"}, {"HOME", "/home/op"}}, "/moved"},
        {{{"RKDIAL_HISTORY", ""}, {"XDG_DATA_HOME", "/data"}, {"HOME", "/home/op"}}, "/data/rkdial/history"},
        {{{"XDG_DATA_HOME", "relative"}, {"HOME", "/home/op"}}, "/home/op/.local/share/rkdial/history"},
        {{{"HOME", "/home/op"}}, "/home/op/.local/share/rkdial/history"},
        {{}, ""},
    };
    for (const auto& [environment, folder] : cases) {
        const auto lookup = [&environment](const char* name) -> const char* {
            const auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(rk::history::defaultHistoryFolder(lookup), folder) << folder;
    }
    EXPECT_EQ(rk::history::defaultHistoryFolder({}), "");
}
