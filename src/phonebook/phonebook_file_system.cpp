// The common phonebook file (sys-tan.txt): one record line per memory 000..989, "memory,number,
// names in the column order,0group".
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_file_fields.h"
#include "phonebook/phonebook_file_layout.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>

namespace rk::phonebook {
namespace {

constexpr int kCommonFileRecords = 990;
constexpr std::size_t kCommonLineLimit = 80;

EntryText emptyEntry() {
    EntryText text;
    text.group = '1';
    return text;
}

// One record line as the parser takes it apart: the entry, the memory its line names, and, for a
// listener, its fields and what the filters did to them.
template <bool kObserved>
EntryText commonRecord(std::string_view line, int unitOrderFlag, int& memory, RecordFields& fields,
                       std::uint32_t& changes) {
    std::size_t digits = 0;
    memory = detail::leadingNumber(line, 4, &digits);
    fields.line = line;
    std::string_view rest = line;
    fields.memory = detail::takeField(rest);
    if constexpr (kObserved)
        if (digits == 0 || digits != fields.memory.size()) changes |= kMemoryFieldNotNumber;
    EntryText text;
    fields.number = detail::takeField(rest);
    detail::filterNumber<kObserved>(fields.number, text.number, changes);
    const std::string_view third = detail::takeField(rest);
    const std::string_view fourth = detail::takeField(rest);
    fields.kanji = unitOrderFlag == 1 ? third : fourth;
    fields.kana = unitOrderFlag == 1 ? fourth : third;
    // Only the PC's own files may come back from a spreadsheet with a split character.
    detail::copyKanji<kObserved>(fields.kanji, text.kanjiName, unitOrderFlag == 0, changes);
    detail::filterKana<kObserved>(fields.kana, text.kanaName, changes);
    fields.group = rest;
    text.group = detail::groupCharacter<kObserved>(rest, changes);
    return text;
}

// A line of the common phonebook file: skipped (and why), or a record.
struct CommonLine {
    std::optional<SkippedLine> skipped;
    detail::RecordLine line;
};

CommonLine nextCommonLine(std::span<const char> body, std::size_t position) {
    CommonLine result{std::nullopt, detail::nextRecordLine(body, position, kCommonLineLimit)};
    if (!result.line.complete)
        result.skipped = result.line.ended ? SkippedLine::TooLong : SkippedLine::NoLineEnd;
    // A blank line names no memory. Read as memory 000 it would wipe that memory: the line that
    // ends every downloaded file, or a spreadsheet's trailing empty row, would do so whenever
    // the file holds fewer lines than the table.
    else if (result.line.text.find_first_not_of(" \t") == std::string_view::npos)
        result.skipped = SkippedLine::Blank;
    return result;
}

RecordNote noteOf(const EntryText& parsed, const RecordFields& fields, std::uint32_t changes, int line,
                  int memory) {
    RecordNote note;
    note.line = line;
    note.memory = memory;
    note.fields = fields;
    note.changes = changes;
    note.parsed = parsed;
    return note;
}

// After the last memory of the table nothing more is read; a listener still hears of every line
// left, so that entries the load never reached do not go unmentioned.
void reportLinesNotRead(LoadObserver& observer, std::span<const char> body, std::size_t position, int line,
                        int unitOrderFlag) {
    while (position < body.size()) {
        const CommonLine next = nextCommonLine(body, position);
        position = next.line.next;
        ++line;
        if (next.skipped) {
            observer.lineSkipped(*next.skipped, line, next.line.raw, 0, -1, kCommonLineLimit);
            continue;
        }
        int memory = 0;
        RecordFields fields;
        std::uint32_t changes = 0;
        const EntryText parsed = commonRecord<true>(next.line.text, unitOrderFlag, memory, fields, changes);
        observer.recordNotRead(noteOf(parsed, fields, changes, line, memory));
    }
}

// The record lines from the first after the column header on. Instantiated once with a listener
// and once without, so that a load nobody listens to does nothing for one.
template <bool kObserved>
void parseCommonRecords(Workspace& workspace, std::span<const char> body, std::size_t position,
                        int unitOrderFlag, LoadObserver* observer) {
    const int tableSize = countFreeEntries(workspace, 0).tableSize;
    int expected = 0;
    int lineNumber = 1; // the column header
    while (expected < tableSize && position < body.size()) {
        const CommonLine next = nextCommonLine(body, position);
        position = next.line.next;
        ++lineNumber;
        if (next.skipped) {
            const bool blank = *next.skipped == SkippedLine::Blank;
            if constexpr (kObserved)
                observer->lineSkipped(*next.skipped, lineNumber, next.line.raw, 0, blank ? -1 : expected,
                                      kCommonLineLimit);
            // A line cut off still takes the place of a memory; a blank one takes none.
            if (!blank) ++expected;
            continue;
        }
        int memory = 0;
        RecordFields fields;
        std::uint32_t changes = 0;
        EntryText text = commonRecord<kObserved>(next.line.text, unitOrderFlag, memory, fields, changes);
        if constexpr (kObserved) {
            RecordNote note = noteOf(text, fields, changes, lineNumber, memory);
            note.stored = storeSystemEntry(workspace, memory, text);
            if (note.stored) loadSystemEntry(workspace, memory, note.storedText);
            observer->recordRead(note);
        } else {
            storeSystemEntry(workspace, memory, text);
        }
        // Memories the file jumps over were deleted in it.
        for (int skipped = expected; skipped < std::min(memory, tableSize); ++skipped) {
            EntryText empty = emptyEntry();
            storeSystemEntry(workspace, skipped, empty);
            if constexpr (kObserved) observer->memoryCleared(lineNumber, skipped, expected, memory);
        }
        expected = memory + 1;
    }
    if constexpr (kObserved) reportLinesNotRead(*observer, body, position, lineNumber, unitOrderFlag);
}

} // namespace

std::string commonColumnHeader(int unitOrderFlag) {
    static const std::string unitOrder = text::toCp932("短縮番号,電話番号,漢字名称,カナ名称,グループ番号");
    static const std::string fileOrder = text::toCp932("短縮番号,電話番号,カナ名称,漢字名称,グループ番号");
    return unitOrderFlag == 1 ? unitOrder : fileOrder;
}

namespace detail {

std::string formatCommonPhonebook(Workspace& workspace, const FileHeaderLine::Line& header,
                                  int unitOrderFlag) {
    LineTable& table = workspace.lineTable();
    table.clear();
    for (int memory = 0; memory < kCommonFileRecords; ++memory) {
        EntryText text;
        loadSystemEntry(workspace, memory, text); // memories beyond the table come back empty, group "1"
        const auto index = static_cast<std::size_t>(memory);
        putThreeDigits(table, index, 0, memory);
        putEntryColumns(table, index, text);
        table.putByte(index, kGroupColumn, text.group);
    }
    std::string file;
    file.reserve(FileHeaderLine::kBytes + 100 + kCommonFileRecords * 80);
    file.append(header.data(), header.size());
    file += commonColumnHeader(unitOrderFlag);
    file += "\r\n";
    for (std::size_t index = 0; index < LineTable::kLineCount; ++index) {
        const LineTable::Line& line = *table.line(index);
        if (line[0] == ' ') break;
        file.append(line.data(), 3);
        file += ',';
        file += columnText(line, kNumberColumn, kNumberWidth);
        file += ',';
        if (unitOrderFlag == 1) {
            file += columnText(line, kKanjiColumn, kNameWidth);
            file += ',';
            file += columnText(line, kKanaColumn, kNameWidth);
        } else {
            file += columnText(line, kKanaColumn, kNameWidth);
            file += ',';
            file += columnText(line, kKanjiColumn, kNameWidth);
        }
        file += ",0";
        file += line[kGroupColumn];
        file += "\r\n";
    }
    return file;
}

} // namespace detail

void parseCommonPhonebook(Workspace& workspace, std::span<const char> body, int unitOrderFlag,
                          LoadObserver* observer) {
    std::size_t position = detail::afterColumnHeader(body);
    if (position == detail::kNoLine) {
        if (observer) observer->notRecognised(NotRecognised::NoLineEnd, 1, {body.data(), body.size()});
        return;
    }
    if (observer) observer->columnHeader({body.data(), position - 2}, commonColumnHeader(unitOrderFlag));
    // The data must start with memory 000 (or a spreadsheet's 0); anything else is not ours.
    const std::string_view start(body.data() + position, std::min<std::size_t>(3, body.size() - position));
    if (!start.starts_with("0,") && !start.starts_with("000")) {
        if (observer)
            observer->notRecognised(NotRecognised::WrongFirstLine, 2,
                                    detail::nextRecordLine(body, position, kCommonLineLimit).raw);
        return;
    }

    if (observer)
        parseCommonRecords<true>(workspace, body, position, unitOrderFlag, observer);
    else
        parseCommonRecords<false>(workspace, body, position, unitOrderFlag, nullptr);
}

} // namespace rk::phonebook
