#include "phonebook_fixture.h"

using namespace rk::phonebook;
using rk::testing::PhonebookTest;

using DuplicateDetection = PhonebookTest;

namespace {

bool storeChecked(rk::Workspace& workspace, int memory, const char* number, Copy target) {
    EntryText text = EntryText::make(number, "", "");
    return storeSystemEntryChecked(workspace, memory, text, target);
}

} // namespace

TEST_F(DuplicateDetection, PairIsRecordedAndTheThirdEqualNumberLosesItsNumber) {
    flags().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(ws(), 30, "0312345678", Copy::Backup));
    EXPECT_EQ(report().count, 0);
    ASSERT_TRUE(storeChecked(ws(), 12, "0312345678", Copy::Backup));
    EXPECT_EQ(report().count, 1);
    EXPECT_EQ(report().lowMemory, 12);
    EXPECT_EQ(report().highMemory, 30);
    EXPECT_EQ(report().position, 0);

    // Into the working copy the third one is stored with its number cleared.
    restoreFromBackup(ws());
    EntryText third = EntryText::make("", "k", "j", '3');
    std::copy_n(img().workingCopy[30].number.begin(), 24,
                reinterpret_cast<std::uint8_t*>(third.number.data()));
    ASSERT_TRUE(storeSystemEntryChecked(ws(), 40, third, Copy::Working));
    EXPECT_EQ(report().count, 2);
    EXPECT_EQ(report().lowMemory, 12); // the first pair stays
    EXPECT_TRUE(img().workingCopy[40].empty());
    EXPECT_EQ(img().workingCopy[40].group, 3);
    EntryText kept;
    loadSystemEntry(ws(), 40, kept);
    EXPECT_EQ(kept.kanaText(), "k");
}

TEST_F(DuplicateDetection, IntoTheBackupEveryMatchCountsAndNothingIsCleared) {
    flags().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(ws(), 0, "11", Copy::Backup));
    ASSERT_TRUE(storeChecked(ws(), 1, "11", Copy::Backup));
    ASSERT_TRUE(storeChecked(ws(), 2, "11", Copy::Backup));
    EXPECT_EQ(report().count, 3);
    EXPECT_EQ(loadedNumber(2, Copy::Backup), "11");
}

TEST_F(DuplicateDetection, OffMeansNoCountForTheCommonPhonebook) {
    ASSERT_TRUE(storeChecked(ws(), 0, "11", Copy::Backup));
    ASSERT_TRUE(storeChecked(ws(), 1, "11", Copy::Backup));
    EXPECT_EQ(report().count, 0);
}

TEST_F(DuplicateDetection, NumbersCompareAsDecodedDigitsOnly) {
    flags().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(ws(), 0, "03A12", Copy::Backup)); // reads as 03
    ASSERT_TRUE(storeChecked(ws(), 1, "03", Copy::Backup));
    EXPECT_EQ(report().count, 1);
    ASSERT_TRUE(storeChecked(ws(), 2, "031", Copy::Backup));
    EXPECT_EQ(report().count, 1);
    ASSERT_TRUE(storeChecked(ws(), 3, "", Copy::Backup));
    ASSERT_TRUE(storeChecked(ws(), 4, "", Copy::Backup));
    EXPECT_EQ(report().count, 1); // empty memories are never duplicates
}

TEST_F(DuplicateDetection, NineHundredNinetyModeLooksAtAThousandMemories) {
    setMode(2);
    clearSystemBook(ws(), 2);
    flags().dupCheckEnabled = 1;
    img().backupCopy[995] = img().workingCopy[0];
    img().backupCopy[995].number[0] = 0x21; // "12"
    ASSERT_TRUE(storeChecked(ws(), 989, "12", Copy::Backup));
    EXPECT_EQ(report().count, 1);
    EXPECT_EQ(report().lowMemory, 989);
    EXPECT_EQ(report().highMemory, 995);
}

TEST_F(DuplicateDetection, TelephoneBlocksAreAlwaysCheckedWithinTheBlockOnly) {
    EntryText text = EntryText::make("77", "", "");
    ASSERT_TRUE(storeTelephoneEntryChecked(ws(), 125, 999, text, Copy::Backup));
    text = EntryText::make("77", "", "");
    ASSERT_TRUE(storeTelephoneEntryChecked(ws(), 126, 980, text, Copy::Backup)); // another telephone
    EXPECT_EQ(report().count, 0);
    text = EntryText::make("77", "", "");
    ASSERT_TRUE(storeTelephoneEntryChecked(ws(), 125, 983, text, Copy::Backup));
    EXPECT_EQ(report().count, 1);
    EXPECT_EQ(report().lowMemory, 983);
    EXPECT_EQ(report().highMemory, 999);
    EXPECT_EQ(report().position, 125);
}

TEST_F(DuplicateDetection, ResetStartsANewReport) {
    flags().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(ws(), 0, "5", Copy::Backup));
    ASSERT_TRUE(storeChecked(ws(), 1, "5", Copy::Backup));
    resetDuplicateReport(ws());
    EXPECT_EQ(report().count, 0);
    EXPECT_EQ(report().lowMemory, 0);
}
