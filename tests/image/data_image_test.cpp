#include "image/data_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace rk::image;

namespace {

bool sameBytes(const DataImage& a, const DataImage& b) {
    return std::memcmp(&a, &b, sizeof(DataImage)) == 0;
}

} // namespace

TEST(DataImage, StartUpStateIsTheFactoryState) {
    const auto owned = std::make_unique<DataImage>();
    DataImage& image = *owned;
    initialiseImage(image);
    for (const ConsoleRecord& console : image.consoles) {
        EXPECT_EQ(console[0], 163);
        EXPECT_EQ(console[1], 0);
    }
    EXPECT_EQ(image.memoryMode, 1);
    EXPECT_EQ(image.signatureA, (std::array<std::uint8_t, 4>{0x00, 0x5A, 0xA5, 0xFF}));
    EXPECT_EQ(image.signatureB, (std::array<std::uint8_t, 4>{0x00, 0x5A, 0xA5, 0xFF}));
    for (const auto& text : image.headerTexts.text24)
        EXPECT_EQ(std::string(text.begin(), text.end()), std::string(24, ' '));
    EXPECT_EQ(std::string(image.headerTexts.text72.begin(), image.headerTexts.text72.end()),
              std::string(72, ' '));
    EXPECT_EQ(std::string(image.headerTexts.text6.begin(), image.headerTexts.text6.end()),
              std::string(6, ' '));
    EXPECT_EQ(std::string(image.headerTexts.text10.begin(), image.headerTexts.text10.end()),
              std::string(10, ' '));
    EXPECT_EQ(image.changeFlags, (std::array<std::uint8_t, 6>{}));
    for (const auto& table : image.system.table27)
        for (std::uint8_t value : table) EXPECT_EQ(value, 255);
    EXPECT_EQ(image.system.singleWords[setting::kWord8080], 8080);
    EXPECT_EQ(image.system.singleBytes[setting::kByte127], 127);
    EXPECT_EQ(image.system.singleBytes[setting::kStartupFlags] & 0x30, 0x20);
    EXPECT_EQ(image.system.singleBytes[setting::kCharacterZero], '0');
}

TEST(DataImage, StartUpLeavesAnEmptySixHundredMemoryPhonebook) {
    const auto owned = std::make_unique<DataImage>();
    DataImage& image = *owned;
    initialiseImage(image);
    for (std::size_t memory = 0; memory < 600; ++memory) {
        EXPECT_TRUE(image.workingCopy[memory].empty());
        EXPECT_EQ(image.workingCopy[memory].group, 1) << memory;
    }
    // The telephone blocks behind the common phonebook hold zeros, group included.
    EXPECT_EQ(image.workingCopy[600].group, 0);
    EXPECT_EQ(image.numberIndex, NumberIndex{});
    EXPECT_EQ(image.freeEntries.freeCount, 600);
    EXPECT_EQ(image.freeEntries.firstFree, 0);
    EXPECT_EQ(image.freeEntries.tableSize, 600);
}

TEST(DataImage, UnsetAddressFieldsStartAsNotSet) {
    const auto owned = std::make_unique<DataImage>();
    DataImage& image = *owned;
    initialiseImage(image);
    for (const auto& record : image.system.portRecords) {
        EXPECT_EQ(record.front(), 0);
        EXPECT_EQ(record.back(), 255);
    }
}

TEST(DataImage, InitialisingTwiceGivesTheSameBytes) {
    auto first = std::make_unique<DataImage>();
    auto second = std::make_unique<DataImage>();
    initialiseImage(*first);
    // Dirty the second image everywhere the program may write before initialising it.
    std::memset(static_cast<void*>(second.get()), 0x5C, sizeof(DataImage));
    initialiseImage(*second);
    EXPECT_TRUE(sameBytes(*first, *second));
    initialiseImage(*second);
    EXPECT_TRUE(sameBytes(*first, *second));
}

TEST(DataImage, FactoryDefaultsAreIdempotent) {
    auto image = std::make_unique<DataImage>();
    initialiseImage(*image);
    auto copy = std::make_unique<DataImage>(*image);
    writeFactoryDefaults(*copy);
    writeFactoryDefaults(*copy);
    EXPECT_TRUE(sameBytes(*image, *copy));
}
