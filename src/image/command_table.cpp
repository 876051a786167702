#include "image/command_table.h"

#include "image/data_image.h"

#include <cstdio>

namespace rk::image {
namespace {

// Row helpers: field counts (address, data) and a field's digit counts (fewest, most).
constexpr std::uint8_t fields(int address, int data) {
    return static_cast<std::uint8_t>(address << 4 | data);
}
constexpr std::uint8_t digits(int fewest, int most) {
    return static_cast<std::uint8_t>(fewest << 4 | (most & 15));
}

// Area codes (row byte 10 of the generic pairs); the order is that of kAreas below.
enum : std::uint8_t {
    kAreaMemoryMode,
    kAreaSettings,
    kAreaStationPorts,
    kAreaTelephonePorts,
    kAreaStationKeyPairs,
    kAreaNumberingPlan,
    kAreaCodeTable,
    kAreaRouteTable,
    kAreaTelephoneTable,
    kAreaNumberedTable,
    kAreaGroupRecords,
    kAreaStationSlots,
    kAreaExtensionPairs,
    kAreaExtensionSlots310,
    kAreaExtensionSlots311,
    kAreaExtensionSlots312,
    kAreaExtensionSlots313,
    kAreaExtensionSlots366,
    kAreaStationPairs642,
    kAreaSmallOneToTwo,
    kAreaSmallZeroTo26,
    kAreaSmallOneToTen,
    kAreaSmallOneToFour,
    kAreaSmallOneToEight,
    kAreaSmallOneToSixteen,
    kAreaSmallZeroToFifteen,
    kAreaSmallPairsOneToFour,
    kAreaSmallTwoByFour,
    kAreaSmallFivesOneToFour,
    kAreaCount
};

// Value ranges (row byte 12 of the generic pairs).
enum : std::uint8_t { kRangeField, kRangeOneOrTwo, kRangeOneToFour };

constexpr AddressDomain kNone = {kNoRange, kNoRange, 0, 0};
constexpr AddressDomain span(std::uint16_t low, std::uint16_t high, std::uint32_t stride) {
    return {{low, high}, kNoRange, low, stride};
}
// Telephone positions 101..200.
constexpr AddressDomain stations(std::uint32_t stride) {
    return span(101, 200, stride);
}
// The 96 telephone positions that carry per-telephone settings: 149..152 are not telephones.
constexpr AddressDomain telephones(std::uint32_t stride) {
    return {{101, 148}, {153, 200}, 101, stride};
}
// The 48 extension numbers 331..378 that carry slot tables.
constexpr AddressDomain extensions(std::uint32_t stride) {
    return span(331, 378, stride);
}

constexpr std::uint32_t kPortBytes = kPortCount * kPortRecordSize;
constexpr std::uint32_t kGroupBytes = kGroupCount * kGroupRecordSize;

// clang-format off
constexpr std::array<AreaDescriptor, kAreaCount> kAreas = {{
    // storage                offset  size     A  address fields (first varies fastest in listings)             change
    {Storage::MemoryMode,       0,     1,       0, {kNone, kNone, kNone},                                          false}, // the memory-count byte
    {Storage::SettingBytes,   256,   512,       0, {kNone, kNone, kNone},                                          false}, // unaddressed settings
    {Storage::PortRecords,      0, kPortBytes,  1, {stations(48), kNone, kNone},                                   false}, // port record of a station
    {Storage::PortRecords,      0, kPortBytes,  1, {telephones(48), kNone, kNone},                                 false}, // port record of a telephone
    {Storage::PortRecords,      0, kPortBytes,  3, {stations(48), span(1, 2, 2), span(1, 2, 1)},                   false}, // station × key bank × key
    {Storage::Table10,          0,    10,       1, {span(0, 9, 1), kNone, kNone},                                  false}, // one per leading digit
    {Storage::Table12,          0,    12,       1, {span(0, 11, 1), kNone, kNone},                                 false}, // access codes 00..11
    {Storage::Table16,          0,    16,       1, {span(0, 15, 1), kNone, kNone},                                 false}, // routes 00..15
    {Storage::Table108,         0,   108,       1, {telephones(1), kNone, kNone},                                  false}, // one byte per telephone
    {Storage::EntryTable,       0,   300,       1, {span(0, 299, 1), kNone, kNone},                                true},  // entries 000..299
    {Storage::GroupRecords,     0, kGroupBytes, 1, {span(1, 48, kGroupRecordSize), kNone, kNone},                  false}, // group record 01..48
    {Storage::SlotArea,         0,  9600,       2, {stations(96), span(1, 96, 1), kNone},                          false}, // station × slot 01..96
    {Storage::SlotArea,      9600,    96,       2, {extensions(2), span(1, 2, 1), kNone},                          false}, // extension × 1..2
    {Storage::SlotArea,      9696,  2304,       2, {extensions(48), span(1, 48, 1), kNone},                        false}, // extension × slot 01..48
    {Storage::SlotArea,     12000,  2304,       2, {extensions(48), span(1, 48, 1), kNone},                        false}, // extension × slot 01..48
    {Storage::SlotArea,     14304,  4608,       2, {extensions(96), span(1, 96, 1), kNone},                        false}, // extension × slot 01..96
    {Storage::SlotArea,     18912,  4608,       2, {extensions(96), span(1, 96, 1), kNone},                        false}, // extension × slot 01..96
    {Storage::SlotArea,     23520,  4608,       2, {extensions(96), span(1, 96, 1), kNone},                        false}, // extension × slot 01..96
    {Storage::SlotArea,     28128,   200,       2, {stations(2), span(1, 2, 1), kNone},                            false}, // station × 1..2
    {Storage::SmallTables,      0,   256,       1, {span(1, 2, 1), kNone, kNone},                                  false}, // entries 1..2
    {Storage::SmallTables,      0,   256,       1, {span(0, 26, 1), kNone, kNone},                                 false}, // entries 00..26
    {Storage::SmallTables,      0,   256,       1, {span(1, 10, 1), kNone, kNone},                                 false}, // entries 01..10
    {Storage::SmallTables,      0,   256,       1, {span(1, 4, 1), kNone, kNone},                                  false}, // entries 1..4
    {Storage::SmallTables,      0,   256,       1, {span(1, 8, 1), kNone, kNone},                                  false}, // entries 01..08
    {Storage::SmallTables,      0,   256,       1, {span(1, 16, 1), kNone, kNone},                                 false}, // entries 01..16
    {Storage::SmallTables,      0,   256,       1, {span(0, 15, 1), kNone, kNone},                                 false}, // entries 00..15
    {Storage::SmallTables,      0,   256,       1, {span(1, 4, 2), kNone, kNone},                                  false}, // 1..4, two bytes each
    {Storage::SmallTables,      0,   256,       2, {span(1, 2, 4), span(1, 4, 1), kNone},                          false}, // 1..2 × 1..4
    {Storage::SmallTables,      0,   256,       1, {span(1, 4, 5), kNone, kNone},                                  false}, // 1..4, five bytes each
}};

constexpr std::array<ValueRange, 3> kRanges = {{
    {0, kFieldRange}, // whatever the field's digits can hold
    {1, 2},           // the memory-count mode
    {1, 4},           // digits of a number
}};

// Switch variants of pair 0 (row byte 10): which switch byte the row's bit lives in.
enum : std::uint8_t {
    kSwitchTable = 1,       // switch pointer table at byte 11
    kSwitchTable32 = 2,     // ... at byte 11 + 32
    kFixedSwitch3 = 3,      // a fixed switch byte
    kSwitchTable40 = 6,     // ... at byte 11 + 40
    kSwitchTable58 = 7,     // ... at byte 11 + 58
    kSwitchTable63 = 9,     // ... at byte 11 + 63, raises the switch-changed marker
    kSwitchTable80 = 10,    // ... at byte 11 + 80
    kSwitchNotice40 = 11,   // ... at byte 11 + 40, raises the change notice
    kFixedSwitch22 = 22,    // a fixed switch byte, raises the switch-changed marker
};

// Variants of the two-digit pair 46 (row byte 10).
enum : std::uint8_t { kTwoDigitByte = 1, kTwoDigitMinutes = 2, kTwoDigitOtherByte = 3, kTwoDigitOneTo15 = 5 };

constexpr std::uint8_t O = kKindOrdinary;
constexpr std::uint8_t S = kKindSelectValue;

// Every item the program models. The rows of the commands that are not listed do nothing (pair
// 60). Defaults: 255 (or all ones) marks an unset number or address.
constexpr ItemDefinition kItems[] = {
    // cmd  {kind A/D          field 1        field 2        field 3        f4  f5  f6  back pair             area / variant            col  range / mask}     default
    // --- 0xx: dset-000 ---
    {   1, {O, fields(1, 1), digits(1, 1),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToTwo,         0, kRangeField},        0}, // operating-mode digit of entries 1 and 2
    {   3, {O, fields(1, 1), digits(2, 2),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallZeroTo26,         2, kRangeField},        0}, // service class per service 00..26 (kept out of the data-set files)
    {   9, {O, fields(1, 4), digits(1, 3),  digits(1, 1),  digits(1, 1),  digits(1, 1), digits(1, 1), 0, 1, kPairByteValues, kAreaTelephonePorts, 0, kRangeField}, 0}, // four option digits of a telephone
    {  80, {O, fields(1, 1), digits(1, 1),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaNumberingPlan,         0, kRangeOneToFour},    3}, // digits of the numbers that begin with the address digit
    {  81, {O, fields(1, 1), digits(2, 2),  digits(2, 2),  0,             0,  0,  0,  1, kPairByteValues, kAreaCodeTable,             0, kRangeField},      255}, // access code 00..11 (unset)
    {  83, {O, fields(0, 1), digits(2, 2),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaSettings,              0, kRangeField},        0}, // two-digit system setting ("*08300#" when absent)
    {  99, {O, fields(1, 5), digits(2, 2),  digits(2, 2),  digits(2, 2),  digits(2, 2), digits(2, 2), digits(2, 2), 1, kPairByteValues, kAreaSmallFivesOneToFour, 176, kRangeField}, 0}, // five two-digit values per entry 01..04
    // --- 1xx: dset-100, dset-180-1, dset-180-2, dset-181 ---
    { 120, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaMemoryMode,            0, kRangeOneOrTwo},     1}, // memory count of the common phonebook: 1 = 600, 2 = 990
    { 130, {O, fields(0, 1), digits(2, 2),  0,             0,             0,  0,  0,  0, kPairTwoDigit,   kTwoDigitByte,              0, 0},                  3}, // two-digit system timer
    { 163, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kFixedSwitch3,              0, 0x01},               0}, // system switch ("*1630#" when absent)
    { 164, {O, fields(0, 1), digits(5, 5),  0,             0,             0,  0,  0,  0, kPairWordValue,  kAreaSettings,              1, kRangeField},        0}, // five-digit system value ("*16400000#" when absent)
    { 168, {O, fields(1, 1), digits(2, 2),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToTen,        32, kRangeField},        0}, // digit per entry 01..10
    { 180, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaStationSlots,          0, kRangeField},        0}, // slot digit per station and slot 01..96
    { 181, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaSettings,              3, kRangeField},        0}, // one-digit system setting
    { 189, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchTable,               5, 0x04},               1}, // system switch ("*1890#" turns it off)
    // --- 3xx: dset-300 .. dset-313-4 ---
    { 302, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchTable32,             0, 0x01},               0}, // system switch
    { 305, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaExtensionPairs,        0, kRangeField},        0}, // digit per extension and entry 01..02
    { 310, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaExtensionSlots310,     0, kRangeField},        0}, // digit per extension and slot 01..48
    { 311, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaExtensionSlots311,     0, kRangeField},        0}, // digit per extension and slot 01..48
    { 312, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaExtensionSlots312,     0, kRangeField},        0}, // digit per extension and slot 01..96
    { 313, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaExtensionSlots313,     0, kRangeField},        0}, // digit per extension and slot 01..96
    { 314, {O, fields(1, 1), digits(1, 1),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToFour,       48, kRangeField},        0}, // digit per entry 1..4
    { 365, {O, fields(1, 1), digits(1, 2),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToSixteen,    64, kRangeField},        0}, // digit per entry 01..16
    { 366, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaExtensionSlots366,     0, kRangeField},        0}, // digit per extension and slot 01..96
    // --- 4xx: with the 3xx files ---
    { 400, {O, fields(1, 1), digits(2, 2),  digits(2, 2),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToEight,      96, kRangeField},        0}, // two-digit value per entry 01..08
    // --- 5xx: dset-500 ---
    { 500, {O, fields(1, 1), digits(1, 3),  digits(3, 3),  0,             0,  0,  0,  1, kPairWordValue,  kAreaStationPorts,         24, kRangeField},    65535}, // number a station forwards to (unset)
    // --- 6xx: dset-600, dset-600-1 ---
    { 625, {O, fields(0, 1), digits(2, 2),  0,             0,             0,  0,  0,  0, kPairTwoDigit,   kTwoDigitOneTo15,           0, 0},                  8}, // system count 1..15
    { 642, {O, fields(2, 1), digits(1, 3),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaStationPairs642,       0, kRangeField},        0}, // digit per station and entry 01..02
    { 643, {O, fields(1, 1), digits(1, 2),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToSixteen,   112, kRangeField},        0}, // digit per entry 01..16
    // --- 7xx: dset-700 ---
    { 700, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchTable40,             1, 0x02},               0}, // system switch
    { 727, {O, fields(1, 1), digits(1, 1),  digits(2, 2),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToFour,      128, kRangeField},        0}, // two-digit value per entry 1..4
    // --- 8xx: dset-800 ---
    { 800, {O, fields(1, 1), digits(1, 3),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaNumberedTable,         0, kRangeField},        0}, // digit per numbered entry 000..299 (marks its change block)
    { 820, {O, fields(1, 1), digits(2, 2),  digits(2, 2),  0,             0,  0,  0,  1, kPairByteValues, kAreaRouteTable,            0, kRangeField},      255}, // two-digit value per route 00..15 (unset)
    { 830, {O, fields(1, 2), digits(1, 1),  digits(1, 1),  digits(1, 1),  0,  0,  0,  1, kPairByteValues, kAreaSmallPairsOneToFour, 136, kRangeField},        0}, // two digits per entry 1..4
    { 831, {O, fields(1, 1), digits(3, 3),  digits(3, 3),  0,             0,  0,  0,  1, kPairByteValues, kAreaTelephoneTable,        0, kRangeField},        0}, // three-digit value per telephone
    // --- 9xxx: dset-9100, dset-9300 ---
    {9100, {O, fields(1, 1), digits(1, 2),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallZeroToFifteen,  144, kRangeField},        0}, // digit per entry 00..15
    {9112, {O, fields(3, 1), digits(1, 3),  digits(1, 1),  digits(1, 1),  digits(1, 1), 0, 0, 3, kPairByteValues, kAreaStationKeyPairs, 8, kRangeField},     0}, // digit per station, key bank 1..2 and key 1..2
    {9141, {O, fields(1, 1), digits(3, 3),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaStationPorts,         12, kRangeField},        0}, // digit per station
    {9200, {O, fields(2, 1), digits(1, 1),  digits(2, 2),  digits(1, 1),  0,  0,  0,  2, kPairByteValues, kAreaSmallTwoByFour,      160, kRangeField},        0}, // digit per bank 1..2 and entry 01..04
    {9205, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchTable58,             0, 0x01},               0}, // system switch
    {9224, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaSettings,              4, kRangeField},        0}, // one-digit system setting
    {9230, {O, fields(1, 1), digits(1, 1),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToFour,      168, kRangeField},        0}, // digit per entry 1..4
    {9242, {O, fields(0, 1), digits(2, 2),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaSettings,              5, kRangeField},        0}, // two-digit system setting
    {9251, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchTable63,             0, 0x01},               0}, // system switch (raises the switch-changed marker)
    {9262, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchTable80,             0, 0x01},               0}, // system switch
    {9271, {O, fields(0, 1), digits(1, 8),  0,             0,             0,  0,  0,  0, kPairLongValue,  kAreaSettings,              8, kRangeField},        0}, // up to eight-digit system value
    {9285, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaSettings,              6, kRangeField},        0}, // one-digit system setting
    {9290, {O, fields(1, 1), digits(1, 2),  digits(5, 5),  0,             0,  0,  0,  1, kPairWordValue,  kAreaGroupRecords,          0, kRangeField},    43690}, // two-byte field of group record 01..48 (AA AA)
    {9294, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kSwitchNotice40,            2, 0x10},               0}, // system switch (raises the change notice)
    {9300, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairSwitchBit,  kFixedSwitch22,             0, 0x01},               0}, // system switch (raises the switch-changed marker)
    {9335, {O, fields(0, 1), digits(2, 2),  0,             0,             0,  0,  0,  0, kPairTwoDigit,   kTwoDigitMinutes,           0, 0},                  5}, // time in two-minute steps, kept as value × 120
    {9336, {O, fields(0, 1), digits(2, 2),  0,             0,             0,  0,  0,  0, kPairTwoDigit,   kTwoDigitOtherByte,         0, 0},                  0}, // two-digit system setting
    {9400, {O, fields(1, 1), digits(1, 1),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaSmallOneToFour,      172, kRangeField},        0}, // digit per entry 1..4
    {9419, {S, fields(1, 1), digits(1, 3),  digits(1, 2),  0,             0,  0,  0,  0, kPairByteValues, kAreaStationPorts,         16, kRangeField},        0}, // up to two digits per station (shown, then changed)
    {9503, {O, fields(0, 1), digits(1, 1),  0,             0,             0,  0,  0,  0, kPairByteValues, kAreaSettings,              7, kRangeField},        0}, // one-digit system setting
    {9521, {O, fields(1, 1), digits(3, 3),  digits(1, 1),  0,             0,  0,  0,  1, kPairByteValues, kAreaStationPorts,         17, kRangeField},        0}, // digit per station
};
// clang-format on

// Rows per group, in group order: 0xx, 1xx, 3xx, 4xx, 5xx, 6xx, 7xx, 8xx, 91xx, 920x–921x,
// 922x–923x, 924x–925x, 926x–927x, 928x–929x, 93xx, 940x–943x, 948x, 949x, 950x–953x.
constexpr std::array<std::size_t, kCommandGroupCount> kGroupCounts = {
    100, 90, 97, 26, 25, 100, 34, 61, 44, 20, 20, 14, 20, 18, 93, 24, 0, 2, 40};

constexpr std::size_t commandRowCount() {
    std::size_t total = 0;
    for (std::size_t count : kGroupCounts) total += count;
    return total;
}
constexpr std::size_t kTableRows = commandRowCount() + kCommandGroupCount + 1;
static_assert(commandRowCount() == 828);

struct Place {
    bool found;
    std::size_t group;
    std::size_t offset;
};

// Group and place in the group of a command number (three digits below 1000, four from 9000).
constexpr Place placeOf(int command) {
    if (command < 0) return {false, 0, 0};
    std::size_t group = 0;
    int offset = 0;
    if (command < 900) {
        constexpr int kGroupOfHundreds[9] = {0, 1, -1, 2, 3, 4, 5, 6, 7};
        const int hundreds = command / 100;
        if (kGroupOfHundreds[hundreds] < 0) return {false, 0, 0};
        group = static_cast<std::size_t>(kGroupOfHundreds[hundreds]);
        offset = command % 100;
    } else if (command >= 9000 && command <= 9999) {
        const int hundreds = (command / 100) % 10;
        const int last = command % 100;
        switch (hundreds) {
        case 1:
            group = 8, offset = last;
            break;
        case 2: // 92xx: the tens digit picks one of five sub-groups
            group = 9 + static_cast<std::size_t>(last / 20), offset = last % 20;
            break;
        case 3:
            group = 14, offset = last;
            break;
        case 4:
            if (last < 40)
                group = 15, offset = last;
            else if (last >= 80 && last < 90)
                group = 16, offset = last - 80;
            else if (last >= 90)
                group = 17, offset = last - 90;
            else
                return {false, 0, 0};
            break;
        case 5:
            if (last >= 40) return {false, 0, 0};
            group = 18, offset = last;
            break;
        default:
            return {false, 0, 0};
        }
    } else {
        return {false, 0, 0};
    }
    if (static_cast<std::size_t>(offset) >= kGroupCounts[group]) return {false, 0, 0};
    return {true, group, static_cast<std::size_t>(offset)};
}

struct BuiltTable {
    std::array<CommandRow, kTableRows> rows{};
    std::array<CommandGroup, kCommandGroupCount> groups{};
    bool valid = true;
};

// A command without a handler: "#" shows through pair 60, which fails, so the display reads "--P".
constexpr CommandRow kNothingRow = {
    kKindOrdinary, fields(0, 1), digits(1, 1), 0, 0, 0, 0, 0, 0, kPairNothing, 0, 0, 0};
constexpr CommandRow kGroupEndRow = {kKindGroupEnd, 0, 0, 0, 0, 0, 0, 0, 0, kPairNothing, 0, 0, 0};

constexpr BuiltTable buildTable() {
    BuiltTable table;
    std::size_t next = 0;
    for (std::size_t group = 0; group < kCommandGroupCount; ++group) {
        table.groups[group] = {next, kGroupCounts[group]};
        for (std::size_t i = 0; i < kGroupCounts[group]; ++i) table.rows[next++] = kNothingRow;
        table.rows[next++] = kGroupEndRow;
    }
    table.rows[next++] = kNothingRow;
    if (next != kTableRows) table.valid = false;
    for (const ItemDefinition& item : kItems) {
        const Place place = placeOf(item.command);
        if (!place.found) {
            table.valid = false;
            continue;
        }
        CommandRow& row = table.rows[table.groups[place.group].first + place.offset];
        if (row[rowbyte::kPair] != kPairNothing) table.valid = false; // defined twice
        row = item.row;
    }
    return table;
}

constexpr BuiltTable kTable = buildTable();
static_assert(kTable.valid, "every item has a place of its own in the command table");

} // namespace

std::span<const CommandRow> commandRows() {
    return kTable.rows;
}
std::size_t noCommandRow() {
    return kTableRows - 1;
}
std::span<const CommandGroup> commandGroups() {
    return kTable.groups;
}

std::size_t rowIndexOf(int command) {
    const Place place = placeOf(command);
    if (!place.found) return noCommandRow();
    return kTable.groups[place.group].first + place.offset;
}

std::size_t rowIndexOf(std::string_view digitsText) {
    const bool fourDigits = !digitsText.empty() && digitsText.front() == '9';
    if (digitsText.size() != (fourDigits ? 4u : 3u)) return noCommandRow();
    int command = 0;
    for (char c : digitsText) {
        if (c < '0' || c > '9') return noCommandRow();
        command = command * 10 + (c - '0');
    }
    return rowIndexOf(command);
}

const CommandRow& rowOf(int command) {
    return kTable.rows[rowIndexOf(command)];
}

std::string commandDigits(int command) {
    char text[8];
    std::snprintf(text, sizeof text, command >= 1000 ? "%04d" : "%03d", command < 0 ? 0 : command % 10000);
    return text;
}

std::span<const ItemDefinition> definedItems() {
    return kItems;
}
std::span<const AreaDescriptor> areas() {
    return kAreas;
}

const AreaDescriptor* areaOf(std::uint8_t code) {
    return code < kAreas.size() ? &kAreas[code] : nullptr;
}

std::span<const ValueRange> valueRanges() {
    return kRanges;
}

} // namespace rk::image
