#include "phonebook/load_report.h"

#include "image/data_image.h"
#include "phonebook/page_rules.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>

namespace rk::phonebook {
namespace {

// Longer values (a line that never ends, say) are shown by their beginning.
constexpr std::size_t kShownBytes = 100;

std::string shown(std::string_view cp932) {
    if (cp932.size() <= kShownBytes) return text::cp932ToUtf8(cp932);
    return text::cp932ToUtf8(cp932.substr(0, kShownBytes)) + "...";
}

std::string threeDigits(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", value);
    return digits;
}

bool hasContent(const EntryText& text) {
    return text.number[0] != 0 || text.kanaName[0] != 0 || text.kanjiName[0] != 0;
}

std::string joined(const std::vector<std::string>& reasons) {
    std::string text;
    for (const std::string& reason : reasons) {
        if (!text.empty()) text += "; ";
        text += reason;
    }
    return text;
}

// The page table's characters, one after the other: "0-9 # * - M P", ", \" < > \".
std::string listed(std::string_view characters) {
    std::string list;
    const bool digits = characters.find("0123456789") != std::string_view::npos;
    if (digits) list = "0-9";
    for (const char character : characters) {
        if (digits && character >= '0' && character <= '9') continue;
        if (!list.empty()) list += ' ';
        list += character;
    }
    return list;
}

std::string storeBlanksReason() {
    return "characters a name cannot hold (" + listed(kNameMarkup) + ") become blanks in the phonebook";
}

std::string longerThanName() {
    return "longer than " + std::to_string(kNameBytes) + " bytes: cut at " + std::to_string(kNameBytes);
}

// A character that became a blank in the conversion from UTF-8: the character itself (U+FFFD
// for a malformed sequence) and why.
struct BlankedText {
    std::string value;
    std::string reason;
};

BlankedText describeBlanked(const std::string& original) {
    const text::Utf8Character character = text::firstUtf8Character(original);
    const bool wellFormed = character.wellFormed && character.length == original.size();
    const auto codePoint = static_cast<unsigned>(character.codePoint);
    char text[96];
    if (wellFormed) {
        std::snprintf(text, sizeof text, "U+%04X has no Shift-JIS form: a blank in its place", codePoint);
        return {original, text};
    }
    std::string bytes;
    for (std::size_t i = 0; i < original.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", i == 0 ? "" : " ", static_cast<unsigned char>(original[i]));
        bytes += hex;
    }
    std::snprintf(text, sizeof text, "malformed UTF-8 (bytes %s): a blank in its place", bytes.c_str());
    return {"\xEF\xBF\xBD", text};
}

// The number filter goes byte by byte: a double-byte character whose second byte reads as "M"
// or "P" (full-width 1 is 0x82 0x50) leaves that letter in the number.
bool secondByteKept(std::string_view number) {
    for (std::size_t i = 0; i + 1 < number.size(); ++i) {
        if (!text::isLeadByte(static_cast<unsigned char>(number[i]))) continue;
        if (number[i + 1] == 'M' || number[i + 1] == 'P') return true;
        ++i;
    }
    return false;
}

bool within(std::string_view field, const char* where) {
    const std::less<const char*> before;
    return !before(where, field.data()) && before(where, field.data() + field.size());
}

} // namespace

std::string_view fieldName(FindingField field) {
    switch (field) {
    case FindingField::Line:
        return "line";
    case FindingField::Number:
        return "number";
    case FindingField::Kanji:
        return "kanji";
    case FindingField::Kana:
        return "kana";
    case FindingField::Group:
        return "group";
    }
    return "line";
}

std::string_view actionName(FindingAction action) {
    switch (action) {
    case FindingAction::Skipped:
        return "skipped";
    case FindingAction::Changed:
        return "changed";
    case FindingAction::Cut:
        return "cut";
    case FindingAction::Cleared:
        return "cleared";
    case FindingAction::Suspect:
        return "suspect";
    }
    return "changed";
}

std::string memoryLabel(const LoadFinding& finding) {
    if (finding.memory < 0) return {};
    if (finding.position > 0) return threeDigits(finding.position) + "_" + threeDigits(finding.memory);
    return threeDigits(finding.memory);
}

LoadReport::LoadReport(const Workspace& workspace, int kind) : workspace_(workspace), kind_(kind) {}

int LoadReport::memoryCount() const {
    const image::LayoutGeometry geometry = image::geometryOf(image::layoutOf(workspace_.image().memoryMode));
    return kind_ == kMyPhonebookFile ? geometry.memoriesPerTelephone : geometry.systemMemories;
}

std::string LoadReport::memoryText(int position, int memory) const {
    LoadFinding label;
    label.position = position;
    label.memory = memory;
    return memoryLabel(label);
}

LoadFinding LoadReport::finding(int line, int position, int memory, FindingField field,
                                std::string_view value, std::string_view stored, FindingAction action,
                                std::string reason) const {
    LoadFinding result;
    result.line = line;
    result.position = memory < 0 ? 0 : position;
    result.memory = memory;
    result.field = field;
    result.value = shown(value);
    result.stored = shown(stored);
    result.action = action;
    result.reason = std::move(reason);
    return result;
}

LoadFinding LoadReport::blankFinding(const text::BlankedCharacter& blank, int line, int position, int memory,
                                     FindingField field) const {
    BlankedText described = describeBlanked(blank.original);
    LoadFinding result =
        finding(line, position, memory, field, {}, " ", FindingAction::Changed, std::move(described.reason));
    result.value = std::move(described.value);
    return result;
}

void LoadReport::convertedFromUtf8(std::span<const text::BlankedCharacter> blanked) {
    blanked_.assign(blanked.begin(), blanked.end());
    nextBlank_ = 0;
}

void LoadReport::headerLine(std::span<const char> bytes) {
    const std::string_view line(bytes.data(), bytes.size());
    const std::size_t lineEnd = line.find("\r\n");
    if (line.size() == FileHeaderLine::kBytes && lineEnd == FileHeaderLine::kBytes - 2) return;
    findings_.push_back(finding(1, 0, -1, FindingField::Line, line.substr(0, lineEnd), {},
                                FindingAction::Skipped,
                                "the header line is not 192 bytes ending with CR LF: its first 192 bytes are "
                                "taken as the header all the same, and what follows is read from there"));
}

void LoadReport::bodyBegins(std::span<const char> body, std::size_t headerBytes) {
    body_ = body;
    headerBytes_ = headerBytes;
    // Blanks within the header line: its carried fields are kept as they are.
    for (; nextBlank_ < blanked_.size() && blanked_[nextBlank_].offset < headerBytes; ++nextBlank_) {
        findings_.push_back(blankFinding(blanked_[nextBlank_], 1, 0, -1, FindingField::Line));
    }
}

void LoadReport::takeBlanks(std::string_view line, int fileLineNumber, const RecordFields* fields,
                            int position, int memory, std::vector<LoadFinding>& into) {
    if (nextBlank_ >= blanked_.size() || body_.empty()) return;
    const auto offsetOf = [&](const char* where) {
        return headerBytes_ + static_cast<std::size_t>(where - body_.data());
    };
    const std::size_t end = offsetOf(line.data()) + line.size();
    for (; nextBlank_ < blanked_.size() && blanked_[nextBlank_].offset < end; ++nextBlank_) {
        const text::BlankedCharacter& blank = blanked_[nextBlank_];
        const char* where = body_.data() + (blank.offset - headerBytes_);
        FindingField field = FindingField::Line;
        if (fields != nullptr) {
            if (within(fields->number, where))
                field = FindingField::Number;
            else if (within(fields->kanji, where))
                field = FindingField::Kanji;
            else if (within(fields->kana, where))
                field = FindingField::Kana;
            else if (within(fields->group, where))
                field = FindingField::Group;
        }
        into.push_back(blankFinding(blank, fileLineNumber, position, memory, field));
    }
}

void LoadReport::bodyEnds() {
    // Blanks in lines the parser never reached: placed by counting line ends, in one pass.
    int line = 1;
    std::size_t counted = 0;
    for (; nextBlank_ < blanked_.size(); ++nextBlank_) {
        const text::BlankedCharacter& blank = blanked_[nextBlank_];
        const std::size_t offset = std::min(blank.offset - headerBytes_, body_.size());
        for (; counted + 1 < offset; ++counted)
            if (body_[counted] == '\r' && body_[counted + 1] == '\n') ++line;
        findings_.push_back(blankFinding(blank, fileLine(line), 0, -1, FindingField::Line));
    }
    body_ = {};
}

void LoadReport::columnHeader(std::string_view header, std::string_view expected) {
    const int line = fileLine(1);
    takeBlanks(header, line, nullptr, 0, -1, findings_);
    if (header == expected) return;
    std::string reason;
    if (kind_ != kMyPhonebookFile && header == commonColumnHeader(1))
        reason = "the column header of the main unit's order (kanji name first): the names are read in the "
                 "order of the PC's files all the same (kana name first)";
    else
        reason = "not the column header of this kind of file (\"" + text::cp932ToUtf8(expected) +
                 "\"): skipped as the header all the same";
    findings_.push_back(finding(line, 0, -1, FindingField::Line, header, {}, FindingAction::Skipped, reason));
}

void LoadReport::notRecognised(NotRecognised why, int line, std::string_view lineText) {
    std::string reason;
    if (why == NotRecognised::NoLineEnd)
        reason = "no CR LF line end anywhere (lines must end with CR LF): nothing is stored";
    else if (kind_ == kMyPhonebookFile)
        reason = "the first record line must begin with position 101: nothing is stored";
    else
        reason = "the first record line must begin with memory 000 (\"000\" or \"0,\"): nothing is stored";
    findings_.push_back(
        finding(fileLine(line), 0, -1, FindingField::Line, lineText, {}, FindingAction::Skipped, reason));
    notPhonebook_ = findings_.back();
}

void LoadReport::restIgnored(std::size_t readBytes) {
    // The line in which the reading stops.
    const std::string_view read(body_.data(), std::min(readBytes, body_.size()));
    int line = 1;
    for (std::size_t at = read.find("\r\n"); at != std::string_view::npos; at = read.find("\r\n", at + 2))
        ++line;
    findings_.push_back(finding(fileLine(line), 0, -1, FindingField::Line, {}, {}, FindingAction::Skipped,
                                "the load reads the first " + std::to_string(readBytes) +
                                    " bytes after the header line only: the rest of the file is ignored"));
}

bool LoadReport::isLastLine(std::string_view lineText) const {
    const char* const end = body_.data() + body_.size();
    const char* const after = lineText.data() + lineText.size();
    const std::less_equal<const char*> notAfter;
    if (body_.empty() || !notAfter(body_.data(), after) || !notAfter(after, end)) return false;
    const std::string_view rest(after, static_cast<std::size_t>(end - after));
    return rest.empty() || rest == "\r\n";
}

void LoadReport::lineSkipped(SkippedLine why, int line, std::string_view lineText, int position, int memory,
                             std::size_t limit) {
    const int number = fileLine(line);
    takeBlanks(lineText, number, nullptr, position, memory, findings_);
    // The extra line end a spreadsheet saves after the last row is no damage.
    if (why == SkippedLine::Blank && isLastLine(lineText)) return;
    std::string reason;
    switch (why) {
    case SkippedLine::TooLong:
        reason = "no CR LF within " + std::to_string(limit) + " bytes: the line stores nothing";
        break;
    case SkippedLine::NoLineEnd:
        reason = "the file ends without CR LF: the last line stores nothing";
        break;
    case SkippedLine::Blank:
        reason = "blank line: it names no memory";
        break;
    }
    if (memory >= 0) reason += ", memory " + memoryText(position, memory) + " is left as it was";
    findings_.push_back(
        finding(number, position, memory, FindingField::Line, lineText, {}, FindingAction::Skipped, reason));
}

std::vector<LoadFinding> LoadReport::recordFindings(const RecordNote& note) const {
    std::vector<LoadFinding> found;
    const int line = fileLine(note.line);
    const RecordFields& fields = note.fields;
    const EntryText& stored = note.storedText;
    const auto add = [&](FindingField field, std::string_view value, std::string_view storedValue,
                         FindingAction action, std::string reason) {
        found.push_back(
            finding(line, note.position, note.memory, field, value, storedValue, action, std::move(reason)));
    };

    if (note.changes & kMemoryFieldNotNumber) {
        const std::string label = memoryText(note.position, note.memory);
        add(FindingField::Line, fields.memory, label, FindingAction::Changed,
            "the memory field is not a number of up to four digits: read as memory " + label);
    }
    if (note.changes & kMemoryFieldDisagrees)
        add(FindingField::Line, fields.memory, memoryText(note.position, note.memory), FindingAction::Changed,
            "the memory field is not the line's place: by its place in the file the line is memory " +
                threeDigits(note.memory) + " of position " + threeDigits(note.position));

    const std::string number = stored.numberText();
    if (fields.number != number) {
        std::vector<std::string> reasons;
        if (note.changes & kNumberOfOtherPosition)
            reasons.push_back("the position field says \"" + shown(fields.position) + "\", not " +
                              threeDigits(note.position) + ": the number is not stored");
        if (note.changes & kNumberCharactersDropped)
            reasons.push_back("characters other than " + listed(kDiallingCharacters) + " dropped");
        if (secondByteKept(fields.number))
            reasons.push_back("the second byte of a double-byte character is kept as \"M\" or \"P\"");
        if (note.changes & kNumberCut)
            reasons.push_back("more than " + std::to_string(kNumberCharacters) +
                              " dialling characters: cut at " + std::to_string(kNumberCharacters));
        if (reasons.empty()) reasons.push_back("changed when stored");
        const bool onlyCut =
            (note.changes & (kNumberCut | kNumberCharactersDropped | kNumberOfOtherPosition)) == kNumberCut;
        add(FindingField::Number, fields.number, number,
            onlyCut ? FindingAction::Cut : FindingAction::Changed, joined(reasons));
    }

    const std::string kanji = stored.kanjiText();
    if (fields.kanji != kanji) {
        std::vector<std::string> reasons;
        if (note.changes & kKanjiCutBeforeSplit)
            reasons.push_back("cut to " + std::to_string(kNameBytes - 1) + " bytes: the " +
                              std::to_string(kNameBytes) + "th byte would split a double-byte character");
        else if (note.changes & kKanjiCut)
            reasons.push_back(longerThanName());
        const bool normalised = note.parsed.kanjiText() != kanji;
        if (normalised) reasons.push_back(storeBlanksReason());
        if (fields.kanji.substr(0, 20).find('\0') != std::string_view::npos)
            reasons.push_back("a zero byte ends the name");
        if (reasons.empty()) reasons.push_back("changed when stored");
        add(FindingField::Kanji, fields.kanji, kanji,
            normalised ? FindingAction::Changed : FindingAction::Cut, joined(reasons));
    }

    const std::string kana = stored.kanaText();
    if (fields.kana != kana) {
        std::vector<std::string> reasons;
        if (note.changes & kKanaMarkupReplaced) reasons.push_back("'\"' '\\' '<' '>' replaced by blanks");
        if (note.changes & kKanaDoubleByteBlanked)
            reasons.push_back(
                "double-byte characters blanked (the reading holds half-width characters only)");
        if (note.changes & kKanaEnded)
            reasons.push_back("ended at a byte the reading cannot hold (a control character or 0xE0-0xFF)");
        if (note.changes & kKanaCut) reasons.push_back(longerThanName());
        const bool normalised = note.parsed.kanaText() != kana;
        if (normalised) reasons.push_back(storeBlanksReason());
        if (reasons.empty()) reasons.push_back("changed when stored");
        const bool onlyCut =
            !normalised && (note.changes & (kKanaMarkupReplaced | kKanaDoubleByteBlanked)) == 0;
        add(FindingField::Kana, fields.kana, kana, onlyCut ? FindingAction::Cut : FindingAction::Changed,
            joined(reasons));
    }

    if (kind_ != kMyPhonebookFile) {
        const char group = stored.group;
        const bool asWritten =
            fields.group == std::string(1, group) || fields.group == std::string{'0', group};
        if (!asWritten) {
            std::vector<std::string> reasons;
            if (note.changes & kGroupInvalid) reasons.push_back("not a group 0-7: taken as 1");
            if (note.changes & kGroupMissing) reasons.push_back("no group: taken as 1");
            if (note.changes & kGroupRestIgnored)
                reasons.push_back("only the group digit is read, the rest of the field is ignored");
            if (reasons.empty()) reasons.push_back("changed when stored");
            add(FindingField::Group, fields.group, std::string{'0', group}, FindingAction::Changed,
                joined(reasons));
        }
    }
    return found;
}

void LoadReport::lose(const MemoryState& state, int position, int memory, std::string reason) {
    LoadFinding lost = finding(state.line, position, memory, FindingField::Line, state.rawLine, {},
                               FindingAction::Skipped, std::move(reason));
    findings_.push_back(std::move(lost));
}

void LoadReport::recordRead(const RecordNote& note) {
    const int line = fileLine(note.line);
    if (!note.stored) {
        std::vector<LoadFinding> blanks;
        takeBlanks(note.fields.line, line, &note.fields, note.position, note.memory, blanks);
        if (!hasContent(note.parsed)) return; // an empty memory of the other memory count
        findings_.insert(findings_.end(), blanks.begin(), blanks.end());
        const std::string reason = kind_ == kMyPhonebookFile
                                       ? "memory " + threeDigits(note.memory) + " does not exist with " +
                                             std::to_string(memoryCount()) +
                                             " memories per telephone: not stored"
                                       : "memory " + memoryText(0, note.memory) + " is beyond the " +
                                             std::to_string(memoryCount()) + " memories in use: not stored";
        findings_.push_back(finding(line, note.position, note.memory, FindingField::Line, note.fields.line,
                                    {}, FindingAction::Skipped, reason));
        return;
    }
    MemoryState state;
    state.line = line;
    state.findings = recordFindings(note);
    takeBlanks(note.fields.line, line, &note.fields, note.position, note.memory, state.findings);
    state.rawLine = std::string(note.fields.line);
    state.number = std::string(note.fields.number);
    state.kanji = std::string(note.fields.kanji);
    state.kana = std::string(note.fields.kana);
    state.hasContent = hasContent(note.parsed);
    state.numberOfOtherPosition = (note.changes & kNumberOfOtherPosition) != 0;

    MemoryState& slot = memories_[note.position * 1000 + note.memory];
    if (slot.line != 0 && !slot.cleared)
        lose(slot, note.position, note.memory,
             "memory " + memoryText(note.position, note.memory) + " is given again at line " +
                 std::to_string(line) + ", which is the one stored");
    slot = std::move(state);
}

void LoadReport::memoryCleared(int line, int memory, int expected, int named) {
    MemoryState& slot = memories_[memory];
    const int clearLine = fileLine(line);
    if (slot.line != 0 && !slot.cleared && slot.hasContent)
        lose(slot, 0, memory,
             "memory " + memoryText(0, memory) + " is cleared at line " + std::to_string(clearLine) +
                 ", where the numbering jumps from " + threeDigits(expected) + " to " + threeDigits(named));
    slot = MemoryState{};
    slot.cleared = true;
    slot.line = clearLine;
    slot.expected = expected;
    slot.named = named;
}

void LoadReport::recordNotRead(const RecordNote& note) {
    const int line = fileLine(note.line);
    std::vector<LoadFinding> blanks;
    takeBlanks(note.fields.line, line, &note.fields, 0, -1, blanks);
    if (!hasContent(note.parsed)) return;
    findings_.insert(findings_.end(), blanks.begin(), blanks.end());
    const std::string reason = kind_ == kMyPhonebookFile
                                   ? std::string("after position 200 nothing more is read: not stored")
                                   : "after memory " + threeDigits(memoryCount() - 1) + ", the last of the " +
                                         std::to_string(memoryCount()) +
                                         " memories in use, nothing more is read: not stored";
    findings_.push_back(finding(line, 0, kind_ == kMyPhonebookFile ? -1 : note.memory, FindingField::Line,
                                note.fields.line, {}, FindingAction::Skipped, reason));
}

void LoadReport::finish() {
    // One jump clears up to a whole book: its reason is written once for all its memories.
    std::string clearedReason;
    int clearedLine = 0;
    findings_.reserve(findings_.size() + memories_.size());
    for (auto& [key, state] : memories_) {
        const int position = key / 1000;
        const int memory = key % 1000;
        if (state.cleared) {
            if (clearedReason.empty() || state.line != clearedLine) {
                clearedReason = "not in the file: at this line the numbering jumps from " +
                                threeDigits(state.expected) + " to " + threeDigits(state.named) +
                                ", and the memories between are cleared";
                clearedLine = state.line;
            }
            findings_.push_back(finding(state.line, position, memory, FindingField::Line, {}, {},
                                        FindingAction::Cleared, clearedReason));
            continue;
        }
        // Moved out: afterwards only whether a memory had findings is asked (summary).
        findings_.insert(findings_.end(), std::make_move_iterator(state.findings.begin()),
                         std::make_move_iterator(state.findings.end()));
    }
    sortFindings();
}

void LoadReport::sortFindings() {
    std::stable_sort(findings_.begin(), findings_.end(), [](const LoadFinding& a, const LoadFinding& b) {
        const int lineA = a.line == 0 ? INT_MAX : a.line;
        const int lineB = b.line == 0 ? INT_MAX : b.line;
        if (lineA != lineB) return lineA < lineB;
        return a.position * 1000 + a.memory < b.position * 1000 + b.memory;
    });
}

LoadSummary LoadReport::summary() const {
    LoadSummary summary;
    for (const auto& [key, state] : memories_) {
        if (state.cleared) {
            ++summary.changed;
            continue;
        }
        ++summary.stored;
        if (!state.findings.empty()) ++summary.changed;
    }
    for (const LoadFinding& found : findings_) {
        if (found.action == FindingAction::Skipped) ++summary.notStored;
        if (found.action == FindingAction::Suspect) ++summary.suspect;
    }
    return summary;
}

std::string LoadReport::summaryText() const {
    const LoadSummary counts = summary();
    const auto counted = [](int count, const char* one, const char* many) {
        return std::to_string(count) + " " + (count == 1 ? one : many);
    };
    std::string text = counted(counts.stored, "memory", "memories") + " stored, " +
                       std::to_string(counts.changed) + " changed by the load, " +
                       counted(counts.notStored, "line", "lines") + " not stored";
    if (counts.suspect > 0) text += ", " + std::to_string(counts.suspect) + " suspect";
    return text;
}

std::optional<LoadFinding> whyNoPhonebookFile(std::span<const char> file, int kind) {
    const auto scratch = std::make_unique<Workspace>();
    LoadReport report(*scratch, kind);
    parsePhonebookFile(*scratch, kind, file, 0, &report);
    if (const LoadFinding* why = report.notPhonebook()) return *why;
    return std::nullopt;
}

} // namespace rk::phonebook
