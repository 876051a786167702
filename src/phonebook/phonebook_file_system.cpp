// The common phonebook file (sys-tan.txt): one record line per memory 000..989, "memory,number,
// names in the column order,0group".
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_file_fields.h"
#include "phonebook/phonebook_file_layout.h"
#include "platform/text.h"

#include <algorithm>

namespace rk::phonebook {
namespace {

constexpr int kCommonFileRecords = 990;
constexpr std::size_t kCommonLineLimit = 80;

EntryText emptyEntry() {
    EntryText text;
    text.group = '1';
    return text;
}

// One record line as the parser takes it apart.
EntryText commonRecordEntry(std::string_view line, int unitOrderFlag, int& memory) {
    memory = detail::leadingNumber(line, 4);
    std::string_view rest = line;
    detail::takeField(rest);
    EntryText text;
    detail::filterNumber(detail::takeField(rest), text.number);
    const std::string_view third = detail::takeField(rest);
    const std::string_view fourth = detail::takeField(rest);
    const std::string_view kanji = unitOrderFlag == 1 ? third : fourth;
    const std::string_view kana = unitOrderFlag == 1 ? fourth : third;
    // Only the PC's own files may come back from a spreadsheet with a split character.
    detail::copyKanji(kanji, text.kanjiName, unitOrderFlag == 0);
    detail::filterKana(kana, text.kanaName);
    text.group = detail::groupCharacter(rest);
    return text;
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

void parseCommonPhonebook(Workspace& workspace, std::span<const char> body, int unitOrderFlag) {
    std::size_t position = detail::afterColumnHeader(body);
    if (position == detail::kNoLine) return;
    // The data must start with memory 000 (or a spreadsheet's 0); anything else is not ours.
    const std::string_view start(body.data() + position, std::min<std::size_t>(3, body.size() - position));
    if (!start.starts_with("0,") && !start.starts_with("000")) return;

    const int tableSize = countFreeEntries(workspace, 0).tableSize;
    int expected = 0;
    while (expected < tableSize && position < body.size()) {
        const detail::RecordLine line = detail::nextRecordLine(body, position, kCommonLineLimit);
        position = line.next;
        if (!line.complete) {
            ++expected;
            continue;
        }
        // A blank line names no memory. Read as memory 000 it would wipe that memory: the line
        // that ends every downloaded file, or a spreadsheet's trailing empty row, would do so
        // whenever the file holds fewer lines than the table.
        if (line.text.find_first_not_of(" \t") == std::string_view::npos) continue;
        int memory = 0;
        EntryText text = commonRecordEntry(line.text, unitOrderFlag, memory);
        storeSystemEntry(workspace, memory, text);
        // Memories the file jumps over were deleted in it.
        for (int skipped = expected; skipped < std::min(memory, tableSize); ++skipped) {
            EntryText empty = emptyEntry();
            storeSystemEntry(workspace, skipped, empty);
        }
        expected = memory + 1;
    }
}

} // namespace rk::phonebook
