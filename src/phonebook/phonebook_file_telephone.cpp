// The my-phonebook file (tel-tan.txt): 20 record lines for each position 101..200,
// "position,memory,number,kanji name,kana name", whatever the memory count.
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_file_fields.h"
#include "phonebook/phonebook_file_layout.h"
#include "platform/text.h"

namespace rk::phonebook {
namespace {

constexpr int kFirstFileMemory = 980;
constexpr int kLinesPerPosition = 20;
constexpr std::size_t kTelephoneLineLimit = 97;

} // namespace

std::string myPhonebookColumnHeader() {
    static const std::string header = text::toCp932("収容位置,短縮番号,電話番号,漢字名称,カナ名称");
    return header;
}

namespace detail {

std::string formatMyPhonebook(Workspace& workspace, const FileHeaderLine::Line& header) {
    LineTable& table = workspace.lineTable();
    table.clear();
    std::size_t index = 0;
    for (int position = kFirstPhonebookPosition; position <= kLastPhonebookPosition; ++position) {
        for (int memory = kFirstFileMemory; memory < kFirstFileMemory + kLinesPerPosition;
             ++memory, ++index) {
            EntryText text;
            loadTelephoneEntry(workspace, position, memory,
                               text); // memories of the other mode come back empty
            putThreeDigits(table, index, 0, position);
            table.putByte(index, kTelephoneZeroColumn, '0');
            putThreeDigits(table, index, kTelephoneMemoryColumn, memory);
            putEntryColumns(table, index, text);
        }
    }
    std::string file;
    file.reserve(FileHeaderLine::kBytes + 100 + index * 80);
    file.append(header.data(), header.size());
    file += myPhonebookColumnHeader();
    file += "\r\n";
    for (std::size_t line = 0; line < LineTable::kLineCount; ++line) {
        const LineTable::Line& columns = *table.line(line);
        if (columns[0] == ' ') break;
        file.append(columns.data(), 3);
        file += ',';
        file.append(columns.data() + kTelephoneMemoryColumn, 3);
        file += ',';
        file += columnText(columns, kNumberColumn, kNumberWidth);
        file += ',';
        file += columnText(columns, kKanjiColumn, kNameWidth);
        file += ',';
        file += columnText(columns, kKanaColumn, kNameWidth);
        file += "\r\n";
    }
    return file;
}

} // namespace detail

namespace {

// One record line as the parser takes it apart, for the telephone at `expected` and the memory of
// the line's place. Unobserved, the fields and changes are dropped again as soon as they are made.
template <bool kObserved>
EntryText myRecord(std::string_view line, int expected, int memory, RecordFields& fields,
                   std::uint32_t& changes) {
    EntryText text;
    fields.line = line;
    std::string_view rest = line;
    fields.position = detail::takeField(rest);
    fields.memory = detail::takeField(rest); // the memory number follows from the line's place
    fields.number = detail::takeField(rest);
    fields.kanji = detail::takeField(rest);
    fields.kana = rest;
    // A line of another telephone keeps its names but must not dial its number here.
    if (detail::leadingNumber(fields.position, 3) == expected)
        detail::filterNumber<kObserved>(fields.number, text.number, changes);
    else if constexpr (kObserved)
        changes |= kNumberOfOtherPosition;
    detail::copyKanji<kObserved>(fields.kanji, text.kanjiName, true, changes);
    detail::filterKana<kObserved>(fields.kana, text.kanaName, changes);
    if constexpr (kObserved) {
        // Only a listener cares what the unused memory field says.
        std::size_t digits = 0;
        if (detail::leadingNumber(fields.memory, 3, &digits) != memory || digits != fields.memory.size())
            changes |= kMemoryFieldDisagrees;
    }
    return text;
}

RecordNote noteOf(const EntryText& parsed, const RecordFields& fields, std::uint32_t changes, int line,
                  int position, int memory) {
    RecordNote note;
    note.line = line;
    note.position = position;
    note.memory = memory;
    note.fields = fields;
    note.changes = changes;
    note.parsed = parsed;
    return note;
}

// After position 200 nothing more is read; a listener still hears of every line left.
void reportLinesNotRead(LoadObserver& observer, std::span<const char> body, std::size_t position, int line) {
    while (position < body.size()) {
        const detail::RecordLine record = detail::nextRecordLine(body, position, kTelephoneLineLimit);
        position = record.next;
        ++line;
        if (!record.complete) {
            observer.lineSkipped(record.ended ? SkippedLine::TooLong : SkippedLine::NoLineEnd, line,
                                 record.raw, 0, -1, kTelephoneLineLimit);
            continue;
        }
        // Taken for the telephone it names, so that its number counts as what the line holds.
        RecordFields fields;
        std::uint32_t changes = 0;
        const EntryText parsed =
            myRecord<true>(record.text, detail::leadingNumber(record.text, 3), -1, fields, changes);
        observer.recordNotRead(noteOf(parsed, fields, changes, line, 0, -1));
    }
}

// The records from the first line after the column header on. Instantiated once with a listener
// and once without, so that a load nobody listens to does nothing for one.
template <bool kObserved>
void parseMyRecords(Workspace& workspace, std::span<const char> body, std::size_t position,
                    LoadObserver* observer) {
    int lineNumber = 1; // the column header
    for (int expected = kFirstPhonebookPosition; expected <= kLastPhonebookPosition; ++expected) {
        for (int line = 0; line < kLinesPerPosition; ++line) {
            if (position >= body.size()) return;
            const int memory = kFirstFileMemory + line;
            const detail::RecordLine record = detail::nextRecordLine(body, position, kTelephoneLineLimit);
            position = record.next;
            ++lineNumber;
            if (!record.complete) {
                if constexpr (kObserved)
                    observer->lineSkipped(record.ended ? SkippedLine::TooLong : SkippedLine::NoLineEnd,
                                          lineNumber, record.raw, expected, memory, kTelephoneLineLimit);
                continue;
            }
            RecordFields fields;
            std::uint32_t changes = 0;
            EntryText text = myRecord<kObserved>(record.text, expected, memory, fields, changes);
            if constexpr (kObserved) {
                RecordNote note = noteOf(text, fields, changes, lineNumber, expected, memory);
                note.stored = storeTelephoneEntry(workspace, expected, memory, text);
                if (note.stored) loadTelephoneEntry(workspace, expected, memory, note.storedText);
                observer->recordRead(note);
            } else {
                storeTelephoneEntry(workspace, expected, memory, text);
            }
        }
    }
    if constexpr (kObserved) reportLinesNotRead(*observer, body, position, lineNumber);
}

} // namespace

void parseMyPhonebook(Workspace& workspace, std::span<const char> body, LoadObserver* observer) {
    std::size_t position = detail::afterColumnHeader(body);
    if (position == detail::kNoLine) {
        if (observer) observer->notRecognised(NotRecognised::NoLineEnd, 1, {body.data(), body.size()});
        return;
    }
    if (observer) observer->columnHeader({body.data(), position - 2}, myPhonebookColumnHeader());
    const std::string_view start(body.data() + position, body.size() - position);
    if (detail::leadingNumber(start, 3) != kFirstPhonebookPosition) {
        if (observer)
            observer->notRecognised(NotRecognised::WrongFirstLine, 2,
                                    detail::nextRecordLine(body, position, kTelephoneLineLimit).raw);
        return;
    }
    if (observer)
        parseMyRecords<true>(workspace, body, position, observer);
    else
        parseMyRecords<false>(workspace, body, position, nullptr);
}

} // namespace rk::phonebook
