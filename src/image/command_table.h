// The data-set command table: one 13-byte descriptor row per command, in 19 groups each ended by
// a row whose kind is 255, followed by one row that stands for "no such command". A row says
// how the command is keyed in (address and data fields with their digit counts), which handler
// pair reads and writes it, and where in the image its value lives (bytes 10–12). Which items
// exist, and their factory defaults, is data in command_table.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rk::image {

constexpr std::size_t kRowBytes = 13;
using CommandRow = std::array<std::uint8_t, kRowBytes>;

// Byte positions in a row.
namespace rowbyte {
constexpr std::size_t kKind = 0;
constexpr std::size_t kFieldCounts = 1; // high nibble: address fields, low nibble: data fields
constexpr std::size_t kReturnField = 8; // field to go back to after a show or store; 0: complete
constexpr std::size_t kPair = 9;
constexpr std::size_t kVariant = 10; // area (generic pairs) or variant (switch and two-digit pairs)
constexpr std::size_t kIndex = 11;
constexpr std::size_t kMask = 12; // bit mask (switch pair) or value range (generic pairs)
} // namespace rowbyte

// Row kinds.
constexpr std::uint8_t kKindOrdinary = 0;
constexpr std::uint8_t kKindSelectValue = 5; // address, then a value that may be shown and changed
constexpr std::uint8_t kKindPaged = 6;
constexpr std::uint8_t kKindGroupEnd = 255;

constexpr std::size_t kMaxFields = 6; // field bytes 2..7

constexpr int addressFieldCount(const CommandRow& row) {
    return row[rowbyte::kFieldCounts] >> 4;
}
constexpr int dataFieldCount(const CommandRow& row) {
    return row[rowbyte::kFieldCounts] & 15;
}

// Fewest digits with which "#" accepts field f (1-based); 0 for a field the row does not have.
constexpr int fieldMinimum(const CommandRow& row, int field) {
    if (field < 1 || field > static_cast<int>(kMaxFields)) return 0;
    return row[1 + static_cast<std::size_t>(field)] >> 4;
}

// Digits after which field f closes by itself (a stored 0 means 16).
constexpr int fieldMaximum(const CommandRow& row, int field) {
    if (field < 1 || field > static_cast<int>(kMaxFields)) return 16;
    const int maximum = row[1 + static_cast<std::size_t>(field)] & 15;
    return maximum == 0 ? 16 : maximum;
}

// Handler pairs. Entry n of the handler table stores for pair n, entry 209 + n shows.
constexpr std::size_t kPairCount = 209;
constexpr std::uint8_t kPairSwitchBit = 0;  // one bit of a switch byte
constexpr std::uint8_t kPairByteValues = 1; // one byte per data field, decimal
constexpr std::uint8_t kPairWordValue = 2;  // one 16-bit value, decimal
constexpr std::uint8_t kPairLongValue = 3;  // one 32-bit value, decimal
constexpr std::uint8_t kPairTwoDigit = 46;  // one two-digit value in a fixed setting
constexpr std::uint8_t kPairNothing = 60;   // no handler: every use fails with 1

// Where the image arrays of the generic pairs are.
enum class Storage : std::uint8_t {
    MemoryMode,
    SettingBytes,
    PortRecords,
    GroupRecords,
    Table10,
    Table12,
    Table16,
    Table96,
    Table108,
    SlotArea,
    EntryTable,
    SmallTables,
};

struct AddressRange {
    std::uint16_t low;
    std::uint16_t high;
};
constexpr AddressRange kNoRange = {1, 0};

// The values an address field accepts (one or two ranges) and how they step through the area:
// byte = (value − base) × stride.
struct AddressDomain {
    AddressRange first;
    AddressRange second;
    std::uint16_t base;
    std::uint32_t stride;

    constexpr bool accepts(long value) const {
        return (value >= first.low && value <= first.high) || (value >= second.low && value <= second.high);
    }
};

// An area of the image addressed by the generic pairs (row byte 10); row byte 11 is the column
// of the item inside each addressed entry.
struct AreaDescriptor {
    Storage storage;
    std::uint32_t offset; // first byte of the area in its storage
    std::uint32_t size;   // bytes the area spans
    std::uint8_t addressCount;
    std::array<AddressDomain, 3> addresses;
    bool marksChangeBlocks; // a store sets changeFlags[(first address − base) / 50]
};

// The values a generic field accepts (row byte 12). kFieldRange: whatever the digits can hold.
struct ValueRange {
    std::uint32_t minimum;
    std::uint32_t maximum;
};
constexpr std::uint32_t kFieldRange = 0xFFFFFFFF;

struct CommandGroup {
    std::size_t first; // index of the group's first row
    std::size_t count; // command rows (the end row not counted)
};
constexpr std::size_t kCommandGroupCount = 19;

// An item the program models: the command, its row and the value the factory gives it.
struct ItemDefinition {
    std::uint16_t command;
    CommandRow row;
    std::uint32_t factoryDefault;
};

// The flat table: the groups with their end rows, then the no-command row.
std::span<const CommandRow> commandRows();
std::size_t noCommandRow();
std::span<const CommandGroup> commandGroups();

// The row of a command given as its digits ("120", "9112"); the no-command row for anything
// that is not a command of the table.
std::size_t rowIndexOf(std::string_view digits);
std::size_t rowIndexOf(int command);
const CommandRow& rowOf(int command);

// "120" or "9112": the digits with which a command is keyed in.
std::string commandDigits(int command);

std::span<const ItemDefinition> definedItems();
std::span<const AreaDescriptor> areas();
const AreaDescriptor* areaOf(std::uint8_t code);
std::span<const ValueRange> valueRanges();

} // namespace rk::image
