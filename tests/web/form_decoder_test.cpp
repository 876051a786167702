#include "web/form_decoder.h"

#include "image/command_engine.h"
#include "image/key_store.h"
#include "web/data_script.h"
#include "web/page_title.h"
#include "web/phonebook_access.h"
#include "web_test_support.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace rk;
using namespace rk::web;
using rk::testing::formEncoded;
using rk::testing::scriptValues;

namespace {

class FormDecoding : public rk::testing::WebTest {
protected:
    void submit(std::string_view body) { ApplySubmittedForm(body, target_); }
    const phonebook::DuplicateReport& report() const { return target_.duplicateReport(); }

    phonebook::EntryText loadedTelephone(int position, int memory,
                                         phonebook::Copy copy = phonebook::Copy::Working) {
        phonebook::EntryText text;
        phonebook::loadTelephoneEntry(ws(), position, memory, text, copy);
        return text;
    }

    std::string shown(const char* command) {
        return image::executeCommandString(img(), 1, command).value_or("--P");
    }

    PhonebookFormTarget target_{ws()};
};

} // namespace

TEST_F(FormDecoding, CommonEntriesFromTheirFourFields) {
    struct Case {
        const char* body;
        int memory;
        const char* number;
        const char* kanji;
        const char* kana;
        char group;
    };
    const Case cases[] = {
        // A ten-digit number, 日本 escaped, three half-width kana escaped, group 2.
        {"s000n1=0312345678&s000n2=%93%FA%96%7B&s000n3=%C6%CE%DD&s000n4=2", 0, "0312345678",
         "\x93\xFA\x96\x7B", "\xC6\xCE\xDD", '2'},
        // 20 bytes whose 20th is the first half of a cut character: 19 bytes are kept.
        {"s001n1=1&s001n2=%82%A0%82%A0%82%A0%82%A0%82%A0%82%A0%82%A0%82%A0%82%A0a%82%A0&s001n4=1", 1, "1",
         "\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0"
         "a",
         "", '1'},
        // A comma cuts a kanji name; in a common kana name it survives and the store blanks it.
        {"s002n1=2&s002n2=AB,CD&s002n3=ab,cd&s002n4=3", 2, "2", "AB", "ab cd", '3'},
        // '+' is a blank, %2B a '+'.
        {"s003n1=3&s003n2=a+b%2Bc&s003n4=0", 3, "3", "a b+c", "", '0'},
        // Sub-fields in any order.
        {"s005n3=kana&s005n1=123&s005n4=4&s005n2=kan", 5, "123", "kan", "kana", '4'},
        // Everything beyond a field is ignored.
        {"s006n1=1234567890123456789012345678&s006n2=ABCDEFGHIJKLMNOPQRSTUVWXYZ&s006n4=12", 6,
         "123456789012345678901234", "ABCDEFGHIJKLMNOPQRST", "", '4'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        submit(c.body);
        const phonebook::EntryText text = loadedSystem(c.memory);
        EXPECT_EQ(text.numberText(), c.number);
        EXPECT_EQ(text.kanjiText(), c.kanji);
        EXPECT_EQ(text.kanaText(), c.kana);
        EXPECT_EQ(text.group, c.group);
    }
}

TEST_F(FormDecoding, MyPhonebookKanaUsesTheNameVariant) {
    submit("t101_980n1=0123&t101_980n2=%83%5C&t101_980n3=ab,cd&t250_980n1=9&t101_999n1=99");
    const phonebook::EntryText text = loadedTelephone(101, 980);
    EXPECT_EQ(text.numberText(), "0123");
    EXPECT_EQ(text.kanjiText(), "\x83\x5C");
    EXPECT_EQ(text.kanaText(), "ab");
    EXPECT_EQ(loadedTelephone(101, 999).numberText(), "99");
}

TEST_F(FormDecoding, DuplicatesAreCountedIntoTheBackupWhenChecked) {
    flags().dupCheckEnabled = 1;
    submit("s010n1=0311&s010n2=a&s003n1=0311&s003n2=b&s004n1=0311");
    EXPECT_EQ(report().count, 3); // 004 matches both; the first pair found stays
    EXPECT_EQ(loadedSystem(3, phonebook::Copy::Backup).numberText(), "0311");
    EXPECT_EQ(loadedSystem(3).numberText(), ""); // the working copy waits for the page's commit
    EXPECT_EQ(duplicateMessage(report(), phonebook::PageKind::System),
              text::toCp932("短縮番号003番と010番が重複して登録されています。"));

    submit("t103_985n1=55&t103_981n1=55");
    EXPECT_EQ(report().count, 1); // the report starts afresh with every body
    EXPECT_EQ(duplicateMessage(report(), phonebook::PageKind::Telephone),
              text::toCp932("収容位置103の短縮番号981番と985番が重複して登録されています。"));

    flags().dupCheckEnabled = 0;
    submit("s020n1=77&s021n1=77");
    EXPECT_EQ(report().count, 0);
    EXPECT_EQ(duplicateMessage(report(), phonebook::PageKind::System), "");
    EXPECT_EQ(loadedSystem(21).numberText(), "77");
}

TEST_F(FormDecoding, DataSetFieldsKeyTheirCommandIn) {
    struct Case {
        const char* body;
        const char* show;
        const char* expected;
    };
    const Case cases[] = {
        {"h080_1=2", "*0801#", "080=1-2c"},
        {"h080_3=12", "*0803#", "080=3-1c"}, // cut to its one digit
        // Sub-fields gathered in any order, each at its full width.
        {"h830_3n2=7&x=1&h830_3n1=5", "*8303#", "830=3-5,7c"},
        {"h009_101sn1=1&h009_101sn2=2", "*009101#", "009=101-0,0,0,0c"}, // incomplete
        {"h009_102sn4=4&h009_102sn3=3&h009_102sn2=2&h009_102sn1=1", "*009102#", "009=102-1,2,3,4c"},
        {"h099_01n1=1&h099_01n2=22&h099_01n3=33&h099_01n4=44&h099_01n5=55", "*09901#",
         "099=01-00,00,00,00,00c"},
        // Only the keys of a data field: a "*" or "#" would key in another command.
        {"h080_2=%2A", "*0802#", "080=2-3c"},
        {"h081_01=1%23", "*08101#", "081=01-FFc"},
        {"h080_4=%40", "*0804#", "080=4-3c"},
        {"h9419_105s=7", "*9419105#", "9419=105-07c"},
        {"h081_00=12", "*08100#", "081=00-12c"},
        {"h081_00=FF", "*08100#", "081=00-FFc"},
        {"h120=2", "*120#", "120=2c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        submit(c.body);
        EXPECT_EQ(shown(c.show), c.expected);
    }
}

TEST_F(FormDecoding, KeyPagesStoreBackWhatTheyShow) {
    const char* const anything[] = {"i14_101_00n_abcdefgh", "i14_101_03n_\x82\xA0\x82\xA2\x82\xA4",
                                    "i14_101_05n", "i14_101_07n_a\"b\\c"};
    const char* const oneTouch[] = {"i92_101_00-B,123", "i92_101_01-A,A12", "i92_101_02-A,123",
                                    "i92_101_03-12,345", "i92_101_04"};
    for (const char* key : anything) ASSERT_EQ(image::programKey(img(), key), image::kKeyStored) << key;
    for (const char* key : oneTouch) ASSERT_EQ(image::programKey(img(), key), image::kKeyStored) << key;

    PhonebookPageValues pageValues{ws()};
    const auto anythingValues = scriptValues(generateDataScript("19_1m.js", "001", pageValues));
    const auto oneTouchValues = scriptValues(generateDataScript("20_1m.js", "001", pageValues));
    ASSERT_TRUE(anythingValues && oneTouchValues);
    ASSERT_EQ(anythingValues->size(), 250u);
    ASSERT_EQ(oneTouchValues->size(), 300u);
    EXPECT_EQ((*anythingValues)[0], "abcde");
    EXPECT_EQ((*anythingValues)[1], "fgh");
    EXPECT_EQ((*anythingValues)[30], "\x82\xA0\x82\xA2"); // pieces never split a character
    EXPECT_EQ((*anythingValues)[31], "\x82\xA4");
    EXPECT_EQ((*oneTouchValues)[0], "-B,123");
    EXPECT_EQ((*oneTouchValues)[1], "B");
    EXPECT_EQ((*oneTouchValues)[2], "123");
    EXPECT_EQ((*oneTouchValues)[4], "A12");
    EXPECT_EQ((*oneTouchValues)[5], "");
    EXPECT_EQ((*oneTouchValues)[7], ""); // -A,123 cannot be shown in n2 and n3

    // The body a browser sends back for both pages, every field as it was shown.
    std::string body;
    char name[32];
    for (int key = 0; key < 25; ++key)
        for (int piece = 0; piece < 10; ++piece) {
            std::snprintf(name, sizeof name, "i14_101_%02d_%dn1=", key, piece);
            body += std::string(body.empty() ? "" : "&") + name +
                    formEncoded((*anythingValues)[static_cast<std::size_t>(key * 10 + piece)]);
        }
    for (int key = 0; key < 100; ++key)
        for (int sub = 1; sub <= 3; ++sub) {
            std::snprintf(name, sizeof name, "&i92_101_%02dn%d=", key, sub);
            body += name + formEncoded((*oneTouchValues)[static_cast<std::size_t>(key * 3 + sub - 1)]);
        }

    const auto before = std::make_unique<image::KeyTable>(img().keys);
    submit(body);
    EXPECT_EQ(std::memcmp(before.get(), &img().keys, sizeof(image::KeyTable)), 0);

    // Onto empty keys the same body brings back every key the fields can show.
    image::clearKeys(img());
    submit(body);
    const auto text = [this](image::KeyKind kind, int key) {
        return std::string(image::settingText(*image::keySetting(img(), kind, 101, key)));
    };
    EXPECT_EQ(text(image::KeyKind::Anything, 0), "n_abcdefgh");
    EXPECT_EQ(text(image::KeyKind::Anything, 3), "n_\x82\xA0\x82\xA2\x82\xA4");
    EXPECT_EQ(text(image::KeyKind::Anything, 7), "n_a\"b\\c");
    EXPECT_EQ(image::keySetting(img(), image::KeyKind::Anything, 101, 5)->programmed, 0);
    EXPECT_EQ(text(image::KeyKind::OneTouch, 0), "-B,123");
    EXPECT_EQ(text(image::KeyKind::OneTouch, 1), "-A,A12");
    EXPECT_EQ(image::keySetting(img(), image::KeyKind::OneTouch, 101, 2)->programmed, 0);

    // Edits: a shortened text, a new one-touch code, a code of the wrong length.
    submit("i14_102_07_0n1=ab%22&i14_102_07_1n1=&i92_102_07n2=C&i92_102_07n3=999&i92_102_08n2=C&i92_102_08n3="
           "99");
    EXPECT_EQ(std::string(image::settingText(*image::keySetting(img(), image::KeyKind::Anything, 102, 7))),
              "n_ab\"");
    EXPECT_EQ(std::string(image::settingText(*image::keySetting(img(), image::KeyKind::OneTouch, 102, 7))),
              "-C,999");
    EXPECT_EQ(image::keySetting(img(), image::KeyKind::OneTouch, 102, 8)->programmed, 0);
}

TEST_F(FormDecoding, CommonPageStoresBackWhatItShows) {
    storeSystem(0, "0312345678", "\xC6\xCE\xDD", "\x93\xFA\x96\x7B", '2');
    storeSystem(1, "*#P-", "a b", "\x83\x5C\x83\x5C", '7');
    storeSystem(49, "1", "",
                "a\x01"
                "b\x82",
                '0');
    PhonebookPageValues pageValues{ws()};
    const std::string script = generateDataScript("17tansyuku_01m.js", "001", pageValues);
    const auto values = scriptValues(script);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 200u);
    std::string body;
    char name[16];
    for (int memory = 0; memory < 50; ++memory)
        for (int sub = 1; sub <= 4; ++sub) {
            std::snprintf(name, sizeof name, "s%03dn%d=", memory, sub);
            body += std::string(body.empty() ? "" : "&") + name +
                    formEncoded((*values)[static_cast<std::size_t>(memory * 4 + sub - 1)]);
        }
    EXPECT_EQ(firstEntryOfBody(body), 0);

    image::initialiseImage(img());
    submit(body);
    EXPECT_EQ(generateDataScript("17tansyuku_01m.js", "001", pageValues), script);
}

TEST(FirstEntry, ThreeDigitsAfterTheFieldLetter) {
    EXPECT_EQ(firstEntryOfBody("s050n1=123&s050n2="), 50);
    EXPECT_EQ(firstEntryOfBody("t103_980n1=1"), 103);
    EXPECT_EQ(firstEntryOfBody("s05"), -1);
    EXPECT_EQ(firstEntryOfBody("x1a3"), -1);
}

TEST(PageTitle, PageNumberRangeAndBrowserSuffix) {
    struct Case {
        int first;
        bool common;
        std::optional<std::string_view> version;
        const char* title;
    };
    const Case cases[] = {
        {100, true, "7.2.1", "共通電話帳[PAGE3(短縮番号100～149)] - Windows Internet Explorer"},
        {0, true, "8.0", "共通電話帳[PAGE1(短縮番号000～049)] - Microsoft Internet Explorer"},
        {950, true, std::nullopt, "共通電話帳[PAGE20(短縮番号950～989)] - Microsoft Internet Explorer"},
        {51, true, "7", "共通電話帳[PAGE0(短縮番号)] - Windows Internet Explorer"},
        {199, false, "7.0", "マイ電話帳[PAGE50(収容位置199,200)] - Windows Internet Explorer"},
        {101, false, "", "マイ電話帳[PAGE1(収容位置101,102)] - Microsoft Internet Explorer"},
        {102, false, "7.0", "マイ電話帳[PAGE0(収容位置)] - Windows Internet Explorer"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageWindowTitle(c.first, c.common, c.version), text::toCp932(c.title));
    // The wave dash between the numbers is the Shift-JIS character 0x81 0x60.
    const std::string title = PageWindowTitle(100, true, "7.0");
    EXPECT_EQ(title.substr(title.find("100") + 3, 5), "\x81\x60"
                                                      "149");
}
