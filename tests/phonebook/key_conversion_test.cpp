#include "phonebook/key_conversion.h"

#include "image/key_store.h"
#include "phonebook/key_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

using namespace rk::phonebook;
using rk::image::KeyKind;

namespace {

std::string blanks(std::size_t count) {
    return std::string(count, ' ');
}

// The one-touch template written out column by column: markers at 0, 16 and 96, "c" at 36,
// "," at 65, blanks to column 189. `name` fills 27..35, `flag` is column 64, `setting` 66..95.
std::string oneTouchRecord(const std::string& position, const std::string& key, const std::string& name,
                           char flag, const std::string& setting) {
    const std::string head = "i92=" + position + "#" + key + "-";
    return head + blanks(5) + head + name + blanks(9 - name.size()) + "c" + blanks(27) + flag + "," +
           setting + blanks(30 - setting.size()) + head + blanks(83);
}

std::string anythingRecord(const std::string& position, const std::string& key, const std::string& name,
                           const std::string& setting) {
    const std::string head = "i14=" + position + "#" + key + "-";
    return head + blanks(5) + head + name + blanks(9 - name.size()) + "c" + blanks(27) + "A," + setting +
           blanks(30 - setting.size()) + head + blanks(83);
}

class KeyConversionTest : public ::testing::Test {
protected:
    void SetUp() override { rk::image::initialiseImage(*image); }

    std::string stored(KeyKind kind, int position, int key) const {
        const auto* setting = rk::image::keySetting(*image, kind, position, key);
        if (setting == nullptr || setting->programmed == 0) return "<none>";
        return std::string(rk::image::settingText(*setting));
    }

    std::unique_ptr<rk::image::DataImage> image = std::make_unique<rk::image::DataImage>();
};

// The element text of a file the builder wrote, as an XML reader hands it over.
std::string elementText(const std::string& file, const std::string& name) {
    const std::string open = "<" + name + ">";
    const std::size_t start = file.find(open);
    const std::size_t end = file.find("</" + name + ">");
    if (start == std::string::npos || end == std::string::npos) return "<missing>";
    std::string text = file.substr(start + open.size(), end - start - open.size());
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 5, "&amp;") == 0)
            plain += '&', i += 4;
        else if (text.compare(i, 4, "&lt;") == 0)
            plain += '<', i += 3;
        else if (text.compare(i, 4, "&gt;") == 0)
            plain += '>', i += 3;
        else
            plain += text[i];
    }
    return plain;
}

} // namespace

TEST(KeyRecord, OneTouchPartFillsEveryColumnOfItsTemplate) {
    // Position 101, key 01, the digit 1 between the first two "@", nothing after the third.
    const ConvertedKey key = convertOneTouchPart("101_01@1@@Yamada");
    EXPECT_EQ(key.record.size(), 190u);
    EXPECT_EQ(key.record, oneTouchRecord("101", "01", "Yamada", '1', ""));
    EXPECT_EQ(key.keyString, "i92_101_01-1");

    const ConvertedKey dial = convertOneTouchPart("152_12@@0312345678@");
    EXPECT_EQ(dial.record, oneTouchRecord("152", "12", "", ' ', "0312345678"));
    EXPECT_EQ(dial.keyString, "i92_152_12,0312345678");
    // "s" and "-" never reach a token.
    EXPECT_EQ(convertOneTouchPart("1s01_0-1@1@03-1234@").keyString, "i92_101_01-1,031234");
}

TEST(KeyRecord, AnythingKeyPartKeepsItsMarkAndTakesParentheses) {
    const ConvertedKey key = convertAnythingKeyPart("103_43@0312345678@Head");
    EXPECT_EQ(key.record, anythingRecord("103", "43", "Head", "0312345678"));
    EXPECT_EQ(key.keyString, "i14_103_43n_0312345678");

    // "(" appends "<" and closes the token, so what follows starts afresh; ")" appends ">".
    const ConvertedKey dial = convertAnythingKeyPart("104_05@(03)12-34@");
    EXPECT_EQ(dial.keyString, "i14_104_05n_03>12-34");
    EXPECT_EQ(dial.record.substr(66, 30), "03>12-34" + blanks(22));
    EXPECT_EQ(convertAnythingKeyPart("104_05@9(@").keyString, "i14_104_05n_9<");

    // The second and later "_" go into the key string; the token stays after "_".
    EXPECT_EQ(convertAnythingKeyPart("104_12_43@").keyString, "i14_104_12_43n");
    EXPECT_EQ(convertAnythingKeyPart("104_@").keyString, "i14_104_104n");
}

TEST(KeyRecord, TokensOfTheWrongWidthNeverMoveTheFixedColumns) {
    // Short position and key number: the rest of their columns is blank, the record stays whole.
    const ConvertedKey shortKey = convertOneTouchPart("10_1@@@");
    EXPECT_EQ(shortKey.record, oneTouchRecord("10 ", "1 ", "", ' ', ""));
    const ConvertedKey shortAnything = convertAnythingKeyPart("7_4@");
    EXPECT_EQ(shortAnything.record, anythingRecord("7  ", "4 ", "", ""));

    // Long tokens are cut at their last column.
    const ConvertedKey longKey =
        convertOneTouchPart("12345_6789@x@" + std::string(40, '8') + "@ABCDEFGHIJKLMNOP");
    EXPECT_EQ(longKey.record, oneTouchRecord("123", "67", "ABCDEFGHI", 'x', std::string(30, '8')));
    EXPECT_EQ(longKey.keyString, "i92_12345_6789-x," + std::string(40, '8'));
    const ConvertedKey longAnything =
        convertAnythingKeyPart("1234_5678@" + std::string(31, '9') + "@0123456789");
    EXPECT_EQ(longAnything.record, anythingRecord("123", "56", "012345678", std::string(30, '9')));
    EXPECT_EQ(longAnything.keyString, "i14_1234_5678n_" + std::string(31, '9'));

    // A zero byte that arrives inside a token ends the record where it lands.
    const ConvertedKey zero = convertOneTouchPart(std::string_view("101_01@@@A\0B", 12));
    EXPECT_EQ(zero.record, oneTouchRecord("101", "01", "A", ' ', "").substr(0, 28));
}

TEST_F(KeyConversionTest, ElementPartsBecomeRecordsAndProgrammedKeys) {
    const std::string body =
        convertOneTouchKeys(*image, std::string_view("  101_01@1@@Yamada , ,\n152_12@@0312345678@\n"));
    EXPECT_EQ(body, oneTouchRecord("101", "01", "Yamada", '1', "") + "\n" +
                        oneTouchRecord("152", "12", "", ' ', "0312345678") + "\n");
    EXPECT_EQ(stored(KeyKind::OneTouch, 101, 1), "-1");
    EXPECT_EQ(stored(KeyKind::OneTouch, 152, 12), ",0312345678");

    EXPECT_EQ(convertAnythingKeys(*image, std::string_view("103_43@0312345678@Head,")),
              anythingRecord("103", "43", "Head", "0312345678") + "\n");
    EXPECT_EQ(stored(KeyKind::Anything, 103, 43), "n_0312345678");
}

TEST_F(KeyConversionTest, MissingEmptyAndCommaFreeElements) {
    EXPECT_EQ(convertOneTouchKeys(*image, std::nullopt), "");
    EXPECT_EQ(convertAnythingKeys(*image, std::string_view(" \n , \n")), "");
    // A key text without any comma is one key, taken whole: the last "o" stays.
    EXPECT_EQ(convertOneTouchKeys(*image, std::string_view("101_01@1@@Yamado")),
              oneTouchRecord("101", "01", "Yamado", '1', "") + "\n");
}

TEST_F(KeyConversionTest, KeysTheStoreRefusesStillGiveTheirRecord) {
    const auto before = std::make_unique<rk::image::DataImage>(*image);
    const std::string body = convertOneTouchKeys(*image, std::string_view("099_01@1@@,1011_01@@@,101_1@@@"));
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 3);
    EXPECT_EQ(std::memcmp(&image->keys, &before->keys, sizeof image->keys), 0);
}

TEST_F(KeyConversionTest, BuilderWritesEveryPageFileInTheUnitsForm) {
    ASSERT_EQ(rk::image::programKey(*image, "i92_101_01-1,0312345678"), 0);
    ASSERT_EQ(rk::image::programKey(*image, "i92_101_02"), 0);
    ASSERT_EQ(rk::image::programKey(*image, "i92_153_05,A&B<C>"), 0);
    ASSERT_EQ(rk::image::programKey(*image, "i14_116_43n"), 0);
    ASSERT_EQ(rk::image::programKey(*image, "i14_117_01n_<>"), 0);
    ASSERT_EQ(rk::image::programKey(*image, "i14_200_99n_03>1-2<"), 0);

    rk::testing::TempDir work;
    ASSERT_EQ(writeKeyFiles(*image, work.path()), 1);
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";
    EXPECT_EQ(work.read("one-touch101.txt"),
              declaration + "<root>\n<i92>\n101_01@1@0312345678@,\n101_02@@@,\n</i92>\n</root>\n");
    EXPECT_EQ(work.read("one-touch153.txt"),
              declaration + "<root>\n<i92>\n153_05@@A&amp;B&lt;C&gt;@,\n</i92>\n</root>\n");
    EXPECT_EQ(work.read("nandemo101.txt"), declaration + "<root>\n<i14>\n116_43@,\n</i14>\n</root>\n");
    EXPECT_EQ(work.read("nandemo117.txt"), declaration + "<root>\n<i14>\n117_01@()@,\n</i14>\n</root>\n");
    EXPECT_EQ(work.read("nandemo.txt"),
              declaration + "<root>\n<i14>\n116_43@,\n117_01@()@,\n200_99@03)1-2(@,\n</i14>\n</root>\n");
    for (const char* empty : {"nandemo133.txt", "nandemo153.txt", "nandemo165.txt"})
        EXPECT_EQ(work.read(empty), declaration + "<root>\n<i14>\n</i14>\n</root>\n") << empty;
    EXPECT_EQ(work.read("nandemo181.txt"),
              declaration + "<root>\n<i14>\n200_99@03)1-2(@,\n</i14>\n</root>\n");
}

TEST_F(KeyConversionTest, BuiltFilesReadBackToTheSameKeys) {
    const char* keys[] = {
        "i92_101_01-1,0312345678", "i92_101_02",         "i92_152_99-x", "i92_153_00,A&B<C>",
        "i92_200_50-( ),9 9",      "i14_101_01n",        "i14_133_20n_", "i14_152_07n_<><",
        "i14_181_43n_0-3>4",       "i14_200_99n_ab>c<<>"};
    for (const char* key : keys) ASSERT_EQ(rk::image::programKey(*image, key), 0) << key;
    rk::testing::TempDir work;
    ASSERT_EQ(writeKeyFiles(*image, work.path()), 1);

    auto readBack = std::make_unique<rk::image::DataImage>();
    rk::image::initialiseImage(*readBack);
    convertOneTouchKeys(*readBack, elementText(work.read("one-touch101.txt"), "i92"));
    convertOneTouchKeys(*readBack, elementText(work.read("one-touch153.txt"), "i92"));
    convertAnythingKeys(*readBack, elementText(work.read("nandemo.txt"), "i14"));
    EXPECT_EQ(std::memcmp(&readBack->keys, &image->keys, sizeof image->keys), 0);

    // The split anything-key pages hold the same keys as nandemo.txt.
    auto pages = std::make_unique<rk::image::DataImage>();
    rk::image::initialiseImage(*pages);
    for (const char* page : {"nandemo101.txt", "nandemo117.txt", "nandemo133.txt", "nandemo153.txt",
                             "nandemo165.txt", "nandemo181.txt"})
        convertAnythingKeys(*pages, elementText(work.read(page), "i14"));
    convertOneTouchKeys(*pages, elementText(work.read("one-touch101.txt"), "i92"));
    convertOneTouchKeys(*pages, elementText(work.read("one-touch153.txt"), "i92"));
    EXPECT_EQ(std::memcmp(&pages->keys, &image->keys, sizeof image->keys), 0);
}

TEST_F(KeyConversionTest, BuilderReportsAFileItCannotWrite) {
    rk::testing::TempDir work;
    // A directory in the place of one file: that file cannot be replaced, the others are written.
    std::filesystem::create_directory(work / "nandemo133.txt");
    std::filesystem::create_directory(work / "nandemo133.txt" / "keep");
    EXPECT_EQ(writeKeyFiles(*image, work.path()), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(work / "nandemo181.txt"));
    EXPECT_TRUE(std::filesystem::is_regular_file(work / "one-touch101.txt"));
}
