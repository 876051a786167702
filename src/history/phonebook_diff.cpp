#include "history/phonebook_diff.h"

#include "history/phonebook_text.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace rk::history {
namespace {

struct Fields {
    std::string number;
    std::string kanji;
    std::string kana;
    char group = '1';

    bool inUse() const { return !number.empty(); }
};

Fields fieldsOf(const phonebook::EntryText& entry) {
    return {entry.numberText(), entry.kanjiText(), entry.kanaText(), entry.group};
}

// Every field of a memory, for one that was added or cleared.
std::vector<FieldDifference> allFields(const Fields& before, const Fields& after, bool withGroup) {
    std::vector<FieldDifference> fields = {{"number", before.number, after.number},
                                           {"kanji name", before.kanji, after.kanji},
                                           {"kana name", before.kana, after.kana}};
    if (withGroup) fields.push_back({"group", std::string(1, before.group), std::string(1, after.group)});
    return fields;
}

std::vector<FieldDifference> changedFields(const Fields& before, const Fields& after, bool withGroup) {
    std::vector<FieldDifference> fields;
    if (before.number != after.number) fields.push_back({"number", before.number, after.number});
    if (before.kanji != after.kanji) fields.push_back({"kanji name", before.kanji, after.kanji});
    if (before.kana != after.kana) fields.push_back({"kana name", before.kana, after.kana});
    if (withGroup && before.group != after.group)
        fields.push_back({"group", std::string(1, before.group), std::string(1, after.group)});
    return fields;
}

// Compares one memory; adds the difference, if any, and counts it.
void compareMemory(const Fields& before, const Fields& after, MemoryDifference where, bool withGroup,
                   BookSummary& summary, std::vector<MemoryDifference>& differences) {
    if (!before.inUse() && !after.inUse()) {
        ++summary.unchanged;
        return;
    }
    if (!before.inUse() || !after.inUse()) {
        where.change = before.inUse() ? Change::Cleared : Change::Added;
        // What a memory out of use holds does not count: it shows as empty.
        const Fields empty{{}, {}, {}, withGroup ? '1' : '0'};
        where.fields = allFields(before.inUse() ? before : empty, after.inUse() ? after : empty, withGroup);
        ++(before.inUse() ? summary.cleared : summary.added);
        differences.push_back(std::move(where));
        return;
    }
    where.fields = changedFields(before, after, withGroup);
    if (where.fields.empty()) {
        ++summary.unchanged;
        return;
    }
    where.change = Change::Changed;
    ++summary.changed;
    differences.push_back(std::move(where));
}

// The bytes a parse of the file looks at: everything after its header line, when it has one.
std::string_view parsedPart(const std::string& file) {
    if (!file.empty() && file.front() == '2')
        return std::string_view(file).substr(std::min(file.size(), phonebook::FileHeaderLine::kBytes));
    return file;
}

// The memories of one book of a file as the program loads them, in memory order: the common
// phonebook's 000.., my phonebook's position by position. The scratch workspace is reused: the book
// is emptied before the parse, as a fresh workspace would have it.
std::vector<phonebook::EntryText> loadBook(Workspace& scratch, Book book, const std::string& file, int mode) {
    std::vector<phonebook::EntryText> entries;
    if (book == Book::Common) {
        phonebook::clearSystemBook(scratch, mode);
        parsePhonebookText(scratch, phonebook::kCommonPhonebookFile, file);
        entries.resize(mode == 2 ? 990 : 600);
        for (std::size_t memory = 0; memory < entries.size(); ++memory)
            phonebook::loadSystemEntry(scratch, static_cast<int>(memory), entries[memory]);
        return entries;
    }
    phonebook::clearTelephoneBooks(scratch, mode);
    parsePhonebookText(scratch, phonebook::kMyPhonebookFile, file);
    const int first = mode == 2 ? 990 : 980;
    entries.reserve(static_cast<std::size_t>(100 * (1000 - first)));
    for (int position = phonebook::kFirstPhonebookPosition; position <= phonebook::kLastPhonebookPosition;
         ++position)
        for (int memory = first; memory <= 999; ++memory)
            phonebook::loadTelephoneEntry(scratch, position, memory, entries.emplace_back());
    return entries;
}

template <std::size_t N> std::string_view fieldText(const std::array<char, N>& field) {
    return {field.data(), strnlen(field.data(), N)};
}

bool sameEntry(const phonebook::EntryText& a, const phonebook::EntryText& b, bool withGroup) {
    return fieldText(a.number) == fieldText(b.number) && fieldText(a.kanaName) == fieldText(b.kanaName) &&
           fieldText(a.kanjiName) == fieldText(b.kanjiName) && (!withGroup || a.group == b.group);
}

// Where the books are parsed: the caller's workspace, or one made on first use and kept for the
// next book.
struct Scratch {
    Workspace* given = nullptr;
    std::unique_ptr<Workspace> made;

    Workspace& get(int mode) {
        Workspace* workspace = given;
        if (workspace == nullptr) {
            if (!made) made = std::make_unique<Workspace>();
            workspace = made.get();
        }
        phonebook::setMemoryMode(*workspace, mode);
        return *workspace;
    }
};

void compareBook(Scratch& scratch, Book book, const std::string& before, const std::string& after, int mode,
                 BookSummary& summary, std::vector<MemoryDifference>& differences) {
    summary.compared = true;
    const int perTelephone = mode == 2 ? 10 : 20;
    const int memories = book == Book::Common ? (mode == 2 ? 990 : 600) : 100 * perTelephone;
    // Files that give the parser the same bytes give the same book.
    if (parsedPart(before) == parsedPart(after)) {
        summary.unchanged = memories;
        return;
    }
    Workspace& workspace = scratch.get(mode);
    const std::vector<phonebook::EntryText> old = loadBook(workspace, book, before, mode);
    const std::vector<phonebook::EntryText> now = loadBook(workspace, book, after, mode);
    const bool withGroup = book == Book::Common;
    for (std::size_t i = 0; i < old.size() && i < now.size(); ++i) {
        if (sameEntry(old[i], now[i], withGroup)) {
            ++summary.unchanged;
            continue;
        }
        const int index = static_cast<int>(i);
        const MemoryDifference where =
            book == Book::Common ? MemoryDifference{Book::Common, 0, index, {}, {}}
                                 : MemoryDifference{Book::My,
                                                    phonebook::kFirstPhonebookPosition + index / perTelephone,
                                                    (1000 - perTelephone) + index % perTelephone,
                                                    {},
                                                    {}};
        compareMemory(fieldsOf(old[i]), fieldsOf(now[i]), where, withGroup, summary, differences);
    }
}

const char* changeName(Change change) {
    switch (change) {
    case Change::Added:
        return "added";
    case Change::Cleared:
        return "cleared";
    case Change::Changed:
        break;
    }
    return "changed";
}

std::string threeDigits(int value) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

// A value as the text shows it: UTF-8 in double quotes, the group as its bare digit.
std::string quoted(const FieldDifference& field, const std::string& value) {
    if (std::string_view(field.field) == "group") return value;
    const std::string utf8 = text::cp932ToUtf8(value);
    std::string out = "\"";
    for (const char byte : utf8) {
        const auto code = static_cast<unsigned char>(byte);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += byte;
        } else if (code < 0x20 || code == 0x7F) {
            char escaped[8] = {};
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            out += escaped;
        } else {
            out += byte;
        }
    }
    return out + "\"";
}

std::string summaryCounts(const BookSummary& summary) {
    return std::to_string(summary.added) + " added, " + std::to_string(summary.cleared) + " cleared, " +
           std::to_string(summary.changed) + " changed, " + std::to_string(summary.unchanged) + " unchanged";
}

nlohmann::ordered_json summaryJson(const BookSummary& summary) {
    return {{"added", summary.added},
            {"cleared", summary.cleared},
            {"changed", summary.changed},
            {"unchanged", summary.unchanged}};
}

} // namespace

namespace {

PhonebookDiff compare(const PhonebookSide& before, const PhonebookSide& after, int memoryCount,
                      Scratch& scratch) {
    PhonebookDiff diff;
    diff.memoryCount = memoryCount == 990 ? 990 : 600;
    const int mode = memoryModeOf(diff.memoryCount);
    if (before.common && after.common)
        compareBook(scratch, Book::Common, *before.common, *after.common, mode, diff.common,
                    diff.differences);
    if (before.my && after.my)
        compareBook(scratch, Book::My, *before.my, *after.my, mode, diff.my, diff.differences);
    return diff;
}

} // namespace

PhonebookDiff comparePhonebooks(const PhonebookSide& before, const PhonebookSide& after, int memoryCount) {
    Scratch scratch;
    return compare(before, after, memoryCount, scratch);
}

PhonebookDiff comparePhonebooks(const PhonebookSide& before, const PhonebookSide& after, int memoryCount,
                                Workspace& scratch) {
    Scratch given{&scratch, nullptr};
    return compare(before, after, memoryCount, given);
}

std::string formatDiffText(const PhonebookDiff& diff) {
    std::string text;
    for (const MemoryDifference& difference : diff.differences) {
        text += difference.book == Book::Common
                    ? "common " + threeDigits(difference.memory)
                    : "my " + threeDigits(difference.position) + "_" + threeDigits(difference.memory);
        text += " ";
        text += changeName(difference.change);
        text += ":";
        for (std::size_t i = 0; i < difference.fields.size(); ++i) {
            const FieldDifference& field = difference.fields[i];
            text += i == 0 ? " " : ", ";
            text += field.field;
            text += " ";
            if (difference.change == Change::Changed)
                text += quoted(field, field.before) + " -> " + quoted(field, field.after);
            else
                text += quoted(field, difference.change == Change::Added ? field.after : field.before);
        }
        text += "\n";
    }
    if (diff.common.compared) text += "common: " + summaryCounts(diff.common) + "\n";
    if (diff.my.compared) text += "my: " + summaryCounts(diff.my) + "\n";
    return text;
}

std::string formatDiffJson(const PhonebookDiff& diff) {
    nlohmann::ordered_json differences = nlohmann::ordered_json::array();
    for (const MemoryDifference& difference : diff.differences) {
        nlohmann::ordered_json entry;
        entry["book"] = difference.book == Book::Common ? "common" : "my";
        if (difference.book == Book::My) entry["position"] = difference.position;
        entry["memory"] = difference.memory;
        entry["change"] = changeName(difference.change);
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const FieldDifference& field : difference.fields)
            fields.push_back({{"field", field.field},
                              {"old", text::cp932ToUtf8(field.before)},
                              {"new", text::cp932ToUtf8(field.after)}});
        entry["fields"] = std::move(fields);
        differences.push_back(std::move(entry));
    }
    nlohmann::ordered_json summary = nlohmann::ordered_json::object();
    if (diff.common.compared) summary["common"] = summaryJson(diff.common);
    if (diff.my.compared) summary["my"] = summaryJson(diff.my);
    nlohmann::ordered_json json;
    json["memories"] = diff.memoryCount;
    json["equal"] = diff.equal();
    json["differences"] = std::move(differences);
    json["summary"] = std::move(summary);
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace rk::history
