// What the contact import tests share: the reading maker (the dictionary loaded once for the
// whole binary), the source files under tests/data/contacts, and rows in UTF-8 for comparing.
#pragma once

#include "contacts/import.h"
#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rk::testing {

inline contacts::ReadingMaker& readingMaker() {
    static contacts::ReadingMaker maker;
    return maker;
}

inline contacts::ContactSource contactSource(const std::string& name) {
    std::ifstream file(std::string(RKDIAL_TEST_DATA) + "/contacts/" + name, std::ios::binary);
    contacts::ContactSource source;
    source.name = name;
    source.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    EXPECT_FALSE(source.bytes.empty()) << name;
    return source;
}

inline std::string utf8(const std::string& cp932) {
    return text::cp932ToUtf8(cp932);
}

// A row as the report shows it: memory, kanji, kana, where the kana came from, number, status.
struct ShownRow {
    std::string memory;
    std::string kanji;
    std::string kana;
    std::string kanaSource;
    std::string number;
    std::string status;

    bool operator==(const ShownRow&) const = default;
};

inline void PrintTo(const ShownRow& row, std::ostream* out) {
    *out << "{" << row.memory << ", " << row.kanji << ", " << row.kana << ", " << row.kanaSource << ", "
         << row.number << ", " << row.status << "}";
}

inline std::vector<ShownRow> shownRows(const contacts::ImportPlan& plan) {
    std::vector<ShownRow> rows;
    for (const contacts::ImportRow& row : plan.rows)
        rows.push_back({contacts::memoryLabel(plan, row), utf8(row.kanji), utf8(row.kana),
                        contacts::kanaSourceName(row.kanaSource), utf8(row.number),
                        contacts::statusName(row.status)});
    return rows;
}

// Every change of a row in one text, for looking for what must be told.
inline std::string changesOf(const contacts::ImportRow& row) {
    std::string all;
    for (const std::string& change : row.changes) all += change + "\n";
    return all;
}

// A fresh workspace whose books are empty in a memory count (1 = 600, 2 = 990).
inline void emptyBooks(Workspace& workspace, int mode) {
    phonebook::setMemoryMode(workspace, mode);
    phonebook::clearSystemBook(workspace, mode);
    phonebook::clearTelephoneBooks(workspace, mode);
}

} // namespace rk::testing
