#include "history/phonebook_diff.h"

#include "history/phonebook_text.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using rk::history::Book;
using rk::history::Change;

// One memory as a side holds it; every memory not listed is empty.
struct Memory {
    int position; // my phonebook
    int memory;
    const char* number;
    const char* kana;
    const char* kanji; // UTF-8
    char group;        // common phonebook
};

struct Field {
    std::string field;
    std::string before; // UTF-8
    std::string after;
};

struct Expected {
    int position;
    int memory;
    Change change;
    std::vector<Field> fields;
};

struct Case {
    const char* what;
    int memoryCount;
    Book book;
    std::vector<Memory> before;
    std::vector<Memory> after;
    std::vector<Expected> differences; // in memory order
};

// The file of one book, as the program writes it, holding the given memories.
std::string bookFile(Book book, int memoryCount, const std::vector<Memory>& memories) {
    static const auto workspace = std::make_unique<rk::Workspace>();
    const int mode = rk::history::memoryModeOf(memoryCount);
    rk::phonebook::setMemoryMode(*workspace, mode);
    rk::phonebook::clearSystemBook(*workspace, mode);
    rk::phonebook::clearTelephoneBooks(*workspace, mode);
    for (const Memory& memory : memories) {
        auto text = rk::phonebook::EntryText::make(memory.number, memory.kana,
                                                   rk::text::toCp932(memory.kanji), memory.group);
        const bool stored =
            book == Book::Common
                ? rk::phonebook::storeSystemEntry(*workspace, memory.memory, text)
                : rk::phonebook::storeTelephoneEntry(*workspace, memory.position, memory.memory, text);
        EXPECT_TRUE(stored) << memory.position << " " << memory.memory;
    }
    std::tm time{};
    time.tm_year = 124;
    const int kind =
        book == Book::Common ? rk::phonebook::kCommonPhonebookFile : rk::phonebook::kMyPhonebookFile;
    return rk::phonebook::formatPhonebookFile(*workspace, kind, workspace->fileHeaderLine().format(time), 0);
}

rk::history::PhonebookSide side(const Case& c, const std::vector<Memory>& memories) {
    // The other book is the same on both sides.
    const std::vector<Memory> none;
    return {bookFile(Book::Common, c.memoryCount, c.book == Book::Common ? memories : none),
            bookFile(Book::My, c.memoryCount, c.book == Book::My ? memories : none)};
}

constexpr char kKana[] = "\xD4\xCF\xC0\xDE"; // ﾔﾏﾀﾞ

} // namespace

// Each case changes one book of two in a memory count; the comparison must list exactly the
// memories that differ, each with the fields that differ (all of them for a memory added or
// cleared), and count every memory of both books once.
TEST(PhonebookDiff, ListsEveryMemoryThatDiffersWithItsFieldsInBothBooksAndBothCounts) {
    const Case cases[] = {
        {"common 600: a memory comes into use",
         600,
         Book::Common,
         {},
         {{0, 0, "0312345678", kKana, "山田", '3'}},
         {{0,
           0,
           Change::Added,
           {{"number", "", "0312345678"},
            {"kanji name", "", "山田"},
            {"kana name", "", "ﾔﾏﾀﾞ"},
            {"group", "1", "3"}}}}},
        {"common 600: the last memory goes out of use, showing what it had",
         600,
         Book::Common,
         {{0, 599, "0311", "A", "営業", '2'}},
         {},
         {{0,
           599,
           Change::Cleared,
           {{"number", "0311", ""},
            {"kanji name", "営業", ""},
            {"kana name", "A", ""},
            {"group", "2", "1"}}}}},
        {"common 600: one field at a time, only that field",
         600,
         Book::Common,
         {{0, 10, "0311", "A", "営業", '2'},
          {0, 11, "0311", "A", "営業", '2'},
          {0, 12, "0311", "A", "営業", '2'},
          {0, 13, "0311", "A", "営業", '2'}},
         {{0, 10, "0312", "A", "営業", '2'},
          {0, 11, "0311", "A", "総務", '2'},
          {0, 12, "0311", "B", "営業", '2'},
          {0, 13, "0311", "A", "営業", '7'}},
         {{0, 10, Change::Changed, {{"number", "0311", "0312"}}},
          {0, 11, Change::Changed, {{"kanji name", "営業", "総務"}}},
          {0, 12, Change::Changed, {{"kana name", "A", "B"}}},
          {0, 13, Change::Changed, {{"group", "2", "7"}}}}},
        {"common 600: names of a memory without a number do not count",
         600,
         Book::Common,
         {{0, 20, "", "A", "営業", '2'}},
         {{0, 20, "", "B", "総務", '5'}},
         {}},
        {"common 990: the memories beyond 599, up to 989",
         990,
         Book::Common,
         {{0, 600, "06", "", "", '1'}, {0, 989, "0311", "A", "営業", '1'}},
         {{0, 600, "06", "", "本社", '1'}},
         {{0, 600, Change::Changed, {{"kanji name", "", "本社"}}},
          {0,
           989,
           Change::Cleared,
           {{"number", "0311", ""},
            {"kanji name", "営業", ""},
            {"kana name", "A", ""},
            {"group", "1", "1"}}}}},
        {"my 600: memories 980..999 of the first and last positions, no group",
         600,
         Book::My,
         {{150, 985, "101", "A", "", 0}, {200, 999, "102", "A", "", 0}},
         {{101, 980, "0312", kKana, "山田", 0}, {200, 999, "102", "B", "", 0}},
         {{101,
           980,
           Change::Added,
           {{"number", "", "0312"}, {"kanji name", "", "山田"}, {"kana name", "", "ﾔﾏﾀﾞ"}}},
          {150,
           985,
           Change::Cleared,
           {{"number", "101", ""}, {"kanji name", "", ""}, {"kana name", "A", ""}}},
          {200, 999, Change::Changed, {{"kana name", "A", "B"}}}}},
        {"my 990: memories 990..999",
         990,
         Book::My,
         {{101, 990, "0311", "", "営業", 0}},
         {{101, 990, "0312", "", "総務", 0}, {199, 999, "7", "", "", 0}},
         {{101, 990, Change::Changed, {{"number", "0311", "0312"}, {"kanji name", "営業", "総務"}}},
          {199, 999, Change::Added, {{"number", "", "7"}, {"kanji name", "", ""}, {"kana name", "", ""}}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const rk::history::PhonebookDiff diff =
            rk::history::comparePhonebooks(side(c, c.before), side(c, c.after), c.memoryCount);
        EXPECT_EQ(diff.memoryCount, c.memoryCount);
        EXPECT_EQ(diff.equal(), c.differences.empty());
        ASSERT_EQ(diff.differences.size(), c.differences.size());
        int added = 0, cleared = 0, changed = 0;
        for (std::size_t i = 0; i < c.differences.size(); ++i) {
            const rk::history::MemoryDifference& found = diff.differences[i];
            const Expected& expected = c.differences[i];
            EXPECT_EQ(found.book, c.book);
            EXPECT_EQ(found.position, c.book == Book::My ? expected.position : 0);
            EXPECT_EQ(found.memory, expected.memory);
            EXPECT_EQ(found.change, expected.change) << expected.memory;
            ASSERT_EQ(found.fields.size(), expected.fields.size()) << expected.memory;
            for (std::size_t f = 0; f < expected.fields.size(); ++f) {
                EXPECT_EQ(found.fields[f].field, expected.fields[f].field);
                EXPECT_EQ(rk::text::cp932ToUtf8(found.fields[f].before), expected.fields[f].before);
                EXPECT_EQ(rk::text::cp932ToUtf8(found.fields[f].after), expected.fields[f].after);
            }
            ++(expected.change == Change::Added     ? added
               : expected.change == Change::Cleared ? cleared
                                                    : changed);
        }
        const int perTelephone = c.memoryCount == 990 ? 10 : 20;
        const rk::history::BookSummary& book = c.book == Book::Common ? diff.common : diff.my;
        const rk::history::BookSummary& other = c.book == Book::Common ? diff.my : diff.common;
        const int memories = c.book == Book::Common ? c.memoryCount : 100 * perTelephone;
        EXPECT_TRUE(book.compared && other.compared);
        EXPECT_EQ(book.added, added);
        EXPECT_EQ(book.cleared, cleared);
        EXPECT_EQ(book.changed, changed);
        EXPECT_EQ(book.unchanged, memories - added - cleared - changed);
        EXPECT_EQ(other.added + other.cleared + other.changed, 0);
        EXPECT_EQ(other.unchanged, c.book == Book::Common ? 100 * perTelephone : c.memoryCount);
    }
}
