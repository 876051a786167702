// The load report against a reference phonebook: what a spreadsheet does to a phonebook file it
// opens and saves again. It takes telephone numbers for numbers (leading zeros gone, long ones in
// exponent form), lets an input method widen digits and letters, narrows or widens names, and
// loses rows when a range is deleted or sorted.
#include "phonebook/load_report.h"

#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace rk::phonebook {

// A memory of the book as the file left it and as the reference has it.
struct ReferenceSlot {
    int position = 0;
    int memory = 0;
    EntryText loaded;
    EntryText original;
};

namespace {

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

// "3.12E+09", "1E10": a number as a spreadsheet writes one it thinks too long.
bool isExponentForm(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) ++i;
        return i > start;
    };
    if (!digits()) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    if (i >= text.size() || (text[i] != 'E' && text[i] != 'e')) return false;
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    return digits() && i == text.size();
}

// Full-width digits, letters, hyphens and dialling marks in Shift-JIS.
bool hasFullWidthDialling(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!text::isLeadByte(lead)) continue;
        const unsigned pair = static_cast<unsigned>(lead) << 8 | static_cast<unsigned char>(text[i + 1]);
        ++i;
        const bool digit = pair >= 0x824F && pair <= 0x8258;
        const bool letter = (pair >= 0x8260 && pair <= 0x8279) || (pair >= 0x8281 && pair <= 0x829A);
        const bool hyphen = pair == 0x815B || pair == 0x815C || pair == 0x815D || pair == 0x817C;
        const bool mark = pair == 0x8194 || pair == 0x8196;
        if (digit || letter || hyphen || mark) return true;
    }
    return false;
}

std::u32string codePoints(std::string_view utf8) {
    std::u32string result;
    while (!utf8.empty()) {
        const text::Utf8Character character = text::firstUtf8Character(utf8);
        result.push_back(character.codePoint);
        utf8.remove_prefix(character.length);
    }
    return result;
}

// Half-width katakana U+FF61..U+FF9F as their full-width forms.
constexpr char16_t kWideKatakana[] = {
    u'。', u'「', u'」', u'、', u'・', u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ',
    u'ョ', u'ッ', u'ー', u'ア', u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ',
    u'サ', u'シ', u'ス', u'セ', u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ',
    u'ネ', u'ノ', u'ハ', u'ヒ', u'フ', u'ヘ', u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ',
    u'ユ', u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ', u'ン', u'゛', u'゜',
};
static_assert(sizeof kWideKatakana / sizeof kWideKatakana[0] == 0xFF9F - 0xFF61 + 1);

// The katakana that take the voiced mark; in the katakana block the voiced form follows its base
// and, for ハ..ホ, the semi-voiced one comes after that.
constexpr std::u32string_view kVoiceable = U"カキクケコサシスセソタチツテトハヒフヘホ";
constexpr std::u32string_view kSemiVoiceable = U"ハヒフヘホ";

// A text with every character in one width: ASCII and katakana full-width, voiced marks joined.
std::u32string widthFolded(std::string_view cp932) {
    const std::u32string characters = codePoints(text::cp932ToUtf8(cp932));
    std::u32string folded;
    for (char32_t character : characters) {
        if (character >= 0xFF61 && character <= 0xFF9F) character = kWideKatakana[character - 0xFF61];
        if (character == 0x3000) character = U' ';
        if (character >= 0xFF01 && character <= 0xFF5E) character -= 0xFEE0;
        if (!folded.empty()) {
            char32_t& base = folded.back();
            if (character == U'゛' && base == U'ウ') {
                base = U'ヴ';
                continue;
            }
            if (character == U'゛' && kVoiceable.find(base) != std::u32string_view::npos) {
                base += 1;
                continue;
            }
            if (character == U'゜' && kSemiVoiceable.find(base) != std::u32string_view::npos) {
                base += 2;
                continue;
            }
        }
        folded.push_back(character);
    }
    return folded;
}

bool differsOnlyInWidth(std::string_view file, std::string_view reference) {
    return file != reference && widthFolded(file) == widthFolded(reference);
}

// The reference's number with one or more of its leading zeros taken off.
bool lostLeadingZeros(const std::string& file, const std::string& reference) {
    for (std::size_t zeros = 1; zeros < reference.size() && reference[zeros - 1] == '0'; ++zeros)
        if (reference.compare(zeros, std::string::npos, file) == 0) return true;
    return false;
}

std::string quotedText(std::string_view cp932) {
    return "\"" + text::cp932ToUtf8(cp932) + "\"";
}

// What makes an entry the same party: its number and names. Empty for a memory not in use.
std::string entryKey(const EntryText& entry) {
    const std::string number = entry.numberText();
    if (number.empty()) return {};
    return number + '\0' + entry.kanjiText() + '\0' + entry.kanaText();
}

std::string entryText(const EntryText& entry) {
    return quotedText(entry.numberText()) + " " + quotedText(entry.kanjiText());
}

// For each slot, the slot of the reference whose entry the file holds there instead of the
// reference's own (the nearest, where the reference has it more than once); -1 for an entry in its
// place, one the reference does not have, and an empty memory.
std::vector<int> movedFrom(const std::vector<ReferenceSlot>& slots) {
    std::unordered_map<std::string, std::vector<int>> referenceSlots;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (std::string key = entryKey(slots[i].original); !key.empty())
            referenceSlots[std::move(key)].push_back(static_cast<int>(i));
    std::vector<int> from(slots.size(), -1);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::string key = entryKey(slots[i].loaded);
        if (key.empty() || key == entryKey(slots[i].original)) continue;
        const auto found = referenceSlots.find(key);
        if (found == referenceSlots.end()) continue;
        const int here = static_cast<int>(i);
        int nearest = found->second.front();
        for (const int slot : found->second)
            if (std::abs(slot - here) < std::abs(nearest - here)) nearest = slot;
        from[i] = nearest;
    }
    return from;
}

} // namespace

void LoadReport::compareWith(const Workspace& reference) {
    const image::LayoutGeometry geometry = image::geometryOf(image::layoutOf(workspace_.image().memoryMode));
    const auto compare = [&](int position, int memory, const EntryText& loaded, const EntryText& original) {
        const auto found = memories_.find(position * 1000 + memory);
        const MemoryState* state = found == memories_.end() ? nullptr : &found->second;
        const MemoryState* record = state != nullptr && !state->cleared ? state : nullptr;
        const int line = state != nullptr ? state->line : 0;
        const std::string number = loaded.numberText();
        const std::string referenceNumber = original.numberText();
        const auto hasHere = [&] {
            return referenceNumber.empty() ? std::string()
                                           : "; the reference has " + quotedText(referenceNumber);
        };
        const auto suspect = [&](FindingField field, std::string_view value, std::string_view stored,
                                 std::string reason) {
            findings_.push_back(finding(line, position, memory, field, value, stored, FindingAction::Suspect,
                                        std::move(reason)));
        };

        if (record != nullptr && isExponentForm(record->number))
            suspect(FindingField::Number, record->number, number,
                    "a number in exponent form: a spreadsheet took the telephone number for a number" +
                        hasHere());
        else if (record != nullptr && hasFullWidthDialling(record->number))
            suspect(FindingField::Number, record->number, number,
                    "full-width digits, letters or hyphens in the number" + hasHere());
        else if (!number.empty() && lostLeadingZeros(number, referenceNumber))
            suspect(FindingField::Number, record != nullptr ? record->number : number, number,
                    "the reference has " + quotedText(referenceNumber) + ": the leading zero is lost");

        // A line that empties its memory on purpose is no damage; a memory the file has no line
        // for, or whose line belongs to another telephone, is.
        const bool noEntryInFile = record == nullptr || record->numberOfOtherPosition;
        if (!referenceNumber.empty() && number.empty() && noEntryInFile)
            suspect(FindingField::Line, record != nullptr ? record->rawLine : "", {},
                    "the reference has an entry here (" + quotedText(referenceNumber) + " " +
                        quotedText(original.kanjiText()) + "), the file none: rows deleted or shifted?");

        if (record == nullptr) return;
        if (differsOnlyInWidth(record->kanji, original.kanjiText()))
            suspect(FindingField::Kanji, record->kanji, loaded.kanjiText(),
                    "differs from the reference " + quotedText(original.kanjiText()) +
                        " only in character width");
        if (differsOnlyInWidth(record->kana, original.kanaText()))
            suspect(FindingField::Kana, record->kana, loaded.kanaText(),
                    "differs from the reference " + quotedText(original.kanaText()) +
                        " only in character width");
    };

    std::vector<ReferenceSlot> slots;
    const auto add = [&](int position, int memory) {
        ReferenceSlot& slot = slots.emplace_back();
        slot.position = position;
        slot.memory = memory;
        if (position == 0) {
            loadSystemEntry(workspace_, memory, slot.loaded);
            loadSystemEntry(reference, memory, slot.original);
        } else {
            loadTelephoneEntry(workspace_, position, memory, slot.loaded);
            loadTelephoneEntry(reference, position, memory, slot.original);
        }
        compare(position, memory, slot.loaded, slot.original);
    };
    slots.reserve(static_cast<std::size_t>(kind_ == kMyPhonebookFile
                                               ? (kLastPhonebookPosition - kFirstPhonebookPosition + 1) *
                                                     geometry.memoriesPerTelephone
                                               : geometry.systemMemories));
    if (kind_ == kMyPhonebookFile) {
        for (int position = kFirstPhonebookPosition; position <= kLastPhonebookPosition; ++position)
            for (int offset = 0; offset < geometry.memoriesPerTelephone; ++offset)
                add(position, geometry.firstTelephoneMemory + offset);
    } else {
        for (int memory = 0; memory < geometry.systemMemories; ++memory) add(0, memory);
    }
    suspectMovedEntries(slots);
    sortFindings();
}

// Rows deleted, inserted or sorted in a spreadsheet whose memory column is then filled down again:
// the reference's entries stand at other memories of the file, each memory dialling another party.
void LoadReport::suspectMovedEntries(const std::vector<ReferenceSlot>& slots) {
    const std::vector<int> from = movedFrom(slots);
    std::unordered_set<std::string> inFile;
    for (const ReferenceSlot& slot : slots)
        if (std::string key = entryKey(slot.loaded); !key.empty()) inFile.insert(std::move(key));
    const auto recordOf = [&](const ReferenceSlot& slot) -> const MemoryState* {
        const auto found = memories_.find(slot.position * 1000 + slot.memory);
        return found == memories_.end() || found->second.cleared ? nullptr : &found->second;
    };
    const auto suspect = [&](const ReferenceSlot& slot, std::string reason) {
        const MemoryState* record = recordOf(slot);
        findings_.push_back(finding(record != nullptr ? record->line : 0, slot.position, slot.memory,
                                    FindingField::Line, record != nullptr ? record->rawLine : "",
                                    slot.loaded.numberText(), FindingAction::Suspect, std::move(reason)));
    };
    const auto label = [&](std::size_t i) { return memoryText(slots[i].position, slots[i].memory); };

    // Once entries have moved, an entry of the reference that the file holds nowhere went with a
    // deleted row: where the file holds a moved entry or none in its place. Where it holds another,
    // the value was edited or damaged in place, which the checks above judge.
    const bool moves = std::any_of(from.begin(), from.end(), [](int source) { return source >= 0; });
    std::vector<bool> deleted(slots.size(), false);
    for (std::size_t i = 0; moves && i < slots.size(); ++i) {
        const std::string key = entryKey(slots[i].original);
        if (key.empty() || inFile.contains(key)) continue;
        const MemoryState* record = recordOf(slots[i]);
        const bool emptyHere = entryKey(slots[i].loaded).empty();
        // Without a line of its own the memory is already suspect as one the file has no entry for.
        if (emptyHere && (record == nullptr || record->numberOfOtherPosition)) continue;
        if (from[i] < 0 && !emptyHere) continue;
        suspect(slots[i], "the reference's entry here (" + entryText(slots[i].original) +
                              ") is nowhere in the file: row deleted?");
        deleted[i] = true;
    }

    // A run: entries moved by the same number of memories, with nothing but empty memories between.
    for (std::size_t first = 0; first < slots.size();) {
        if (from[first] < 0) {
            ++first;
            continue;
        }
        const long shift = static_cast<long>(first) - from[first];
        std::size_t last = first;
        int moved = 1;
        std::vector<std::size_t> emptied;
        std::vector<std::size_t> pending;
        for (std::size_t next = first + 1; next < slots.size(); ++next) {
            if (from[next] >= 0 && static_cast<long>(next) - from[next] == shift) {
                last = next;
                ++moved;
                emptied.insert(emptied.end(), pending.begin(), pending.end());
                pending.clear();
                continue;
            }
            if (!entryKey(slots[next].loaded).empty()) break;
            if (!entryKey(slots[next].original).empty()) pending.push_back(next);
        }
        const std::string by = std::string(shift < 0 ? "up" : "down") + " by " +
                               std::to_string(std::abs(shift)) +
                               (std::abs(shift) == 1 ? " memory" : " memories");
        const std::string source = label(static_cast<std::size_t>(from[first]));
        if (moved == 1) {
            suspect(slots[first],
                    "the reference has this entry at memory " + source + ", not here: moved " + by + "?");
        } else {
            const MemoryState* record = recordOf(slots[first]);
            suspect(slots[first], "from line " + std::to_string(record != nullptr ? record->line : 0) +
                                      " on, entries moved " + by + ": memory " + label(first) +
                                      " holds the reference's " + source + ", and so on to memory " +
                                      label(last) + " (the reference's " +
                                      label(static_cast<std::size_t>(from[last])) + "), " +
                                      std::to_string(moved) + " entries: rows deleted, inserted or sorted?");
        }
        for (const std::size_t i : emptied) {
            const MemoryState* record = recordOf(slots[i]);
            // Without a line of its own, the memory is already suspect as one the file has no entry for.
            if (deleted[i] || record == nullptr || record->numberOfOtherPosition) continue;
            suspect(slots[i], "the reference has an entry here (" + entryText(slots[i].original) +
                                  "), the file empties it among entries moved " + by);
        }
        first = last + 1;
    }
}

} // namespace rk::phonebook
