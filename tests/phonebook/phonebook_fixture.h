// A factory-fresh image for every phonebook test, and byte access to the phonebook areas.
#pragma once

#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace rk::testing {

class PhonebookTest : public ::testing::Test {
protected:
    void SetUp() override {
        image::initialiseImage(image::dataImage());
        sharedState() = SharedState{};
        phonebook::resetDuplicateReport();
    }

    static image::DataImage& img() { return image::dataImage(); }

    static const std::uint8_t* workingBytes() {
        return reinterpret_cast<const std::uint8_t*>(img().workingCopy.data());
    }
    static const std::uint8_t* backupBytes() {
        return reinterpret_cast<const std::uint8_t*>(img().backupCopy.data());
    }

    static void setMode(int mode) { img().memoryMode = static_cast<std::uint8_t>(mode); }

    static bool storeSystem(int memory, const std::string& number, const std::string& kana = "",
                            const std::string& kanji = "", char group = '1') {
        phonebook::EntryText text = phonebook::EntryText::make(number, kana, kanji, group);
        return phonebook::storeSystemEntry(memory, text);
    }

    static std::string loadedNumber(int memory, phonebook::Copy copy = phonebook::Copy::Working) {
        phonebook::EntryText text;
        phonebook::loadSystemEntry(memory, text, copy);
        return text.numberText();
    }
};

} // namespace rk::testing
