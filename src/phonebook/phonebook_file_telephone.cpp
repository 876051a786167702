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

void parseMyPhonebook(Workspace& workspace, std::span<const char> body) {
    std::size_t position = detail::afterColumnHeader(body);
    if (position == detail::kNoLine) return;
    const std::string_view start(body.data() + position, body.size() - position);
    if (detail::leadingNumber(start, 3) != kFirstPhonebookPosition) return;

    for (int expected = kFirstPhonebookPosition; expected <= kLastPhonebookPosition; ++expected) {
        for (int line = 0; line < kLinesPerPosition; ++line) {
            if (position >= body.size()) return;
            const detail::RecordLine record = detail::nextRecordLine(body, position, kTelephoneLineLimit);
            position = record.next;
            if (!record.complete) continue;
            std::string_view rest = record.text;
            const std::string_view positionField = detail::takeField(rest);
            detail::takeField(rest); // the memory number follows from the line's place
            const std::string_view number = detail::takeField(rest);
            const std::string_view kanji = detail::takeField(rest);
            EntryText text;
            // A line of another telephone keeps its names but must not dial its number here.
            if (detail::leadingNumber(positionField, 3) == expected)
                detail::filterNumber(number, text.number);
            detail::copyKanji(kanji, text.kanjiName, true);
            detail::filterKana(rest, text.kanaName);
            storeTelephoneEntry(workspace, expected, kFirstFileMemory + line, text);
        }
    }
}

} // namespace rk::phonebook
