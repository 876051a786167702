#include "web/data_script.h"

#include "image/command_engine.h"
#include "image/key_store.h"
#include "web/phonebook_access.h"
#include "web_test_support.h"

#include <string>

using namespace rk;
using namespace rk::web;
using rk::testing::scriptValues;

namespace {

class DataScript : public rk::testing::WebTest {
protected:
    std::string script(std::string_view key, std::optional<std::string_view> parameter = std::nullopt) {
        return generateDataScript(key, parameter, values_);
    }

    void useNineHundredNinety() {
        img().memoryMode = 2;
        phonebook::clearSystemBook(ws(), 2);
        phonebook::clearTelephoneBooks(ws(), 2);
    }

    PhonebookPageValues values_{ws()};
};

// `count` empty common-phonebook memories as a page lists them, each followed by a comma.
std::string emptyCommonMemories(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "\"\",\"\",\"\",\"01\",";
    return text;
}

std::string emptyValues(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "\"\",";
    return text;
}

// The end of the values: the last comma gives way to the end of the array.
std::string closed(std::string values) {
    values.pop_back();
    return values + "];\r\n//-->";
}

} // namespace

TEST_F(DataScript, CommonPageOneWithItsHeader) {
    storeSystem(0, "0312345678", "\xC6\xCE\xDD", "\x93\xFA\x96\x7B", '2'); // ﾆﾎﾝ, 日本
    storeSystem(1, "*#P-", "ab", "\x83\x5C", '7');                         // ソ: its second byte is 0x5C
    EXPECT_EQ(script("17tansyuku_01m.js", "page=001"),
              "<!--\r\n"
              "var arFormat=[\"s000\",\"n\"];\r\n"
              "var arSeq=[1,0,0];\r\n"
              "var arParam=[0,49,1,4];\r\n"
              "\r\n"
              "arVals=[ \"0312345678\",\"\x93\xFA\x96\x7B\",\"\xC6\xCE\xDD\",\"02\","
              "\"*#P-\",\"\x83\x5C\",\"ab\",\"07\"," +
                  closed(emptyCommonMemories(48)));
}

TEST_F(DataScript, PageNumberOutsideTheSelectionsGivesPageOneWithoutHeader) {
    const std::string pageOne = "<!--\r\narVals=[ " + closed(emptyCommonMemories(50));
    EXPECT_EQ(script("17tansyuku_01m.js", "page=000"), pageOne);
    EXPECT_EQ(script("17tansyuku_01m.js", "page=021"), pageOne);
    EXPECT_EQ(script("17tansyuku_01m.js", "abc"), pageOne);
    EXPECT_EQ(script("17tansyuku_01m.js"), pageOne);
    // A parameter shorter than three characters is read as far as it goes.
    EXPECT_EQ(script("17tansyuku_01m.js", "2").substr(0, 80),
              "<!--\r\nvar arFormat=[\"s000\",\"n\"];\r\nvar arSeq=[1,0,0];\r\nvar arParam=[50,99,1,4];\r\n");
}

TEST_F(DataScript, MemoriesOutsideTheMemoryCountAreEmpty) {
    // 600 memories: page 13 is 600..649, every value empty, the group too.
    EXPECT_EQ(
        script("17tansyuku_01m.js", "013"),
        "<!--\r\nvar arFormat=[\"s000\",\"n\"];\r\nvar arSeq=[1,0,0];\r\nvar arParam=[600,649,1,4];\r\n\r\n"
        "arVals=[ " +
            closed(emptyValues(200)));

    useNineHundredNinety();
    storeSystem(989, "9", "k", "j", '5');
    const std::string last = script("17tansyuku_01m.js", "?page=020");
    EXPECT_NE(last.find("var arParam=[950,989,1,4];\r\n\r\n"), std::string::npos);
    const auto values = scriptValues(last);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 160u);
    EXPECT_EQ((*values)[0], "");
    EXPECT_EQ((*values)[3], "01");
    EXPECT_EQ((*values)[156], "9");
    EXPECT_EQ((*values)[157], "j");
    EXPECT_EQ((*values)[158], "k");
    EXPECT_EQ((*values)[159], "05");
}

TEST_F(DataScript, MyPhonebookPageFiftyIn990Mode) {
    useNineHundredNinety();
    phonebook::EntryText text = phonebook::EntryText::make("555", "x", "y");
    ASSERT_TRUE(phonebook::storeTelephoneEntry(ws(), 200, 995, text));
    std::string values = emptyValues(105) + "\"555\",\"y\",\"x\"," + emptyValues(12);
    EXPECT_EQ(script("18tel_01m.js", "page=050"),
              "<!--\r\nvar arFormat=[\"t\",\"_\",\"n\"];\r\nvar arSeq=[2,1,0,0];\r\n"
              "var arParam=[199,200,980,999,1,3];\r\n\r\narVals=[ " +
                  closed(values));
}

TEST_F(DataScript, KeysThatNameNoPageGiveNothing) {
    for (const char* key : {"", "17tansyukum.js", "0_1m.js", "22_1m.js", "21_1m.js", "17_2m.js", "4_196m.js",
                            "17_0m.js", "x17_1m.js", "99999999999999999999_1m.js"})
        EXPECT_EQ(script(key, "001"), "") << key;
    EXPECT_NE(script("4_195m.js"), "");
    EXPECT_EQ(pageKeyOfPath("/17tansyuku_01m.js"), "17tansyuku_01m.js");
    EXPECT_EQ(pageNumberOfQuery("page=012"), 12);
    EXPECT_EQ(pageNumberOfQuery("7"), 7);
    EXPECT_EQ(pageNumberOfQuery("1a"), 1);
    EXPECT_EQ(pageNumberOfQuery("x=a1"), 0);
}

TEST_F(DataScript, MemoryCountLeadsGroupThreeSubPageSix) {
    // h120, then h121..h125 and 100 positions each of h127 and h128, which the engine lacks.
    const std::string tail = closed(emptyValues(205));
    EXPECT_EQ(script("3_06m.js"), "<!--\r\narVals=[ \"1\"," + tail);
    img().memoryMode = 2;
    EXPECT_EQ(script("3_06m.js"), "<!--\r\narVals=[ \"2\"," + tail);
}

TEST_F(DataScript, DataSetPagesTakeTheirRangesFromTheParameter) {
    // Command 080: the factory gives every leading digit three digits.
    EXPECT_EQ(
        script("2_1m.js", "3&5"),
        "<!--\r\nvar arFormat=[\"h080_\"];\r\nvar arSeq=[0,0];\r\narVals=[ \"3\",\"3\",\"3\"];\r\n//-->");
    ASSERT_TRUE(image::executeCommandString(img(), 1, "*830212#"));
    EXPECT_EQ(script("8_3m.js", "2&3&1&2"),
              "<!--\r\nvar arFormat=[\"h830_\",\"n\"];\r\nvar arSeq=[1,0,0];\r\n"
              "arVals=[ \"1\",\"2\",\"0\",\"0\"];\r\n//-->");
    // An empty or missing high repeats its low.
    EXPECT_EQ(script("8_3m.js", "2&&1"),
              "<!--\r\nvar arFormat=[\"h830_\",\"n\"];\r\nvar arSeq=[1,0,0];\r\narVals=[ \"1\"];\r\n//-->");
    // A fixed name leads group 1: no conversions, and no command behind it.
    EXPECT_EQ(script("1_1m.js", "101&148"),
              "<!--\r\nvar arFormat=[];\r\nvar arSeq=[0];\r\narVals=[ \"\"];\r\n//-->");
    // Without a parameter every descriptor of the sub-page: h000, h001_1..2, h002, h003 (6
    // groups, 16 entries), h009 (96 telephones × 4).
    const auto values = scriptValues(script("1_1m.js"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 1u + 2u + 1u + 16u + 96u * 4u);
    // A script that would outgrow its buffer is not sent.
    EXPECT_EQ(script("3_21m.js", "0&65535&0&65535"), "");
}

TEST_F(DataScript, ValuesCannotEndTheirString) {
    storeSystem(2, "1", "",
                "a\x01"
                "b\x82",
                '1'); // a control byte and a lead byte at the end
    ASSERT_EQ(image::programKey(img(), "i14_101_05n_a\"b\\c"), image::kKeyStored);
    const std::string common = script("17tansyuku_01m.js", "001");
    EXPECT_NE(common.find("\"1\",\"a\\x01b\\x82\",\"\",\"01\","), std::string::npos);
    const std::string keys = script("19_1m.js", "001");
    EXPECT_NE(keys.find(",\"a\\\"b\\\\c\","), std::string::npos);
    const auto values = scriptValues(keys);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 250u);
    EXPECT_EQ((*values)[50], "a\"b\\c");
}
