#include "image/data_image.h"

#include "image/command_handlers.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace rk::image {
namespace {

static_assert(std::is_trivially_copyable_v<DataImage>, "the image is plain data");

// Port records: the first half holds class and option bytes (0 when new), the second half the
// number and address fields, which start as "not set".
constexpr std::size_t kPortAddressStart = 24;
// Group records start with a two-byte field whose factory value is 0xAA 0xAA.
constexpr std::uint8_t kTwoByteDefault = 170;

void initialiseArea(DataImage& image, int area) {
    SystemData& data = image.system;
    switch (area) {
    case 0:
        for (auto& record : data.portRecords) record.fill(0);
        break;
    case 1:
        for (auto& record : data.groupRecords) record.fill(0);
        break;
    case 2:
        data.table16.fill(0);
        data.table96.fill(0);
        data.table108.fill(0);
        data.table12.fill(0);
        data.table10.fill(0);
        break;
    default:
        break;
    }
}

// The areas the first defaults writer does not reach.
void writeRemainingDefaults(DataImage& image) {
    image.system.blockArea.fill(kNotSet);
}

// Runs after the follow-up flag is raised: the two-byte fields of the group records.
void followUpInitialise(DataImage& image) {
    for (auto& record : image.system.groupRecords) {
        record[0] = kTwoByteDefault;
        record[1] = kTwoByteDefault;
    }
}

// A pending request to re-initialise the small tables.
void pendingInitialise(DataImage& image) {
    initialiseArea(image, 2);
}

// Every memory of the largest common phonebook is checked once, which leaves fresh free-entry
// statistics behind.
void initialiseEntries(DataImage& image) {
    FreeEntryStats stats;
    stats.tableSize = geometryOf(layoutOf(image.memoryMode)).systemMemories;
    for (int memory = 0; memory < 1000; ++memory) {
        if (!image.workingCopy[static_cast<std::size_t>(memory)].empty()) continue;
        if (memory < stats.tableSize) {
            ++stats.freeCount;
            if (stats.firstFree < 0) stats.firstFree = memory;
        }
    }
    image.freeEntries = stats;
}

void blank(auto& field) {
    std::fill(field.begin(), field.end(), ' ');
}

} // namespace

void writeFactoryDefaults(DataImage& image) {
    SystemData& data = image.system;
    for (auto& record : data.portRecords) {
        std::fill(record.begin(), record.begin() + kPortAddressStart, 0);
        std::fill(record.begin() + kPortAddressStart, record.end(), kNotSet);
    }
    for (auto& record : data.groupRecords) {
        record.fill(0);
        record[0] = kTwoByteDefault;
        record[1] = kTwoByteDefault;
    }
    data.table16.fill(kNotSet);
    data.table96.fill(0);
    data.table108.fill(0);
    data.table12.fill(kNotSet);
    data.table10.fill(0);
    // Every item of the command table gets its own default on top of the table defaults above.
    applyFactoryDefaults(image);
}

void clearSystemSpeedDialTables(DataImage& image, Layout layout) {
    if (layout == Layout::None) return;
    const auto slotCount = static_cast<std::size_t>(geometryOf(layout).systemSlots);
    for (std::size_t slot = 0; slot < slotCount; ++slot) {
        image.workingCopy[slot] = SpeedDialEntry{};
        image.workingCopy[slot].group = 1;
    }
    image.numberIndex.fill(0);
}

void initialiseImage(DataImage& image) {
    // Start from the all-zero image the process begins with, so that a second initialisation
    // gives the same bytes as the first.
    std::memset(static_cast<void*>(&image), 0, sizeof image);

    image.consoleControl.fill(0);
    for (ConsoleRecord& console : image.consoles) {
        console.fill(0);
        console[0] = kConsoleIdleMark;
    }

    auto& bytes = image.system.singleBytes;
    bytes[setting::kByte127] = 127;
    bytes[setting::kStartupFlags] = static_cast<std::uint8_t>((bytes[setting::kStartupFlags] | 0x20) & ~0x10);
    bytes[setting::kCharacterZero] = '0';

    for (int area = 0; area < 3; ++area) initialiseArea(image, area);

    writeFactoryDefaults(image);
    writeRemainingDefaults(image);

    bytes[setting::kFollowUpFlag] = 1;
    followUpInitialise(image);
    if (bytes[setting::kPendingInit] != 0) {
        pendingInitialise(image);
        bytes[setting::kPendingInit] = 0;
    }

    image.memoryMode = 1;
    clearSystemSpeedDialTables(image, Layout::Memories600);

    image.signatureA = kSignature;
    image.signatureB = kSignature;

    if (std::uint8_t requested = bytes[setting::kModeFlags] & 3; requested != 0) {
        bytes[setting::kModeFlags] &= static_cast<std::uint8_t>(~3);
        if (requested & 1) initialiseArea(image, 0);
        if (requested & 2) initialiseArea(image, 1);
    }

    initialiseEntries(image);

    for (auto& text : image.headerTexts.text24) blank(text);
    blank(image.headerTexts.text72);
    blank(image.headerTexts.text6);
    blank(image.headerTexts.text10);

    image.changeFlags.fill(0);
    for (auto& table : image.system.wordTables) table.fill(0);

    for (auto& table : image.system.table27) table.fill(kNotSet);

    image.system.singleWords[setting::kWord8080] = 8080;
}

} // namespace rk::image
