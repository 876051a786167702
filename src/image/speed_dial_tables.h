// The speed-dial tables as they sit in the data image: the stored entry, the two phonebook
// areas (working and backup copy) and the number-ordered index of the common phonebook.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace rk::image {

// One stored speed-dial memory, common or per telephone.
struct SpeedDialEntry {
    std::array<std::uint8_t, 25> number; // packed digit codes, low nibble first; 12..24 zero
    std::array<char, 21> kanaName;       // half-width katakana and ASCII, zero-terminated
    std::array<char, 21> kanjiName;      // Shift-JIS, zero-terminated
    std::uint8_t group;                  // common: 0..7 (1 when empty); per telephone: 0
    std::array<std::uint8_t, 3> reserved;

    bool empty() const { return number[0] == 0; }
};
static_assert(sizeof(SpeedDialEntry) == 71, "a stored entry is 71 bytes");
static_assert(alignof(SpeedDialEntry) == 1, "entries are packed back to back");

constexpr std::size_t kEntrySize = sizeof(SpeedDialEntry);
constexpr std::size_t kPhonebookAreaSize = 195960; // 42,600 + 108 × 1,420
constexpr std::size_t kTelephoneBlocks = 108;

// Every layout boundary of both memory counts falls on a whole entry (42,600 = 600 × 71,
// 1,420 = 20 × 71, 71,000 = 1,000 × 71, 710 = 10 × 71), so the area is an array of entries and
// byte offset = slot × 71.
using PhonebookArea = std::array<SpeedDialEntry, kPhonebookAreaSize / kEntrySize>;
static_assert(sizeof(PhonebookArea) == kPhonebookAreaSize);

// Slots of memory numbers plus one, occupied slots at the end in ascending number order.
// 601 slots are used in 600 mode, 1,001 in 990 mode.
using NumberIndex = std::array<std::uint16_t, 1001>;

// Empty memories of the last table counted, for the page generator and the file parser.
struct FreeEntryStats {
    int freeCount = 0;
    int firstFree = -1; // -1 when every memory is used
    int tableSize = 0;
};

// Which layout a value of the memory-count byte selects. Only the two low bits count;
// 3 is taken as 1 and 0 leaves no table at all.
enum class Layout { None, Memories600, Memories990 };

constexpr Layout layoutOf(std::uint8_t memoryMode) {
    switch (memoryMode & 3) {
    case 0:
        return Layout::None;
    case 2:
        return Layout::Memories990;
    default:
        return Layout::Memories600;
    }
}

struct LayoutGeometry {
    int systemMemories;       // memories of the common phonebook in use
    int systemSlots;          // room reserved for it in the area
    int firstTelephoneMemory; // 980 or 990
    int memoriesPerTelephone; // 20 or 10
};

constexpr LayoutGeometry geometryOf(Layout layout) {
    return layout == Layout::Memories990 ? LayoutGeometry{990, 1000, 990, 10}
                                         : LayoutGeometry{600, 600, 980, 20};
}

} // namespace rk::image
