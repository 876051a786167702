// The data image: the system's copy of everything the main unit can be programmed with, set to
// the factory state at start-up and changed afterwards only by commands, file loads and browser
// forms. The workspace owns it.
#pragma once

#include "image/key_store.h"
#include "image/speed_dial_tables.h"

#include <array>
#include <cstdint>

namespace rk::image {

constexpr std::size_t kConsoleCount = 216;
constexpr std::size_t kConsoleRecordSize = 80;
constexpr std::size_t kConsoleControlSize = 96;
constexpr std::size_t kPortCount = 216;
constexpr std::size_t kPortRecordSize = 48;
constexpr std::size_t kGroupCount = 48;
constexpr std::size_t kGroupRecordSize = 20;
constexpr std::uint8_t kConsoleIdleMark = 163;
constexpr std::uint8_t kNotSet = 255;
constexpr std::array<std::uint8_t, 4> kSignature = {0x00, 0x5A, 0xA5, 0xFF};

using ConsoleRecord = std::array<std::uint8_t, kConsoleRecordSize>;

// Identification texts written into the header line of every data file, blank-padded.
struct HeaderTexts {
    std::array<std::array<char, 24>, 4> text24;
    std::array<char, 72> text72;
    std::array<char, 6> text6;
    std::array<char, 10> text10;
};

// Settings of the main unit that the command engine reads and writes, grouped by the shape of
// the table that holds them. Which item sits where is decided by the command table.
struct SystemData {
    std::array<std::array<std::uint8_t, kPortRecordSize>, kPortCount> portRecords;
    std::array<std::array<std::uint8_t, kGroupRecordSize>, kGroupCount> groupRecords;
    std::array<std::uint8_t, 16> table16;
    std::array<std::uint8_t, 96> table96;
    std::array<std::uint8_t, 108> table108;
    std::array<std::uint8_t, 12> table12;
    std::array<std::uint8_t, 10> table10;
    std::array<std::uint8_t, 1408> blockArea; // filled as a whole
    std::array<std::array<std::uint16_t, 217>, 2> wordTables;
    std::array<std::array<std::uint8_t, 27>, 2> table27;
    std::array<std::uint8_t, 1024> singleBytes; // single-byte settings and flags
    std::array<std::uint16_t, 64> singleWords;  // 16-bit settings
    std::array<std::uint8_t, 28672> slotArea;   // two-address tables (station × slot)
    std::array<std::uint8_t, 300> entryTable;   // the numbered table watched by changeFlags
    std::array<std::uint8_t, 256> smallTables;  // short addressed tables of the command table
};

// Indexes into SystemData::singleBytes / singleWords of the settings that start-up itself sets.
namespace setting {
constexpr std::size_t kByte127 = 0;       // set to 127 at start-up
constexpr std::size_t kStartupFlags = 1;  // bit 5 set, bit 4 cleared at start-up
constexpr std::size_t kCharacterZero = 2; // the character "0" at start-up
constexpr std::size_t kFollowUpFlag = 3;  // set to 1, then its initialiser runs
constexpr std::size_t kPendingInit = 4;   // non-zero: run its initialiser and clear it
constexpr std::size_t kModeFlags = 5;     // two low bits request area initialisers
constexpr std::size_t kWord8080 = 0;      // 16-bit setting set to 8080

// Settings of the command table's handlers (see image/command_table.cpp for the items).
constexpr std::size_t kSwitchTable = 64; // 128 bytes reached through the switch pointer table
constexpr std::size_t kSwitchTableSize = 128;
constexpr std::size_t kFixedSwitches = 192; // 32 bytes, one per fixed switch variant
constexpr std::size_t kFixedSwitchCount = 32;
constexpr std::size_t kTwoDigitVariant1 = 224; // byte settings of the two-digit pair
constexpr std::size_t kTwoDigitVariant3 = 225;
constexpr std::size_t kTwoDigitVariant5 = 226;
constexpr std::size_t kSwitchMarker = 227;  // 255 after a switch of variant 26 was set
constexpr std::size_t kSwitchChanged = 228; // 255 after a switch of variant 9 or 22 was stored
constexpr std::size_t kChangeNotice = 229;  // 7 after a switch of variant 11 was stored
constexpr std::size_t kSettingArea = 256;   // 512 bytes of unaddressed values, placed by the table
constexpr std::size_t kSettingAreaSize = 512;
constexpr std::size_t kTwoDigitWord = 1; // 16-bit setting of the two-digit pair (value × 120)
} // namespace setting

struct DataImage {
    // Keypad consoles of the command engine.
    std::array<std::uint8_t, kConsoleControlSize> consoleControl;
    std::array<ConsoleRecord, kConsoleCount> consoles;

    SystemData system;
    HeaderTexts headerTexts;
    std::array<std::uint8_t, 4> signatureA;
    std::array<std::uint8_t, 4> signatureB;
    std::array<std::uint8_t, 6> changeFlags; // one per block of 50 entries of a numbered table

    // 1 = 600 common memories and 20 per telephone, 2 = 990 and 10 per telephone.
    std::uint8_t memoryMode;

    PhonebookArea workingCopy;
    PhonebookArea backupCopy;
    NumberIndex numberIndex;
    FreeEntryStats freeEntries;

    // One-touch and anything-key settings of the telephones (image/key_store.h); all clear after
    // initialiseImage.
    KeyTable keys;
};

// Sets the whole image to the factory state, in the order the main unit itself does it.
void initialiseImage(DataImage& image);

// Stores the default value of every programmable item the program models.
void writeFactoryDefaults(DataImage& image);

// Empties the common phonebook of the working copy for a layout: zero, group 1, no index.
void clearSystemSpeedDialTables(DataImage& image, Layout layout);

} // namespace rk::image
