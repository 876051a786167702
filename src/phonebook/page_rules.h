// The edit pages of the two phonebooks in one table: which memories and telephone positions each
// page holds, its title, the names of its fields and what each field can hold. The stores, the
// file parsers, the load report and the web layer read them here, and the pages' own rules script
// is generated from this table when the pages are built.
#pragma once

#include "phonebook/digit_codes.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rk::phonebook {

// ---- what a field can hold ----------------------------------------------------------------

constexpr std::size_t kNumberCharacters = static_cast<std::size_t>(kMaxNumberDigits); // of a number
constexpr std::size_t kNameBytes = 20; // of a kanji or kana name
// Bytes that a stored name does not keep: each becomes a blank.
constexpr std::string_view kNameMarkup = ",\"<>\\";
// The characters a number is made of: those with a digit code (in ASCII order). Anything else
// packs as the end code and ends the number.
constexpr auto kDiallingCharacterSet = [] {
    std::array<char, 15> set{};
    std::size_t next = 0;
    for (int byte = 1; byte < 128; ++byte)
        if (digitCode(static_cast<char>(byte)) != 0) set[next++] = static_cast<char>(byte);
    return set;
}();
constexpr std::string_view kDiallingCharacters(kDiallingCharacterSet.data(), kDiallingCharacterSet.size());

constexpr bool isNameMarkup(char byte) {
    return kNameMarkup.find(byte) != std::string_view::npos;
}

// How the form decoder reads a submitted value. Plain values end at '&', '=', CR or LF; names
// also end at ',', '<', '>' and TAB, and at an escape met after 20 pieces (runs of plain
// characters, escapes and '+').
enum class ValueReading { Plain, Name };
constexpr std::string_view kPlainValueEnds = "&=\r\n";
constexpr std::string_view kNameValueEnds = ",<>\t";
constexpr int kNameValuePieces = 20;

// ---- the pages ----------------------------------------------------------------------------

enum class PageKind { System, Telephone };
enum class SubField { Number = 1, KanjiName = 2, KanaName = 3, Group = 4 };

// The kanji name keeps double-byte characters; the kana name holds half-width characters only,
// and a double-byte character in it becomes two blanks.
constexpr bool keepsDoubleByte(SubField field) {
    return field == SubField::KanjiName;
}

struct PageField {
    SubField subField;
    std::string_view kind; // the pages' name of the field's rules: "number", "kanji", "kana", …
    ValueReading reading;
};

constexpr PageField kCommonFields[] = {{SubField::Number, "number", ValueReading::Plain},
                                       {SubField::KanjiName, "kanji", ValueReading::Name},
                                       {SubField::KanaName, "kana", ValueReading::Plain},
                                       {SubField::Group, "group", ValueReading::Plain}};
// My phonebook reads its kana as a name, unlike the common phonebook.
constexpr PageField kMyFields[] = {{SubField::Number, "number", ValueReading::Plain},
                                   {SubField::KanjiName, "kanji", ValueReading::Name},
                                   {SubField::KanaName, "mykana", ValueReading::Name}};

// The positions 101..200 that the phonebook files and the pages use.
constexpr int kFirstPhonebookPosition = 101;
constexpr int kLastPhonebookPosition = 200;

struct PageBook {
    PageKind kind;
    int pageGroup;               // leads the data scripts' page keys: "17tansyuku_01m.js"
    std::string_view filePrefix; // of the pages' files, followed by the two-digit page number
    std::string_view nameFormat; // of the field names; the last conversion is the sub-field
    std::span<const PageField> fields;
    int pages;
    // The common phonebook: memoriesPerPage memories from firstMemory, the last page ending at
    // lastMemory. My phonebook: positionsPerPage positions from firstPosition, each with the
    // memories firstMemory..lastMemory (those of both memory counts).
    int memoriesPerPage;
    int firstMemory;
    int lastMemory;
    int positionsPerPage;
    int firstPosition;
    std::string_view title; // UTF-8, printf: the page number and its range text
    std::string_view range; // UTF-8, printf: its first and last memory or position
};

constexpr PageBook kCommonBook = {PageKind::System,
                                  17,
                                  "17tansyuku_",
                                  "s%03dn%d",
                                  kCommonFields,
                                  20,
                                  50,
                                  0,
                                  989,
                                  0,
                                  0,
                                  "共通電話帳[PAGE%d(短縮番号%s)]",
                                  "%03d～%03d"};
constexpr PageBook kMyBook = {PageKind::Telephone,
                              18,
                              "18tel_",
                              "t%03d_%03dn%d",
                              kMyFields,
                              50,
                              20,
                              980,
                              999,
                              2,
                              kFirstPhonebookPosition,
                              "マイ電話帳[PAGE%d(収容位置%s)]",
                              "%03d,%03d"};

constexpr const PageBook& pageBook(PageKind kind) {
    return kind == PageKind::System ? kCommonBook : kMyBook;
}

// What one page holds. The common phonebook's pages have no positions (0).
struct PageSpan {
    int firstMemory = 0;
    int lastMemory = 0;
    int firstPosition = 0;
    int lastPosition = 0;
};

// The span of page 1..pages of a book.
constexpr PageSpan pageSpan(PageKind kind, int page) {
    const PageBook& book = pageBook(kind);
    if (book.positionsPerPage == 0) {
        const int first = book.firstMemory + (page - 1) * book.memoriesPerPage;
        const int last = first + book.memoriesPerPage - 1;
        return {first, last < book.lastMemory ? last : book.lastMemory, 0, 0};
    }
    const int first = book.firstPosition + (page - 1) * book.positionsPerPage;
    return {book.firstMemory, book.lastMemory, first, first + book.positionsPerPage - 1};
}

// The page whose first memory (common phonebook) or first position (my phonebook) this is;
// 0 when none is.
constexpr int pageOfFirstEntry(PageKind kind, int firstEntry) {
    for (int page = 1; page <= pageBook(kind).pages; ++page) {
        const PageSpan span = pageSpan(kind, page);
        if ((kind == PageKind::System ? span.firstMemory : span.firstPosition) == firstEntry) return page;
    }
    return 0;
}

static_assert(pageSpan(PageKind::System, 20).lastMemory == 989 &&
              pageSpan(PageKind::Telephone, 50).lastPosition == kLastPhonebookPosition);

// "000～049", "101,102" (UTF-8); empty for a page the book does not have.
std::string pageRangeText(PageKind kind, int page);

// "共通電話帳[PAGE3(短縮番号100～149)]", "マイ電話帳[PAGE1(収容位置101,102)]" (UTF-8). A page the book
// does not have keeps its number and gets an empty range.
std::string pageTitle(PageKind kind, int page);

// A phonebook field of the pages, named by a book's name format: "s005n2", "t101_980n3".
struct FieldAddress {
    PageKind kind = PageKind::System;
    int position = 0; // my phonebook
    int memory = 0;
    int subField = 0; // 1 .. the book's fields
};

std::optional<FieldAddress> fieldAddressOf(std::string_view name);
std::string fieldNameOf(const FieldAddress& address);

} // namespace rk::phonebook
