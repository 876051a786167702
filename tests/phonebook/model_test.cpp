#include "phonebook_fixture.h"

#include "platform/text.h"

#include <algorithm>
#include <cstring>

using namespace rk::phonebook;
using rk::testing::PhonebookTest;

namespace {

std::vector<int> codesOf(const std::uint8_t* packed, int count) {
    std::vector<int> codes;
    for (int i = 0; i < count; ++i) codes.push_back(i % 2 == 0 ? packed[i / 2] & 15 : packed[i / 2] >> 4);
    return codes;
}

} // namespace

using DigitCodes = PhonebookTest;

TEST_F(DigitCodes, EveryDialCharacterRoundTrips) {
    ASSERT_TRUE(storeSystem(0, "03-1234*5#P"));
    EXPECT_EQ(codesOf(workingBytes(), 12), (std::vector<int>{10, 3, 14, 1, 2, 3, 4, 11, 5, 12, 13, 0}));
    EXPECT_EQ(loadedNumber(0), "03-1234*5#P");
    ASSERT_TRUE(storeSystem(1, "M0"));
    EXPECT_EQ(loadedNumber(1), "M0");
}

TEST_F(DigitCodes, AnUnknownCharacterEndsTheNumber) {
    ASSERT_TRUE(storeSystem(0, "03A12"));
    EXPECT_EQ(loadedNumber(0), "03");
    ASSERT_TRUE(storeSystem(1, "p12")); // lower case is not a pause
    EXPECT_EQ(loadedNumber(1), "");
}

TEST_F(DigitCodes, TwentyFourDigitsFillTwelveBytesAndTheTwentyFifthIsLost) {
    const std::string digits24 = "123456789012345678901234";
    ASSERT_TRUE(storeSystem(0, digits24 + "5"));
    for (int i = 0; i < 12; ++i) EXPECT_NE(workingBytes()[i] & 15, 0) << i;
    for (int i = 12; i < 25; ++i) EXPECT_EQ(workingBytes()[i], 0) << i;
    EXPECT_EQ(loadedNumber(0), digits24);
}

using Normalisation = PhonebookTest;

TEST_F(Normalisation, KanaDoubleByteCharacterBecomesTwoBlanks) {
    // Whatever its lead byte: 0x83 (katakana) or 0xE0 (second-level kanji, whose second byte
    // 0x9F must not take the next character with it).
    for (const char* wide : {"\x83\x41", "\xE0\x9F", "\xFA\x40"}) {
        ASSERT_TRUE(storeSystem(0, "1", rk::text::toCp932("ｱ") + wide + rk::text::toCp932("ｲ")));
        EntryText text;
        ASSERT_TRUE(loadSystemEntry(ws(), 0, text));
        EXPECT_EQ(text.kanaText(), "\xB1  \xB2") << wide;
    }
}

TEST_F(Normalisation, MarkupCharactersBecomeBlanksButDoubleByteCharactersStayWhole) {
    // 0x5C is the second byte of "ソ" (0x83 0x5C); it must not be taken for a backslash.
    const std::string kanji = std::string("<\x83\x5C,\"") + ">\\";
    const std::string kana = "A,B\"C<D>E\\F";
    ASSERT_TRUE(storeSystem(0, "1", kana, kanji));
    EntryText text;
    ASSERT_TRUE(loadSystemEntry(ws(), 0, text));
    EXPECT_EQ(text.kanjiText(), " \x83\x5C    ");
    EXPECT_EQ(text.kanaText(), "A B C D E F");
}

TEST_F(Normalisation, NamesAreCutToTwentyBytesAndZeroFilled) {
    EntryText text = EntryText::make("1", "", "");
    std::fill_n(text.kanjiName.begin(), 21, 'K'); // no terminator at all
    std::fill_n(text.kanaName.begin(), 21, 'k');
    ASSERT_TRUE(storeSystemEntry(ws(), 0, text));
    const auto& stored = img().workingCopy[0];
    EXPECT_EQ(std::string(stored.kanjiName.data(), 20), std::string(20, 'K'));
    EXPECT_EQ(stored.kanjiName[20], 0);
    EXPECT_EQ(stored.kanaName[20], 0);
}

TEST_F(Normalisation, ALoneLeadByteAtTheEndOfAKanaNameDoesNotSwallowTheTerminator) {
    EntryText text = EntryText::make("1", "AB\x81", "");
    text.kanaName[4] = 'X'; // garbage behind the terminator must stay behind it
    ASSERT_TRUE(storeSystemEntry(ws(), 0, text));
    EntryText loaded;
    loadSystemEntry(ws(), 0, loaded);
    EXPECT_EQ(loaded.kanaText(), "AB ");
}

TEST_F(Normalisation, GroupTakesTheLowThreeBitsOfCharacterOrValue) {
    ASSERT_TRUE(storeSystem(0, "1", "", "", '5'));
    ASSERT_TRUE(storeSystem(1, "1", "", "", 6));
    ASSERT_TRUE(storeSystem(2, "1", "", "", '9')); // '9' & 7 == 1
    EXPECT_EQ(img().workingCopy[0].group, 5);
    EXPECT_EQ(img().workingCopy[1].group, 6);
    EXPECT_EQ(img().workingCopy[2].group, 1);
    EntryText text;
    loadSystemEntry(ws(), 0, text);
    EXPECT_EQ(text.group, '5');
}

TEST_F(Normalisation, StoreRewritesTheCallersNumberText) {
    EntryText odd = EntryText::make("123", "", "");
    storeSystemEntry(ws(), 0, odd);
    EXPECT_EQ(std::string(odd.number.data()), "123 "); // odd length keeps one blank
    EntryText even = EntryText::make("1234", "", "");
    storeSystemEntry(ws(), 1, even);
    EXPECT_EQ(std::string(even.number.data()), "1234");
}

using MemoryBounds = PhonebookTest;

TEST_F(MemoryBounds, SixHundredModeRefusesMemory600) {
    EXPECT_TRUE(storeSystem(599, "1"));
    EXPECT_FALSE(storeSystem(600, "1"));
    EXPECT_FALSE(storeSystem(-1, "1"));
    EXPECT_TRUE(img().workingCopy[600].empty());
}

TEST_F(MemoryBounds, NineHundredNinetyModeTakes989AndRefuses990) {
    setMode(2);
    EXPECT_TRUE(storeSystem(989, "1"));
    EXPECT_FALSE(storeSystem(990, "1"));
    EXPECT_TRUE(img().workingCopy[990].empty());
}

TEST_F(MemoryBounds, ModeZeroRefusesEverythingAndThreeActsAsOne) {
    setMode(0);
    EXPECT_FALSE(storeSystem(0, "1"));
    EntryText text = EntryText::make("1", "", "");
    EXPECT_FALSE(storeTelephoneEntry(ws(), 101, 980, text));
    EXPECT_FALSE(loadSystemEntry(ws(), 0, text));
    setMode(3);
    EXPECT_TRUE(storeSystem(599, "1"));
    EXPECT_FALSE(storeSystem(600, "1"));
}

TEST_F(MemoryBounds, LoadOutsideTheTableGivesZerosAndGroupOne) {
    ASSERT_TRUE(storeSystem(0, "5", "k", "j", '3'));
    EntryText text;
    ASSERT_TRUE(loadSystemEntry(ws(), 0, text));
    EXPECT_FALSE(loadSystemEntry(ws(), 600, text));
    EntryText expected;
    expected.group = '1';
    EXPECT_EQ(std::memcmp(&text, &expected, sizeof text), 0);
    EXPECT_FALSE(loadTelephoneEntry(ws(), 101, 979, text));
    EXPECT_EQ(std::memcmp(&text, &expected, sizeof text), 0);
}

using TelephoneLayout = PhonebookTest;

TEST_F(TelephoneLayout, PositionsMapToTheirBlocks) {
    EXPECT_EQ(positionToIndex(101), 1);
    EXPECT_EQ(positionToIndex(116), 16);
    EXPECT_EQ(positionToIndex(125), 17);
    EXPECT_EQ(positionToIndex(208), 32);
    EXPECT_EQ(positionToIndex(117), 57);
    EXPECT_EQ(positionToIndex(152), 108);
    EXPECT_EQ(positionToIndex(210), 0);
    EXPECT_EQ(positionToIndex(100), 0);
    EXPECT_EQ(positionToIndex(0), 0);
    EXPECT_EQ(positionToIndex(301), 109);
    EXPECT_EQ(positionToIndex(352), 216);
    // A second-cabinet position without a block must not borrow one from the first cabinet.
    EXPECT_EQ(positionToIndex(500), 0);
    EXPECT_EQ(positionToIndex(410), 0);
}

TEST_F(TelephoneLayout, PhonebookPositionsAndTheFirstCabinetCoverEveryBlockOnce) {
    std::vector<int> seen(109, 0);
    for (int position = 101; position <= 208; ++position) {
        const int block = positionToIndex(position);
        if (block == 0) continue;
        ASSERT_LE(block, 108);
        ++seen[block];
    }
    for (int block = 1; block <= 108; ++block) EXPECT_EQ(seen[block], 1) << block;
}

TEST_F(TelephoneLayout, SixHundredModeOffsets) {
    EntryText text = EntryText::make("7", "", "");
    ASSERT_TRUE(storeTelephoneEntry(ws(), 125, 985, text)); // block 17
    const std::size_t offset = 42600 + 16 * 1420 + 5 * 71;
    EXPECT_EQ(workingBytes()[offset], 7);
    EXPECT_EQ(workingBytes()[offset + 67], 0); // per-telephone group is always 0
    text = EntryText::make("8", "", "");
    ASSERT_TRUE(storeTelephoneEntry(ws(), 101, 999, text));
    EXPECT_EQ(workingBytes()[42600 + 19 * 71], 8);
    text = EntryText::make("9", "", "");
    EXPECT_FALSE(storeTelephoneEntry(ws(), 101, 979, text));
    EXPECT_FALSE(storeTelephoneEntry(ws(), 210, 980, text));
}

TEST_F(TelephoneLayout, NineHundredNinetyModeOffsets) {
    setMode(2);
    EntryText text = EntryText::make("7", "", "");
    EXPECT_FALSE(storeTelephoneEntry(ws(), 101, 985, text));
    ASSERT_TRUE(storeTelephoneEntry(ws(), 208, 993, text)); // block 32
    EXPECT_EQ(workingBytes()[71000 + 31 * 710 + 3 * 71], 7);
    text = EntryText::make("5", "", "");
    ASSERT_TRUE(storeTelephoneEntry(ws(), 152, 999, text)); // block 108, the very last entry of its area
    EXPECT_EQ(workingBytes()[71000 + 107 * 710 + 9 * 71], 5);
    EntryText loaded;
    ASSERT_TRUE(loadTelephoneEntry(ws(), 152, 999, loaded));
    EXPECT_EQ(loaded.numberText(), "5");
    EXPECT_EQ(loaded.group, '0');
}

TEST_F(TelephoneLayout, SecondCabinetPositionsHaveNoRoomInThePhonebook) {
    EntryText text = EntryText::make("7", "", "");
    EXPECT_FALSE(storeTelephoneEntry(ws(), 301, 980, text));
    EXPECT_FALSE(storeTelephoneEntryChecked(ws(), 301, 980, text, Copy::Backup));
    EXPECT_FALSE(loadTelephoneEntry(ws(), 352, 999, text));
}

using Stores = PhonebookTest;

TEST_F(Stores, PlainStoreIn990ModeKeepsTheTailBytesOfTheEntry) {
    setMode(2);
    auto& entry = img().workingCopy[5];
    std::fill(entry.number.begin() + 12, entry.number.end(), 0xEE);
    entry.reserved = {1, 2, 3};
    ASSERT_TRUE(storeSystem(5, "12", "k", "j"));
    for (int i = 12; i < 25; ++i) EXPECT_EQ(entry.number[i], 0xEE);
    EXPECT_EQ(entry.reserved, (std::array<std::uint8_t, 3>{1, 2, 3}));
    // 600 mode zeroes the whole entry first.
    setMode(1);
    ASSERT_TRUE(storeSystem(5, "12"));
    for (int i = 12; i < 25; ++i) EXPECT_EQ(entry.number[i], 0);
    EXPECT_EQ(entry.reserved, (std::array<std::uint8_t, 3>{}));
}

TEST_F(Stores, CheckedStoreIntoTheBackupPacksTheTextAndLeavesTheIndexAlone) {
    EntryText text = EntryText::make("0312", "k", "j", '2');
    ASSERT_TRUE(storeSystemEntryChecked(ws(), 7, text, Copy::Backup));
    EXPECT_EQ(loadedNumber(7, Copy::Backup), "0312");
    EXPECT_TRUE(img().workingCopy[7].empty());
    EXPECT_EQ(img().numberIndex, rk::image::NumberIndex{});
}

TEST_F(Stores, CheckedStoreIntoTheWorkingCopyTakesThePackedNumber) {
    EntryText text = EntryText::make("", "k", "j", '2');
    text.number[0] = static_cast<char>(0x3A); // "0" then "3"
    text.number[1] = static_cast<char>(0x01); // "1"
    ASSERT_TRUE(storeSystemEntryChecked(ws(), 7, text, Copy::Working));
    EXPECT_EQ(loadedNumber(7), "031");
    EXPECT_EQ(img().numberIndex[600], 8);
}

TEST_F(Stores, PerTelephoneNumbersAreNotIndexed) {
    EntryText text = EntryText::make("123", "", "");
    ASSERT_TRUE(storeTelephoneEntry(ws(), 101, 980, text));
    EXPECT_EQ(img().numberIndex, rk::image::NumberIndex{});
}

using Clearing = PhonebookTest;

TEST_F(Clearing, SystemClearSetsGroupOneAndEmptiesTheIndex) {
    setMode(2);
    ASSERT_TRUE(storeSystem(989, "1", "k", "j", '4'));
    clearSystemBook(ws(), 2);
    for (std::size_t memory = 0; memory < 1000; ++memory) {
        EXPECT_TRUE(img().workingCopy[memory].empty());
        ASSERT_EQ(img().workingCopy[memory].group, 1) << memory;
    }
    EXPECT_EQ(img().numberIndex, rk::image::NumberIndex{});
}

TEST_F(Clearing, SixHundredClearStopsAtTheTelephoneArea) {
    EntryText text = EntryText::make("5", "", "");
    ASSERT_TRUE(storeTelephoneEntry(ws(), 101, 980, text));
    ASSERT_TRUE(storeSystem(0, "1"));
    clearSystemBook(ws(), 1);
    EXPECT_TRUE(img().workingCopy[0].empty());
    EXPECT_FALSE(img().workingCopy[600].empty());
    clearTelephoneBooks(ws(), 1);
    EXPECT_TRUE(img().workingCopy[600].empty());
    EXPECT_EQ(img().workingCopy[600].group, 0);
}

TEST_F(Clearing, TelephoneClearForEachMode) {
    setMode(2);
    EntryText text = EntryText::make("5", "", "");
    ASSERT_TRUE(storeTelephoneEntry(ws(), 152, 999, text));
    ASSERT_TRUE(storeSystem(989, "1"));
    clearTelephoneBooks(ws(), 2);
    EXPECT_TRUE(img().workingCopy[2079].empty());
    EXPECT_FALSE(img().workingCopy[989].empty());
}

using Backups = PhonebookTest;

TEST_F(Backups, CommitAndRestoreCopyEveryByte) {
    ASSERT_TRUE(storeSystem(3, "99", "k", "j"));
    commitBackup(ws());
    EXPECT_EQ(std::memcmp(workingBytes(), backupBytes(), 195960), 0);
    ASSERT_TRUE(storeSystem(3, "11"));
    restoreFromBackup(ws());
    EXPECT_EQ(loadedNumber(3), "99");
}

TEST_F(Backups, PageZeroIsAPlainRestore) {
    ASSERT_TRUE(storeSystem(3, "99"));
    commitBackup(ws());
    ASSERT_TRUE(storeSystem(3, "11"));
    ASSERT_TRUE(storeSystem(4, "12"));
    applyPageFromBackup(ws(), 0, PageKind::System);
    EXPECT_EQ(loadedNumber(3), "99");
    EXPECT_EQ(loadedNumber(4), "");
}

TEST_F(Backups, SystemPagesCoverFiftyMemories) {
    flags().dupCheckEnabled = 1;
    for (int memory : {49, 50}) {
        EntryText text = EntryText::make("111", "", "");
        ASSERT_TRUE(storeSystemEntryChecked(ws(), memory, text, Copy::Backup));
    }
    for (int page : {1, 2}) {
        resetDuplicateReport(ws());
        applyPageFromBackup(ws(), page, PageKind::System);
        EXPECT_EQ(report().count, 1) << page;
        EXPECT_EQ(report().lowMemory, 49);
        EXPECT_EQ(report().highMemory, 50);
    }
    resetDuplicateReport(ws());
    applyPageFromBackup(ws(), 3, PageKind::System);
    EXPECT_EQ(report().count, 0);
}

TEST_F(Backups, PageTwentyRunsDownFrom989To950) {
    setMode(2);
    flags().dupCheckEnabled = 1;
    const std::pair<int, const char*> backup[] = {{0, "444"},   {989, "444"}, {5, "333"},
                                                  {950, "333"}, {6, "555"},   {949, "555"}};
    for (const auto& [memory, number] : backup) {
        EntryText text = EntryText::make(number, "", "");
        ASSERT_TRUE(storeSystemEntryChecked(ws(), memory, text, Copy::Backup));
    }
    resetDuplicateReport(ws());
    applyPageFromBackup(ws(), 20, PageKind::System);
    // 989 comes first and records the pair; 950 is the second find and loses its number in the
    // working copy; 949 lies outside the page and is not looked at.
    EXPECT_EQ(report().count, 2);
    EXPECT_EQ(report().lowMemory, 0);
    EXPECT_EQ(report().highMemory, 989);
    EXPECT_EQ(loadedNumber(989), "444");
    EXPECT_EQ(loadedNumber(950), "");
    EXPECT_EQ(loadedNumber(949), "555");
    EXPECT_EQ(loadedNumber(950, Copy::Backup), "333");
}

TEST_F(Backups, TelephonePagesCoverTwoPositions) {
    // Equal numbers inside a block are always reported: that makes a page visible.
    for (int position : {101, 102, 103, 199, 200}) {
        for (int memory : {980, 981}) {
            EntryText text = EntryText::make("55", "", "");
            ASSERT_TRUE(storeTelephoneEntryChecked(ws(), position, memory, text, Copy::Backup));
        }
    }
    auto reportedPositions = [this](int page) {
        resetDuplicateReport(ws());
        applyPageFromBackup(ws(), page, PageKind::Telephone);
        return std::make_pair(report().position, report().count);
    };
    EXPECT_EQ(reportedPositions(1), std::make_pair(101, 3));  // 101: pair; 101 second hit, 102's two
    EXPECT_EQ(reportedPositions(50), std::make_pair(199, 3)); // 199 and 200
    EXPECT_EQ(reportedPositions(2), std::make_pair(103, 2));  // 103 and 104 (104 is empty)
    EXPECT_EQ(reportedPositions(51), std::make_pair(101, 3)); // any other page: 101 and 102
    EXPECT_EQ(reportedPositions(-3), std::make_pair(101, 3));
}

using FreeEntries = PhonebookTest;

TEST_F(FreeEntries, CountsTheCommonPhonebook) {
    ASSERT_TRUE(storeSystem(0, "1"));
    ASSERT_TRUE(storeSystem(1, "2"));
    auto stats = countFreeEntries(ws(), 0);
    EXPECT_EQ(stats.freeCount, 598);
    EXPECT_EQ(stats.firstFree, 2);
    EXPECT_EQ(stats.tableSize, 600);
    setMode(2);
    clearSystemBook(ws(), 2);
    stats = countFreeEntries(ws(), 0);
    EXPECT_EQ(stats.tableSize, 990);
    EXPECT_EQ(stats.freeCount, 1000);
    EXPECT_EQ(img().freeEntries.tableSize, 990);
}

TEST_F(FreeEntries, CountsATelephoneBlockByLastTwoDigits) {
    for (int memory = 980; memory < 992; ++memory) {
        EntryText text = EntryText::make("1", "", "");
        ASSERT_TRUE(storeTelephoneEntry(ws(), 130, memory, text));
    }
    auto stats = countFreeEntries(ws(), 130);
    EXPECT_EQ(stats.tableSize, 20);
    EXPECT_EQ(stats.freeCount, 8);
    EXPECT_EQ(stats.firstFree, 92);
    setMode(2);
    stats = countFreeEntries(ws(), 130);
    EXPECT_EQ(stats.tableSize, 10);
    EXPECT_EQ(stats.firstFree, 90);
    EXPECT_EQ(countFreeEntries(ws(), 210).freeCount, 0);
}
