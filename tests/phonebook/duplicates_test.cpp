#include "phonebook_fixture.h"

using namespace rk::phonebook;
using rk::sharedState;
using rk::testing::PhonebookTest;

using DuplicateDetection = PhonebookTest;

namespace {

bool storeChecked(int memory, const char* number, Copy target) {
    EntryText text = EntryText::make(number, "", "");
    return storeSystemEntryChecked(memory, text, target);
}

} // namespace

TEST_F(DuplicateDetection, PairIsRecordedAndTheThirdEqualNumberLosesItsNumber) {
    sharedState().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(30, "0312345678", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 0);
    ASSERT_TRUE(storeChecked(12, "0312345678", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 1);
    EXPECT_EQ(duplicateReport().lowMemory, 12);
    EXPECT_EQ(duplicateReport().highMemory, 30);
    EXPECT_EQ(duplicateReport().position, 0);

    // Into the working copy the third one is stored with its number cleared.
    restoreFromBackup();
    EntryText third = EntryText::make("", "k", "j", '3');
    std::copy_n(img().workingCopy[30].number.begin(), 24,
                reinterpret_cast<std::uint8_t*>(third.number.data()));
    ASSERT_TRUE(storeSystemEntryChecked(40, third, Copy::Working));
    EXPECT_EQ(duplicateReport().count, 2);
    EXPECT_EQ(duplicateReport().lowMemory, 12); // the first pair stays
    EXPECT_TRUE(img().workingCopy[40].empty());
    EXPECT_EQ(img().workingCopy[40].group, 3);
    EntryText kept;
    loadSystemEntry(40, kept);
    EXPECT_EQ(kept.kanaText(), "k");
}

TEST_F(DuplicateDetection, IntoTheBackupEveryMatchCountsAndNothingIsCleared) {
    sharedState().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(0, "11", Copy::Backup));
    ASSERT_TRUE(storeChecked(1, "11", Copy::Backup));
    ASSERT_TRUE(storeChecked(2, "11", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 3);
    EXPECT_EQ(loadedNumber(2, Copy::Backup), "11");
}

TEST_F(DuplicateDetection, OffMeansNoCountForTheCommonPhonebook) {
    ASSERT_TRUE(storeChecked(0, "11", Copy::Backup));
    ASSERT_TRUE(storeChecked(1, "11", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 0);
}

TEST_F(DuplicateDetection, NumbersCompareAsDecodedDigitsOnly) {
    sharedState().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(0, "03A12", Copy::Backup)); // reads as 03
    ASSERT_TRUE(storeChecked(1, "03", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 1);
    ASSERT_TRUE(storeChecked(2, "031", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 1);
    ASSERT_TRUE(storeChecked(3, "", Copy::Backup));
    ASSERT_TRUE(storeChecked(4, "", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 1); // empty memories are never duplicates
}

TEST_F(DuplicateDetection, NineHundredNinetyModeLooksAtAThousandMemories) {
    setMode(2);
    clearSystemBook(2);
    sharedState().dupCheckEnabled = 1;
    img().backupCopy[995] = img().workingCopy[0];
    img().backupCopy[995].number[0] = 0x21; // "12"
    ASSERT_TRUE(storeChecked(989, "12", Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 1);
    EXPECT_EQ(duplicateReport().lowMemory, 989);
    EXPECT_EQ(duplicateReport().highMemory, 995);
}

TEST_F(DuplicateDetection, TelephoneBlocksAreAlwaysCheckedWithinTheBlockOnly) {
    EntryText text = EntryText::make("77", "", "");
    ASSERT_TRUE(storeTelephoneEntryChecked(125, 999, text, Copy::Backup));
    text = EntryText::make("77", "", "");
    ASSERT_TRUE(storeTelephoneEntryChecked(126, 980, text, Copy::Backup)); // another telephone
    EXPECT_EQ(duplicateReport().count, 0);
    text = EntryText::make("77", "", "");
    ASSERT_TRUE(storeTelephoneEntryChecked(125, 983, text, Copy::Backup));
    EXPECT_EQ(duplicateReport().count, 1);
    EXPECT_EQ(duplicateReport().lowMemory, 983);
    EXPECT_EQ(duplicateReport().highMemory, 999);
    EXPECT_EQ(duplicateReport().position, 125);
}

TEST_F(DuplicateDetection, ResetStartsANewReport) {
    sharedState().dupCheckEnabled = 1;
    ASSERT_TRUE(storeChecked(0, "5", Copy::Backup));
    ASSERT_TRUE(storeChecked(1, "5", Copy::Backup));
    resetDuplicateReport();
    EXPECT_EQ(duplicateReport().count, 0);
    EXPECT_EQ(duplicateReport().lowMemory, 0);
}
