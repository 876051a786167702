// What the front ends' own tests cannot reach: which read a write is planned against, a check
// whose read-back fails, and what a restore leaves of another memory count's layout.
#include "history/safeguards.h"

#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

using rk::Workspace;
using rk::history::Direction;
namespace phonebook = rk::phonebook;

void store(Workspace& workspace, int memory, const char* number) {
    auto entry = phonebook::EntryText::make(number, "", "", '1');
    ASSERT_TRUE(phonebook::storeSystemEntry(workspace, memory, entry));
}

rk::history::TransferRecord recordOf(Workspace& books, Direction direction) {
    rk::history::TransferRecord record;
    record.host = "PBX";
    record.direction = direction;
    record.memoryMode = phonebook::memoryMode(books);
    const auto header = books.fileHeaderLine().formatNow();
    record.commonFile = phonebook::formatPhonebookFile(books, phonebook::kCommonPhonebookFile, header, 1);
    record.myFile = phonebook::formatPhonebookFile(books, phonebook::kMyPhonebookFile, header, 0);
    return record;
}

rk::history::Snapshot keep(const rk::history::SnapshotStore& history, Workspace& books, Direction direction) {
    rk::history::Snapshot kept;
    std::string problem;
    EXPECT_EQ(history.keep(recordOf(books, direction), std::chrono::system_clock::now(), kept, problem),
              rk::history::kSnapshotKept)
        << problem;
    return kept;
}

} // namespace

TEST(Safeguards, AWriteIsPlannedAgainstTheNewestReadOfItsUnitInTheCountItApplies) {
    rk::testing::TempDir root;
    const rk::history::SnapshotStore history(root.path());
    const auto working = std::make_unique<Workspace>();
    store(*working, 0, "0312345678");
    EXPECT_EQ(rk::history::planWrite(history, "PBX", *working, 600).status,
              rk::history::WritePlan::Status::NoRead);

    // A write is no read; a read of the unit (named in any case) is, the newest of them counts.
    const auto books = std::make_unique<Workspace>();
    keep(history, *books, Direction::Write);
    EXPECT_EQ(rk::history::planWrite(history, "pbx", *working, 600).status,
              rk::history::WritePlan::Status::NoRead);
    keep(history, *books, Direction::Read);
    phonebook::setMemoryMode(*books, 2);
    store(*books, 0, "0312345678");
    store(*books, 700, "0451112222"); // beyond 600: counted by a write in 990 only
    const rk::history::Snapshot newest = keep(history, *books, Direction::Read);

    rk::history::WritePlan plan = rk::history::planWrite(history, "pbx", *working, 600);
    ASSERT_EQ(plan.status, rk::history::WritePlan::Status::Planned);
    EXPECT_EQ(plan.read.folder, newest.folder);
    EXPECT_TRUE(plan.changes.equal());
    // In 990 memories the working copy's bytes are read as the write would send them.
    plan = rk::history::planWrite(history, "pbx", *working, 990);
    ASSERT_EQ(plan.changes.differences.size(), 1u);
    EXPECT_EQ(plan.changes.differences[0].memory, 700);
    EXPECT_EQ(plan.changes.differences[0].change, rk::history::Change::Cleared);

    std::filesystem::remove(newest.commonFile());
    plan = rk::history::planWrite(history, "PBX", *working, 600);
    EXPECT_EQ(plan.status, rk::history::WritePlan::Status::Unreadable);
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_EQ(plan.problems[0].file, newest.commonFile());
    EXPECT_FALSE(plan.problems[0].finding);
}

TEST(Safeguards, AFailedReadBackOrNothingSentIsNoVerdict) {
    const auto sentBooks = std::make_unique<Workspace>();
    const rk::history::PhonebookSide sent = rk::history::workingCopySide(*sentBooks, 600);
    rk::history::VerifyOutcome outcome = rk::history::verifyWrite(sent, 600, [](Workspace& into) {
        store(into, 5, "0451112222"); // what a broken read left is not compared
        return -1;
    });
    EXPECT_EQ(outcome.status, rk::history::VerifyOutcome::Status::ReadFailed);
    EXPECT_EQ(outcome.readResult, -1);
    EXPECT_TRUE(outcome.differences.equal());
    bool asked = false;
    outcome = rk::history::verifyWrite({sent.common, std::nullopt}, 600, [&](Workspace&) {
        asked = true;
        return 0;
    });
    EXPECT_EQ(outcome.status, rk::history::VerifyOutcome::Status::NothingSent);
    EXPECT_FALSE(asked);
}

TEST(Safeguards, ARestoreInAnotherCountLeavesNothingOfTheOldLayout) {
    const auto snapshot = std::make_unique<Workspace>();
    phonebook::setMemoryMode(*snapshot, 2);
    auto extension = phonebook::EntryText::make("200", "", "");
    ASSERT_TRUE(phonebook::storeTelephoneEntry(*snapshot, 101, 995, extension));
    const rk::history::PhonebookSide books = rk::history::workingCopySide(*snapshot, 990);

    const auto working = std::make_unique<Workspace>();
    extension = phonebook::EntryText::make("201", "", "");
    ASSERT_TRUE(phonebook::storeTelephoneEntry(*working, 150, 981, extension)); // 600 layout only
    rk::history::restoreBooks(*working, books, 990);
    // Read back in either count, the working copy holds the snapshot's books and nothing else.
    for (const int count : {600, 990})
        EXPECT_TRUE(rk::history::comparePhonebooks(rk::history::workingCopySide(*snapshot, count),
                                                   rk::history::workingCopySide(*working, count), count)
                        .equal())
            << count;
}
