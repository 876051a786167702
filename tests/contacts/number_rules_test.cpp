// The rules that make a contact's number dialable from Japan, as a table.
#include "contacts_fixture.h"

#include "contacts/dial_number.h"

namespace rk::testing {
namespace {

struct NumberCase {
    std::string given;
    std::string prefix;
    std::string dialable; // empty: not valid
    std::string told;     // part of a change, or of the problem when not valid; empty: nothing told
};

TEST(NumberRules, NumbersAreMadeDialableFromJapanOrRefusedWithTheirReason) {
    const std::vector<NumberCase> cases = {
        // Within Japan: separators and full-width digits go silently, +81 becomes 0.
        {"03-1234-5678", "", "0312345678", ""},
        {"(03)1234-5678", "", "0312345678", ""},
        {"０３−１２３４−５６７８", "", "0312345678", ""},
        {"０９０ー１２３４ー５６７８", "", "09012345678", ""},
        {"+81 3-1234-5678", "", "0312345678", "+81 became 0"},
        {"+81 (0)90 1234 5678", "", "09012345678", "+81 became 0"},
        {"010-81-3-1234-5678", "", "0312345678", "010 81 became 0"},
        {"312345678", "", "0312345678", "the leading 0 added"},
        {"0120-123-456", "", "0120123456", ""},
        // Abroad: 010, the country code and the national number.
        {"+1 650 253 0000", "", "01016502530000", "+ became 010"},
        {"+44 (0)20 7946 0958", "", "010442079460958", "+ became 010"},
        {"010 44 20 7946 0958", "", "010442079460958", ""},
        // Short numbers stay as they are, without the prefix.
        {"117", "0", "117", ""},
        {"201", "", "201", ""},
        {"#8000", "", "#8000", ""},
        {"123456", "", "123456", ""},
        // The prefix goes in front of every other number, also abroad.
        {"03-1234-5678", "0", "00312345678", ""},
        {"+1 650 253 0000", "0", "001016502530000", "+ became 010"},
        // An extension is left out and told.
        {"03-1234-5678 内線 12", "", "0312345678", "extension 12 left out"},
        {"03-1234-5678 ext. 12", "", "0312345678", "extension 12 left out"},
        // Refused.
        {"1234567", "", "", "not a valid number in Japan"},
        {"12345678901", "", "", "not a valid number in Japan"},
        {"03-12345", "", "", "not a valid number in Japan"},
        {"+1 555 0100", "", "", "country code 1"},
        {"0120-ABC-DEF", "", "", "characters other than digits"},
        {"*86#0312345678", "", "", "with * or #"},
        {"--", "", "", "no digits"},
        {"03-1234-5678", "000000000000000", "", "longer than 24"},
    };
    for (const NumberCase& number : cases) {
        SCOPED_TRACE(number.given + " with prefix \"" + number.prefix + "\"");
        const contacts::DialNumber dial = contacts::makeDialable(number.given, number.prefix);
        EXPECT_EQ(dial.valid, !number.dialable.empty());
        EXPECT_EQ(dial.dialable, number.dialable);
        std::string told = dial.problem;
        for (const std::string& change : dial.changes) told += "\n" + change;
        if (number.told.empty())
            EXPECT_TRUE(told.empty()) << told;
        else
            EXPECT_NE(told.find(number.told), std::string::npos) << told;
        EXPECT_LE(dial.dialable.size(), 24u);
    }
}

// Which of a contact's numbers the import takes, by --numbers and --all-numbers.
TEST(NumberRules, TheFirstValidNumberOfTheChosenKindsIsTakenOrEveryOne) {
    contacts::Contact contact;
    contact.numbers = {{contacts::NumberKind::Home, "03-1111-2222", false},
                       {contacts::NumberKind::Mobile, "12345678901", false},
                       {contacts::NumberKind::Mobile, "090-1111-2222", false},
                       {contacts::NumberKind::Fax, "03-1111-2223", false}};
    contacts::ImportOptions options;
    contacts::NumberChoice choice = contacts::chooseNumbers(contact, options);
    ASSERT_EQ(choice.numbers.size(), 1u);
    EXPECT_EQ(choice.numbers[0].dial.dialable, "09011112222") << "the invalid mobile number is passed over";
    ASSERT_EQ(choice.changes.size(), 1u);
    EXPECT_NE(choice.changes[0].find("12345678901 passed over"), std::string::npos);

    std::string error;
    options.numberKinds = contacts::parseNumberKinds("home,fax", error).value();
    choice = contacts::chooseNumbers(contact, options);
    ASSERT_EQ(choice.numbers.size(), 1u);
    EXPECT_EQ(choice.numbers[0].dial.dialable, "0311112222");

    options.allNumbers = true;
    choice = contacts::chooseNumbers(contact, options);
    ASSERT_EQ(choice.numbers.size(), 2u);
    EXPECT_EQ(choice.numbers[1].dial.dialable, "0311112223");

    options.numberKinds = contacts::parseNumberKinds("work", error).value();
    choice = contacts::chooseNumbers(contact, options);
    EXPECT_TRUE(choice.numbers.empty());
    ASSERT_EQ(choice.changes.size(), 1u);
    EXPECT_NE(choice.changes[0].find("no number of the kinds work"), std::string::npos);
    EXPECT_FALSE(contacts::parseNumberKinds("mobile,cell", error));
}

} // namespace
} // namespace rk::testing
