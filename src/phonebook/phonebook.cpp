#include "phonebook/phonebook.h"

#include "image/data_image.h"
#include "phonebook/digit_codes.h"
#include "phonebook/number_index.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace rk::phonebook {
namespace {

using image::DataImage;
using image::Layout;
using image::PhonebookArea;
using image::SpeedDialEntry;
using PackedNumber = std::array<std::uint8_t, kPackedNumberBytes>;

// Kanji name: double-byte characters are kept whole, markup characters become blanks.
void normaliseKanjiName(std::array<char, 21>& name) {
    for (std::size_t i = 0; i < kNameBytes && name[i] != 0; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if ((byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFE)) {
            if (name[i + 1] == 0) break; // a lead byte alone at the end: nothing to skip
            ++i;
        } else if (isNameMarkup(name[i])) {
            name[i] = ' ';
        }
    }
}

// Kana name: half-width only. A double-byte character becomes two blanks, whichever byte starts
// it: 0x80..0xA0, or 0xE0..0xFC (second-level kanji, vendors' extensions), which, kept, would
// leave half a character in the reading and blank the character after it.
void normaliseKanaName(std::array<char, 21>& name) {
    for (std::size_t i = 0; i < kNameBytes && name[i] != 0; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if ((byte >= 0x80 && byte <= 0xA0) || text::isLeadByte(byte)) {
            name[i] = ' ';
            // The partner byte goes too, but never the terminator: that would join the name to
            // whatever follows it in the buffer.
            if (name[i + 1] != 0) name[++i] = ' ';
        } else if (byte >= 0x20 && byte <= 0x5D && isNameMarkup(name[i])) {
            name[i] = ' ';
        }
    }
}

// Pads the number with blanks to 24 characters and packs it; where a packed byte is 0 the text
// is cut there, so that the text keeps the form the number index compares.
PackedNumber packNumberText(std::array<char, 25>& number) {
    const std::size_t length = strnlen(number.data(), kMaxNumberDigits);
    std::fill(number.begin() + static_cast<std::ptrdiff_t>(length), number.begin() + kMaxNumberDigits, ' ');
    number[kMaxNumberDigits] = 0;
    PackedNumber packed{};
    for (std::size_t pair = 0; pair < static_cast<std::size_t>(kPackedNumberBytes); ++pair) {
        const std::uint8_t byte =
            static_cast<std::uint8_t>(digitCode(number[2 * pair]) | (digitCode(number[2 * pair + 1]) << 4));
        packed[pair] = byte;
        if (byte == 0) number[2 * pair] = 0;
    }
    return packed;
}

// The normalised text form of an already packed number, as packNumberText would leave it.
std::string normalisedTextOf(const std::uint8_t* packed) {
    std::string text;
    for (int pair = 0; pair < kPackedNumberBytes; ++pair) {
        if (packed[pair] == 0) break;
        text.push_back(digitCharacter(codeAt(packed, 2 * pair)));
        text.push_back(digitCharacter(codeAt(packed, 2 * pair + 1)));
    }
    return text;
}

std::string normalisedTextOf(const std::array<char, 25>& number) {
    return std::string(number.data(), strnlen(number.data(), number.size()));
}

// Copies a name into its field: at most 20 bytes, commas as blanks, zero-filled.
void copyName(std::array<char, 21>& field, const std::array<char, 21>& name) {
    field.fill(0);
    for (std::size_t i = 0; i < kNameBytes && name[i] != 0; ++i) field[i] = name[i] == ',' ? ' ' : name[i];
}

PhonebookArea& area(Workspace& workspace, Copy copy) {
    DataImage& image = workspace.image();
    return copy == Copy::Working ? image.workingCopy : image.backupCopy;
}

const PhonebookArea& area(const Workspace& workspace, Copy copy) {
    const DataImage& image = workspace.image();
    return copy == Copy::Working ? image.workingCopy : image.backupCopy;
}

Layout currentLayout(const Workspace& workspace) {
    return image::layoutOf(workspace.image().memoryMode);
}

// Slot of a common-phonebook memory in the current layout, or -1.
int systemSlot(const Workspace& workspace, int memory) {
    const Layout layout = currentLayout(workspace);
    if (layout == Layout::None) return -1;
    if (memory < 0 || memory >= image::geometryOf(layout).systemMemories) return -1;
    return memory;
}

// Slot of the first memory of a telephone's block in the current layout, or -1. Only the 108
// blocks the phonebook area has room for can be addressed.
int telephoneBlockSlot(const Workspace& workspace, int position) {
    const Layout layout = currentLayout(workspace);
    const int block = positionToIndex(position);
    if (layout == Layout::None || block < 1 || block > static_cast<int>(image::kTelephoneBlocks)) return -1;
    const image::LayoutGeometry geometry = image::geometryOf(layout);
    return geometry.systemSlots + (block - 1) * geometry.memoriesPerTelephone;
}

int telephoneSlot(const Workspace& workspace, int position, int memory) {
    const int blockSlot = telephoneBlockSlot(workspace, position);
    if (blockSlot < 0) return -1;
    const image::LayoutGeometry geometry = image::geometryOf(currentLayout(workspace));
    const int offset = memory - geometry.firstTelephoneMemory;
    if (offset < 0 || offset >= geometry.memoriesPerTelephone) return -1;
    return blockSlot + offset;
}

// Looks through memories [first, first + count) of a copy for the number just stored in
// `slot`. The first pair found is recorded; every later match clears the new number when it
// went into the working copy, which also ends the search.
void detectDuplicates(DuplicateReport& report, PhonebookArea& copy, Copy target, int slot, int first,
                      int count, int memoryBase, int position) {
    SpeedDialEntry& stored = copy[static_cast<std::size_t>(slot)];
    for (int other = first; other < first + count && !stored.empty(); ++other) {
        const SpeedDialEntry& candidate = copy[static_cast<std::size_t>(other)];
        if (other == slot || candidate.empty() || !sameNumber(candidate.number.data(), stored.number.data()))
            continue;
        if (report.count == 0) {
            report.lowMemory = memoryBase + std::min(other, slot) - first;
            report.highMemory = memoryBase + std::max(other, slot) - first;
            report.position = position;
        } else if (target == Copy::Working) {
            std::fill_n(stored.number.begin(), 24, 0);
        }
        ++report.count;
    }
}

// Writes a normalised text into an entry. `keepTail` leaves number bytes 12..24 and the
// reserved bytes as they were instead of zeroing the whole entry first.
void writeEntry(SpeedDialEntry& entry, const std::uint8_t* packed, int packedBytes, const EntryText& text,
                std::uint8_t group, bool keepTail) {
    if (!keepTail) entry = SpeedDialEntry{};
    std::copy_n(packed, packedBytes, entry.number.begin());
    copyName(entry.kanaName, text.kanaName);
    copyName(entry.kanjiName, text.kanjiName);
    entry.group = group;
}

void normaliseNames(EntryText& text) {
    normaliseKanjiName(text.kanjiName);
    normaliseKanaName(text.kanaName);
}

void fillLoadedText(const SpeedDialEntry& entry, EntryText& text) {
    text = EntryText{};
    for (int i = 0; i < kMaxNumberDigits; ++i) {
        const char character = digitCharacter(codeAt(entry.number.data(), i));
        text.number[static_cast<std::size_t>(i)] = character == ' ' ? 0 : character;
    }
    std::copy_n(entry.kanaName.begin(), strnlen(entry.kanaName.data(), kNameBytes), text.kanaName.begin());
    std::copy_n(entry.kanjiName.begin(), strnlen(entry.kanjiName.data(), kNameBytes), text.kanjiName.begin());
    text.group = static_cast<char>('0' + (entry.group & 7));
}

void fillMissingText(EntryText& text) {
    text = EntryText{};
    text.group = '1';
}

// The entry as it is stored, in the text form the checked store into the working copy takes.
EntryText rawText(const SpeedDialEntry& entry) {
    EntryText text;
    std::copy_n(entry.number.begin(), 24, reinterpret_cast<std::uint8_t*>(text.number.data()));
    text.kanaName = entry.kanaName;
    text.kanjiName = entry.kanjiName;
    text.group = static_cast<char>(entry.group);
    return text;
}

} // namespace

void resetDuplicateReport(Workspace& workspace) {
    workspace.duplicateReport() = DuplicateReport{};
}

bool storeSystemEntry(Workspace& workspace, int memory, EntryText& text) {
    const int slot = systemSlot(workspace, memory);
    if (slot < 0) return false;
    DataImage& image = workspace.image();
    normaliseNames(text);
    const PackedNumber packed = packNumberText(text.number);
    const bool keepTail = currentLayout(workspace) == Layout::Memories990;
    writeEntry(image.workingCopy[static_cast<std::size_t>(slot)], packed.data(), kPackedNumberBytes, text,
               static_cast<std::uint8_t>(text.group & 7), keepTail);
    if (packed[0] != 0) detail::updateNumberIndex(image, memory, normalisedTextOf(text.number));
    return true;
}

bool storeSystemEntryChecked(Workspace& workspace, int memory, EntryText& text, Copy target) {
    const int slot = systemSlot(workspace, memory);
    if (slot < 0) return false;
    DataImage& image = workspace.image();
    PhonebookArea& copy = area(workspace, target);
    SpeedDialEntry& entry = copy[static_cast<std::size_t>(slot)];
    normaliseNames(text);
    const auto group = static_cast<std::uint8_t>(text.group & 7);
    if (target == Copy::Working) {
        writeEntry(entry, reinterpret_cast<const std::uint8_t*>(text.number.data()), 24, text, group, false);
    } else {
        const PackedNumber packed = packNumberText(text.number);
        writeEntry(entry, packed.data(), kPackedNumberBytes, text, group, false);
    }
    if (workspace.flags().dupCheckEnabled == 1) {
        const int scanned = currentLayout(workspace) == Layout::Memories990 ? 1000 : 600;
        detectDuplicates(workspace.duplicateReport(), copy, target, slot, 0, scanned, 0, 0);
    }
    if (target == Copy::Working && !entry.empty())
        detail::updateNumberIndex(image, memory, normalisedTextOf(entry.number.data()));
    return true;
}

namespace {

bool storeTelephone(Workspace& workspace, int position, int memory, EntryText& text, bool checked,
                    Copy target) {
    const int slot = telephoneSlot(workspace, position, memory);
    if (slot < 0) return false;
    PhonebookArea& copy = area(workspace, target);
    normaliseNames(text);
    SpeedDialEntry& entry = copy[static_cast<std::size_t>(slot)];
    if (checked && target == Copy::Working) {
        writeEntry(entry, reinterpret_cast<const std::uint8_t*>(text.number.data()), 24, text, 0, false);
    } else {
        const PackedNumber packed = packNumberText(text.number);
        writeEntry(entry, packed.data(), kPackedNumberBytes, text, 0, false);
    }
    if (checked) {
        const image::LayoutGeometry geometry = image::geometryOf(currentLayout(workspace));
        detectDuplicates(workspace.duplicateReport(), copy, target, slot,
                         telephoneBlockSlot(workspace, position), geometry.memoriesPerTelephone,
                         geometry.firstTelephoneMemory, position);
    }
    return true;
}

} // namespace

bool storeTelephoneEntry(Workspace& workspace, int position, int memory, EntryText& text) {
    return storeTelephone(workspace, position, memory, text, false, Copy::Working);
}

bool storeTelephoneEntryChecked(Workspace& workspace, int position, int memory, EntryText& text,
                                Copy target) {
    return storeTelephone(workspace, position, memory, text, true, target);
}

bool loadSystemEntry(const Workspace& workspace, int memory, EntryText& text, Copy source) {
    const int slot = systemSlot(workspace, memory);
    if (slot < 0) {
        fillMissingText(text);
        return false;
    }
    fillLoadedText(area(workspace, source)[static_cast<std::size_t>(slot)], text);
    return true;
}

bool loadTelephoneEntry(const Workspace& workspace, int position, int memory, EntryText& text, Copy source) {
    const int slot = telephoneSlot(workspace, position, memory);
    if (slot < 0) {
        fillMissingText(text);
        return false;
    }
    fillLoadedText(area(workspace, source)[static_cast<std::size_t>(slot)], text);
    return true;
}

void clearSystemBook(Workspace& workspace, int mode) {
    image::clearSystemSpeedDialTables(workspace.image(), image::layoutOf(static_cast<std::uint8_t>(mode)));
}

void clearTelephoneBooks(Workspace& workspace, int mode) {
    const Layout layout = image::layoutOf(static_cast<std::uint8_t>(mode));
    if (layout == Layout::None) return;
    const image::LayoutGeometry geometry = image::geometryOf(layout);
    PhonebookArea& copy = workspace.image().workingCopy;
    const auto first = copy.begin() + geometry.systemSlots;
    std::fill(first,
              first + static_cast<std::ptrdiff_t>(image::kTelephoneBlocks) * geometry.memoriesPerTelephone,
              SpeedDialEntry{});
}

void commitBackup(Workspace& workspace) {
    DataImage& image = workspace.image();
    image.backupCopy = image.workingCopy;
}

void restoreFromBackup(Workspace& workspace) {
    DataImage& image = workspace.image();
    image.workingCopy = image.backupCopy;
}

void applyPageFromBackup(Workspace& workspace, int page, PageKind kind) {
    restoreFromBackup(workspace);
    if (page == 0) return;
    const PhonebookArea& backup = workspace.image().backupCopy;
    const bool known = page >= 1 && page <= pageBook(kind).pages;
    if (kind == PageKind::System) {
        if (!known) return;
        const PageSpan span = pageSpan(kind, page);
        for (int memory = span.lastMemory; memory >= span.firstMemory; --memory) {
            if (systemSlot(workspace, memory) < 0) continue;
            EntryText text = rawText(backup[static_cast<std::size_t>(memory)]);
            storeSystemEntryChecked(workspace, memory, text, Copy::Working);
        }
        return;
    }
    const PageSpan span = pageSpan(kind, known ? page : 1);
    const image::LayoutGeometry geometry = image::geometryOf(currentLayout(workspace));
    for (int position = span.firstPosition; position <= span.lastPosition; ++position) {
        for (int offset = 0; offset < geometry.memoriesPerTelephone; ++offset) {
            const int memory = geometry.firstTelephoneMemory + offset;
            const int slot = telephoneSlot(workspace, position, memory);
            if (slot < 0) continue;
            EntryText text = rawText(backup[static_cast<std::size_t>(slot)]);
            storeTelephoneEntryChecked(workspace, position, memory, text, Copy::Working);
        }
    }
}

image::FreeEntryStats countFreeEntries(Workspace& workspace, int position) {
    DataImage& image = workspace.image();
    const Layout layout = currentLayout(workspace);
    image::FreeEntryStats stats;
    if (layout == Layout::None) return image.freeEntries = stats;
    const image::LayoutGeometry geometry = image::geometryOf(layout);
    if (position == 0) {
        stats.tableSize = geometry.systemMemories;
        for (int memory = 0; memory < geometry.systemSlots; ++memory) {
            if (!image.workingCopy[static_cast<std::size_t>(memory)].empty()) continue;
            ++stats.freeCount;
            if (stats.firstFree < 0) stats.firstFree = memory;
        }
        return image.freeEntries = stats;
    }
    stats.tableSize = geometry.memoriesPerTelephone;
    const int blockSlot = telephoneBlockSlot(workspace, position);
    if (blockSlot < 0) return image.freeEntries = stats;
    for (int offset = 0; offset < geometry.memoriesPerTelephone; ++offset) {
        if (!image.workingCopy[static_cast<std::size_t>(blockSlot + offset)].empty()) continue;
        ++stats.freeCount;
        if (stats.firstFree < 0) stats.firstFree = geometry.firstTelephoneMemory % 100 + offset;
    }
    return image.freeEntries = stats;
}

int memoryMode(const Workspace& workspace) {
    return workspace.image().memoryMode;
}

void setMemoryMode(Workspace& workspace, int mode) {
    workspace.image().memoryMode = static_cast<std::uint8_t>(mode);
}

} // namespace rk::phonebook
