// The PC-side phonebook files as whole files: the header line, the staging table, the golden
// files of both kinds and both column orders, round trips and the two memory-count modes.
#include "phonebook_file_fixture.h"

#include <gtest/gtest.h>

namespace rk::testing {
namespace {

using phonebook::FileHeaderLine;
using phonebook::LineTable;

std::string lineOf(const std::string& file, std::size_t index) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) start = file.find("\r\n", start) + 2;
    return file.substr(start, file.find("\r\n", start) - start);
}

std::size_t countLines(const std::string& file) {
    std::size_t count = 0;
    for (std::size_t at = file.find("\r\n"); at != std::string::npos; at = file.find("\r\n", at + 2)) ++count;
    return count;
}

TEST(fileHeaderLine, FreshFieldsAreWrittenAsBlanksAroundTheFixedCommas) {
    FileHeaderLine header;
    const FileHeaderLine::Line line = header.format(goldenTime());
    const std::string expected = "202403050907," + std::string(24, ' ') + "," + std::string(24, ' ') + "," +
                                 std::string(24, ' ') + "," + std::string(24, ' ') + "," +
                                 std::string(72, ' ') + ",    \r\n";
    ASSERT_EQ(expected.size(), 192u);
    EXPECT_EQ(std::string(line.begin(), line.end()), expected);
}

TEST(fileHeaderLine, CarriedFieldsComeBackByteForByteAndOnlyFromALineStartingWithTwo) {
    const std::string file = readBytes(golden("common_kana_first.rkdat"));
    FileHeaderLine header;
    EXPECT_TRUE(header.takeFrom(file));
    const FileHeaderLine::Line line = header.format(goldenTime());
    EXPECT_EQ(std::string(line.begin(), line.end()), file.substr(0, 192));

    // Bytes 85 and 86 are not kept: they are always written as blanks.
    std::string altered = file.substr(0, 192);
    altered[85] = 'X';
    altered[86] = 'Y';
    header.takeFrom(altered);
    const FileHeaderLine::Line rewritten = header.format(goldenTime());
    EXPECT_EQ(std::string(rewritten.begin(), rewritten.end()), file.substr(0, 192));

    // A file that does not start with "2" has no header line: the fields are zeroed.
    EXPECT_FALSE(header.takeFrom(std::string("1") + file.substr(1, 191)));
    for (std::size_t i = 0; i < 6; ++i)
        for (const char byte : header.field(i)) EXPECT_EQ(byte, 0);
    // A short first line is taken as far as it goes.
    EXPECT_TRUE(header.takeFrom(file.substr(0, 20)));
    EXPECT_EQ(std::string(header.field(0).data(), 7), "RK-L MA");
    EXPECT_EQ(header.field(1)[0], 0);
}

TEST(fileLineTable, StartsBlankAndRefusesAnythingOutsideIt) {
    auto owned = std::make_unique<LineTable>();
    LineTable& table = *owned;
    table.clear();
    EXPECT_EQ((*table.line(9999))[191], ' ');
    EXPECT_EQ(table.line(10000), nullptr);
    EXPECT_FALSE(table.put(10000, 0, "x"));
    EXPECT_FALSE(table.put(0, 192, "x"));
    EXPECT_FALSE(table.putByte(0, 192, 'x'));
    // Text running past the end of a line is cut there, never spilling into the next one.
    EXPECT_TRUE(table.put(0, 190, "abcd"));
    EXPECT_EQ((*table.line(0))[191], 'b');
    EXPECT_EQ((*table.line(1))[0], ' ');
    EXPECT_EQ(table.bytes()[190], 'a');
    table.clear();
}

class fileFormat : public PhonebookFileTest {};

TEST_F(fileFormat, CommonPhonebookInBothColumnOrdersMatchesTheGoldenFiles) {
    useMode990();
    storeGoldenCommonEntries();
    takeGoldenHeader();
    EXPECT_EQ(phonebook::formatPhonebookFile(ws(), 1, goldenHeader(), 0),
              readBytes(golden("common_kana_first.rkdat")));
    EXPECT_EQ(phonebook::formatPhonebookFile(ws(), 1, goldenHeader(), 1), readBytes(golden("sys-tan.txt")));
}

TEST_F(fileFormat, MyPhonebookMatchesTheGoldenFile) {
    storeGoldenMyEntries();
    takeGoldenHeader();
    EXPECT_EQ(phonebook::formatPhonebookFile(ws(), 2, goldenHeader(), 0),
              readBytes(golden("my_phonebook.rkdat")));
}

TEST_F(fileFormat, GoldenFilesParseBackIntoTheSameFiles) {
    useMode990();
    for (const auto& [name, flag] : {std::pair{"common_kana_first.rkdat", 0}, std::pair{"sys-tan.txt", 1}}) {
        image::initialiseImage(img());
        useMode990();
        const std::string file = readBytes(golden(name));
        phonebook::parsePhonebookFile(ws(), 1, file, flag);
        EXPECT_EQ(system(5).numberText(), "03-1234*5#P") << name;
        EXPECT_EQ(system(501).kanjiText(), sjis("一二三四五六七八九十")) << name;
        EXPECT_EQ(system(989).group, '5') << name;
        EXPECT_EQ(system(1).group, '0') << name;
        EXPECT_EQ(phonebook::formatPhonebookFile(ws(), 1, goldenHeader(), flag), file) << name;
    }
    image::initialiseImage(img());
    const std::string mine = readBytes(golden("my_phonebook.rkdat"));
    phonebook::parsePhonebookFile(ws(), 2, mine, 0);
    EXPECT_EQ(telephone(125, 990).kanjiText(), sjis("横浜支店"));
    EXPECT_EQ(phonebook::formatPhonebookFile(ws(), 2, goldenHeader(), 0), mine);
}

TEST_F(fileFormat, CommonFileIn600ModeStillHas990RecordsAndReadsBack600) {
    storeSystem(0, "0311", sjis("ｱ"), sjis("亜"), '4');
    storeSystem(599, "0599", sjis("ｲ"), sjis("井"), '6');
    const std::string file = phonebook::formatPhonebookFile(ws(), 1, headerLine().format(goldenTime()), 0);
    ASSERT_EQ(countLines(file), 992u);
    EXPECT_EQ(lineOf(file, 2), "000,0311," + sjis("ｱ,亜") + ",04");
    EXPECT_EQ(lineOf(file, 601), "599,0599," + sjis("ｲ,井") + ",06");
    EXPECT_EQ(lineOf(file, 602), "600,,,,01");
    EXPECT_EQ(lineOf(file, 991), "989,,,,01");

    image::initialiseImage(img());
    storeSystem(300, "9999");
    phonebook::parsePhonebookFile(ws(), 1, file, 0);
    EXPECT_EQ(system(0).kanjiText(), sjis("亜"));
    EXPECT_EQ(system(599).numberText(), "0599");
    EXPECT_EQ(system(300).numberText(), "") << "a complete file overwrites every memory";
}

TEST_F(fileFormat, A990FileLoadedIn600ModeFillsTheFirst600Memories) {
    const std::string file = readBytes(golden("common_kana_first.rkdat"));
    phonebook::parsePhonebookFile(ws(), 1, file, 0);
    EXPECT_EQ(system(500).numberText(), "0120999888");
    EXPECT_EQ(system(501).kanaText(), sjis("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"));
    phonebook::EntryText scratch;
    EXPECT_FALSE(phonebook::loadSystemEntry(ws(), 989, scratch));
    EXPECT_EQ(phonebook::countFreeEntries(ws(), 0).freeCount, 600 - 5);
}

TEST_F(fileFormat, MyPhonebookFilesCrossBetweenTheModesByMemoryNumber) {
    // Saved in 600 mode, loaded in 990 mode: only memories 990..999 exist there.
    const std::string from600 = readBytes(golden("my_phonebook.rkdat"));
    useMode990();
    storeTelephone(101, 995, "555", "", "");
    phonebook::parsePhonebookFile(ws(), 2, from600, 0);
    EXPECT_EQ(telephone(101, 999).numberText(), "200");
    EXPECT_EQ(telephone(125, 990).numberText(), "0451234567");
    EXPECT_EQ(telephone(101, 995).numberText(), "") << "the file's empty line overwrites it";
    phonebook::EntryText scratch;
    EXPECT_FALSE(phonebook::loadTelephoneEntry(ws(), 101, 980, scratch));
    EXPECT_EQ(phonebook::countFreeEntries(ws(), 126).freeCount, 10) << "126/981 does not exist in 990 mode";

    // Saved in 990 mode (980..989 written empty), loaded in 600 mode.
    const std::string from990 = phonebook::formatPhonebookFile(ws(), 2, goldenHeader(), 0);
    EXPECT_NE(from990.find("101,980,,,\r\n101,981,,,\r\n"), std::string::npos);
    image::initialiseImage(img());
    storeTelephone(101, 980, "777", "", "");
    phonebook::parsePhonebookFile(ws(), 2, from990, 0);
    EXPECT_EQ(telephone(101, 980).numberText(), "");
    EXPECT_EQ(telephone(101, 999).numberText(), "200");
}

TEST_F(fileFormat, EntriesSurviveARoundTripThroughBothKinds) {
    useMode990();
    // Names at their full 20 bytes, trail bytes in the lead-byte range, every dialling character.
    storeSystem(0, "0123456789*#P-M", sjis("ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹ"), sjis("亜亜亜亜亜亜亜亜亜亜"), '0');
    storeSystem(42, "1", "a b", sjis("ソ表能"), '7');
    storeTelephone(200, 990, "0312", sjis("亜亜亜亜亜亜亜亜亜亜"), "Z");
    for (const int flag : {0, 1}) {
        const std::string common = phonebook::formatPhonebookFile(ws(), 1, goldenHeader(), flag);
        const std::string mine = phonebook::formatPhonebookFile(ws(), 2, goldenHeader(), 0);
        image::initialiseImage(img());
        useMode990();
        phonebook::parsePhonebookFile(ws(), 1, common, flag);
        phonebook::parsePhonebookFile(ws(), 2, mine, 0);
        EXPECT_EQ(system(0).numberText(), "0123456789*#P-M");
        EXPECT_EQ(system(0).kanaText(), sjis("ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹ"));
        EXPECT_EQ(system(0).kanjiText(), sjis("亜亜亜亜亜亜亜亜亜亜"));
        EXPECT_EQ(system(0).group, '0');
        EXPECT_EQ(system(42).kanjiText(), sjis("ソ表能"));
        EXPECT_EQ(system(42).group, '7');
        EXPECT_EQ(telephone(200, 990).kanjiText(), sjis("亜亜亜亜亜亜亜亜亜亜"));
        EXPECT_EQ(telephone(200, 990).kanaText(), "Z");
        EXPECT_EQ(phonebook::formatPhonebookFile(ws(), 1, goldenHeader(), flag), common);
    }
}

} // namespace
} // namespace rk::testing
