// The parsers' rules one by one, on hand-written record lines.
#include "phonebook_file_fixture.h"

#include <gtest/gtest.h>

namespace rk::testing {
namespace {

const std::string kCommonHeader = "短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n";

// A common-phonebook body from UTF-8 record lines (converted to CP932), each ended by CR LF.
std::string commonBody(std::initializer_list<const char*> lines) {
    std::string body = sjis(kCommonHeader.c_str());
    for (const char* line : lines) body += sjis(line) + "\r\n";
    return body;
}

std::string myBody(std::initializer_list<std::string> lines) {
    std::string body = sjis("収容位置,短縮番号,電話番号,漢字名称,カナ名称\r\n");
    for (const std::string& line : lines) body += line + "\r\n";
    return body;
}

class fileCommonParser : public PhonebookFileTest {};

TEST_F(fileCommonParser, SpreadsheetLineWithoutLeadingZerosClearsTheMemoriesItJumpsOver) {
    for (int memory = 1; memory <= 6; ++memory) storeSystem(memory, "111", "ｵ", sjis("尾"), '3');
    parseCommon(commonBody({"0,0311,ｱ,亜,2", "5,012,ﾔﾏﾀﾞ,山田,1"}));
    EXPECT_EQ(system(0).numberText(), "0311");
    EXPECT_EQ(system(0).group, '2');
    for (int memory = 1; memory <= 4; ++memory) {
        EXPECT_EQ(system(memory).numberText(), "") << memory;
        EXPECT_EQ(system(memory).kanjiText(), "") << memory;
        EXPECT_EQ(system(memory).group, '1') << memory;
    }
    EXPECT_EQ(system(5).numberText(), "012");
    EXPECT_EQ(system(5).kanaText(), sjis("ﾔﾏﾀﾞ"));
    EXPECT_EQ(system(5).kanjiText(), sjis("山田"));
    EXPECT_EQ(system(5).group, '1');
    EXPECT_EQ(system(6).numberText(), "111") << "memories after the last line keep their contents";
}

TEST_F(fileCommonParser, MemoryNumbersMayJumpBackAndForth) {
    parseCommon(commonBody({"000,100,,,01", "001,101,,,01", "002,102,,,01", "001,201,,,01", "004,204,,,01"}));
    EXPECT_EQ(system(0).numberText(), "100");
    EXPECT_EQ(system(1).numberText(), "201");
    EXPECT_EQ(system(2).numberText(), "") << "after going back to 001 the jump to 004 clears 002 and 003";
    EXPECT_EQ(system(4).numberText(), "204");
    // Up to four leading digits make the memory number.
    parseCommon(commonBody({"000,1,,,01", "0007,7,,,01"}));
    EXPECT_EQ(system(7).numberText(), "7");
}

TEST_F(fileCommonParser, BlankLinesNameNoMemory) {
    // A downloaded file ends with an empty line; a short file must not lose memory 000 to it.
    parseCommon(commonBody({"000,100,,,01", "001,101,,,01", "", "  "}));
    EXPECT_EQ(system(0).numberText(), "100");
    EXPECT_EQ(system(1).numberText(), "101");
}

TEST_F(fileCommonParser, MemoriesBeyondTheTableEndTheParse) {
    parseCommon(commonBody({"000,1,,,01", "9999,2,,,01", "001,3,,,01"}));
    EXPECT_EQ(system(0).numberText(), "1");
    EXPECT_EQ(system(1).numberText(), "") << "cleared by the jump, and nothing is read after the table";
    EXPECT_EQ(system(599).numberText(), "");
}

TEST_F(fileCommonParser, NumbersKeepOnlyDiallingCharactersUpTo24) {
    parseCommon(commonBody(
        {"000,03(12)345,,,01", "001,+81 3-1234 x#*PM9,,,01", "002,1234567890123456789012345678,,,01"}));
    EXPECT_EQ(system(0).numberText(), "0312345");
    EXPECT_EQ(system(1).numberText(), "813-1234#*PM9");
    EXPECT_EQ(system(2).numberText(), "123456789012345678901234");
}

TEST_F(fileCommonParser, KanaNamesKeepHalfWidthCharactersOnly) {
    parseCommon(commonBody(
        {"000,1,ｱ山ｲ,,01", "001,1,ｱ,,01", "002,1,a\"b<c>d\\e,,01", "003,1,ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆ,,01"}));
    EXPECT_EQ(system(0).kanaText(), sjis("ｱ") + "  " + sjis("ｲ"));
    EXPECT_EQ(system(1).kanaText(), sjis("ｱ"));
    EXPECT_EQ(system(2).kanaText(), "a b c d e");
    EXPECT_EQ(system(3).kanaText(), sjis("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"));
    // A field starting with a byte 0xE0 or above (here the first half of a level-2 kanji) is empty.
    parseCommon(sjis(kCommonHeader.c_str()) + "000,1,,,01\r\n001,1,\xE0\x40" + sjis("ｱ") + ",,01\r\n");
    EXPECT_EQ(system(1).kanaText(), "");
    EXPECT_EQ(system(1).numberText(), "1");
    // A double-byte character at byte 19 leaves one blank: the name stays at 20 bytes.
    std::string kana = "000,1," + std::string(19, 'a') + sjis("山") + ",,01\r\n";
    parseCommon(sjis(kCommonHeader.c_str()) + kana);
    EXPECT_EQ(system(0).kanaText(), std::string(19, 'a') + " ");
}

TEST_F(fileCommonParser, LongKanjiNamesAreCutWithoutSplittingACharacter) {
    const std::string twentyOne = sjis("一二三四五六七八九十一二三四五六七八九十一");
    std::string file = sjis(kCommonHeader.c_str());
    file += "000,1,," + twentyOne + ",01\r\n";
    file += "001,1,,A" + sjis("一二三四五六七八九十") + ",01\r\n"; // byte 19 is a lead byte
    file += "002,1,,A" + sjis("亜亜亜亜亜亜亜亜亜") + "B,01\r\n";  // trail bytes 0x9F look like leads
    parseCommon(file);
    EXPECT_EQ(system(0).kanjiText(), sjis("一二三四五六七八九十"));
    EXPECT_EQ(system(1).kanjiText(), "A" + sjis("一二三四五六七八九"));
    EXPECT_EQ(system(2).kanjiText(), "A" + sjis("亜亜亜亜亜亜亜亜亜") + "B");
    EXPECT_EQ(system(0).group, '1');

    // The main unit's own file is taken at 20 bytes as it is.
    std::string unitFile = sjis("短縮番号,電話番号,漢字名称,カナ名称,グループ番号\r\n");
    unitFile += "000,1,A" + sjis("一二三四五六七八九十") + "," + sjis("ｱ") + ",01\r\n";
    parseCommon(unitFile, 1);
    EXPECT_EQ(system(0).kanjiText().size(), 20u);
    EXPECT_EQ(system(0).kanaText(), sjis("ｱ"));
}

TEST_F(fileCommonParser, GroupFieldRules) {
    parseCommon(commonBody({"000,1,,,00", "001,1,,,07", "002,1,,,5", "003,1,,,0", "004,1,,,08", "005,1,,,9",
                            "006,1,,,", "007,1,,", "008,1,,,0x", "009,1,,,03,extra", "010,1,,,x3"}));
    const char expected[] = {'0', '7', '5', '0', '1', '1', '1', '1', '0', '3', '1'};
    for (int memory = 0; memory <= 10; ++memory) EXPECT_EQ(system(memory).group, expected[memory]) << memory;
}

TEST_F(fileCommonParser, ColumnHeaderEndsAtTheFirstCrLfAndALoneCrIsData) {
    parseCommon("head\rer\r\n000,03\r12,a\rb,,01\r\n");
    EXPECT_EQ(system(0).numberText(), "0312");
    EXPECT_EQ(system(0).kanaText(), "a") << "a control byte ends the kana name";
    // Without any CR LF there is no data at all.
    storeSystem(1, "55");
    parseCommon("000,1,,,01\r001,2,,,01\n");
    EXPECT_EQ(system(1).numberText(), "55");
}

TEST_F(fileCommonParser, DataMustStartWithMemoryZero) {
    storeSystem(0, "55");
    storeSystem(1, "66");
    for (const char* body : {"h\r\n00,1,,,01\r\n", "h\r\n1,1,,,01\r\n", "h\r\n001,1,,,01\r\n", "h\r\n",
                             "h\r\n0", "h\r\n101,980,1,,\r\n"}) {
        parseCommon(body);
        EXPECT_EQ(system(0).numberText(), "55") << body;
        EXPECT_EQ(system(1).numberText(), "66") << body;
    }
    parseCommon("h\r\n0,1,,,01\r\n");
    EXPECT_EQ(system(0).numberText(), "1");
    parseCommon("h\r\n000x,2,,,01\r\n");
    EXPECT_EQ(system(0).numberText(), "2");
}

TEST_F(fileCommonParser, LinesLongerThan80BytesAreSkippedWhole) {
    storeSystem(1, "99");
    const std::string longest = "000,1,," + std::string(69, 'K') + ",01"; // CR at byte 79
    ASSERT_EQ(longest.size(), 79u);
    const std::string tooLong = "001,2,," + std::string(70, 'K') + ",01"; // CR at byte 80
    parseCommon("h\r\n" + longest + "\r\n" + tooLong + "\r\n002,5,,,01\r\n");
    EXPECT_EQ(system(0).numberText(), "1") << "a CR at byte 79 with its LF at byte 80 still ends the line";
    EXPECT_EQ(system(1).numberText(), "99") << "the over-long line stores nothing";
    EXPECT_EQ(system(2).numberText(), "5") << "the expected memory counts on past it";

    // The tail of an over-long line never reads as a line of its own, so it cannot name a memory.
    storeSystem(4, "44");
    const std::string withTail = "001,3,," + std::string(73, 'K') + "006,7,,,02";
    parseCommon("h\r\n000,1,,,01\r\n" + withTail + "\r\n002,8,,,01\r\n");
    EXPECT_EQ(system(1).numberText(), "99");
    EXPECT_EQ(system(2).numberText(), "8");
    EXPECT_EQ(system(4).numberText(), "44");
    EXPECT_EQ(system(6).numberText(), "");
    // The last line without CR LF is not stored.
    parseCommon("h\r\n000,1,,,01\r\n001,4,,,01");
    EXPECT_EQ(system(1).numberText(), "99");
}

TEST_F(fileCommonParser, NothingIsStoredWithoutAMemoryCount) {
    setMode(0);
    parseCommon(commonBody({"000,1,,,01"}));
    setMode(1);
    EXPECT_EQ(system(0).numberText(), "");
}

class fileMyParser : public PhonebookFileTest {};

TEST_F(fileMyParser, ALineOfAnotherPositionKeepsItsNamesButNotItsNumber) {
    phonebook::parseMyPhonebook(
        ws(), myBody({"101,980,0311," + sjis("山田,ﾔﾏﾀﾞ"), "102,981,0322," + sjis("川田,ｶﾜﾀ"),
                      "101,982,03(33)," + sjis("ｶﾅ,漢字")}));
    EXPECT_EQ(telephone(101, 980).numberText(), "0311");
    EXPECT_EQ(telephone(101, 980).kanjiText(), sjis("山田"));
    EXPECT_EQ(telephone(101, 980).kanaText(), sjis("ﾔﾏﾀﾞ"));
    EXPECT_EQ(telephone(101, 981).numberText(), "");
    EXPECT_EQ(telephone(101, 981).kanjiText(), sjis("川田"));
    EXPECT_EQ(telephone(101, 981).kanaText(), sjis("ｶﾜﾀ"));
    EXPECT_EQ(telephone(101, 982).numberText(), "0333");
    EXPECT_EQ(telephone(101, 982).kanjiText(), sjis("ｶﾅ"));
    EXPECT_EQ(telephone(101, 982).kanaText(), std::string(4, ' ')) << "kanji in the kana field";
    EXPECT_EQ(telephone(102, 980).kanjiText(), "") << "the line belongs to 101 by its place in the file";
}

TEST_F(fileMyParser, TheKanaNameIsTheRestOfTheLine) {
    phonebook::parseMyPhonebook(ws(), myBody({"101,980,1," + sjis("山,ｱ,ｲ")}));
    EXPECT_EQ(telephone(101, 980).kanaText(), sjis("ｱ ｲ")) << "the store turns the comma into a blank";
}

TEST_F(fileMyParser, LinesArePlacedByCountAndLongLinesAreSkipped) {
    std::string lines;
    for (int memory = 980; memory < 1000; ++memory)
        lines += "101," + std::to_string(memory) + "," + std::to_string(memory) + ",,\r\n";
    const std::string longest = "102,980,5,," + std::string(96 - 11, 'k'); // CR at byte 96
    const std::string tooLong = "102,981,6,," + std::string(97 - 11, 'k'); // CR at byte 97
    storeTelephone(102, 981, "81", "", "");
    phonebook::parseMyPhonebook(ws(), "h\r\n" + lines + longest + "\r\n" + tooLong + "\r\n102,982,7,,\r\n");
    EXPECT_EQ(telephone(101, 999).numberText(), "999");
    EXPECT_EQ(telephone(102, 980).numberText(), "5");
    EXPECT_EQ(telephone(102, 980).kanaText(), std::string(20, 'k'));
    EXPECT_EQ(telephone(102, 981).numberText(), "81") << "the over-long line stores nothing";
    EXPECT_EQ(telephone(102, 982).numberText(), "7") << "and the next line keeps its own memory";
}

TEST_F(fileMyParser, DataMustStartWithPosition101) {
    storeTelephone(101, 980, "55", "", "");
    for (const std::string body :
         {"h\r\n102,980,1,,\r\n", "h\r\n000,1,,,01\r\n", "h\r\n10,980,1,,\r\n", "h\r\n"}) {
        phonebook::parseMyPhonebook(ws(), body);
        EXPECT_EQ(telephone(101, 980).numberText(), "55") << body;
    }
}

class fileWrongKind : public PhonebookFileTest {};

TEST_F(fileWrongKind, AFileOfTheOtherKindStoresNothingAndStillSucceeds) {
    TempDirectory folder;
    storeSystem(0, "55");
    storeTelephone(101, 980, "66", "", "");
    phonebook::PhonebookFileSettings& settings = fileSettings();
    settings.phoneDir = folder.path().string() + "/";
    std::filesystem::copy_file(golden("my_phonebook.rkdat"), folder / "my.rkdat");
    std::filesystem::copy_file(golden("common_kana_first.rkdat"), folder / "common.rkdat");
    settings.phoneFileName = "my.rkdat";
    EXPECT_EQ(phonebook::readPhonebookFile(ws(), ui(), 1), 0);
    settings.phoneFileName = "common.rkdat";
    EXPECT_EQ(phonebook::readPhonebookFile(ws(), ui(), 2), 0);
    EXPECT_EQ(system(0).numberText(), "55");
    EXPECT_EQ(telephone(101, 980).numberText(), "66");
}

TEST_F(fileWrongKind, AFileWithoutHeaderLineIsReadFromItsFirstByte) {
    // A spreadsheet saved the common phonebook without its first line.
    const std::string golden = readBytes(rk::testing::golden("common_kana_first.rkdat"));
    takeGoldenHeader();
    phonebook::parsePhonebookFile(ws(), 1, golden.substr(192), 0);
    EXPECT_EQ(system(0).numberText(), "0312345678");
    EXPECT_EQ(system(5).kanaText(), "ABC s");
    EXPECT_EQ(headerLine().field(0)[0], 0) << "the carried fields are zeroed by every read";
}

} // namespace
} // namespace rk::testing
