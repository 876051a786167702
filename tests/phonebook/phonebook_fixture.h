// A factory-fresh workspace for every phonebook test, and byte access to the phonebook areas.
#pragma once

#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace rk::testing {

class PhonebookTest : public ::testing::Test {
protected:
    Workspace& ws() { return workspace_; }
    image::DataImage& img() { return workspace_.image(); }
    InterfaceFlags& flags() { return workspace_.flags(); }
    phonebook::DuplicateReport& report() { return workspace_.duplicateReport(); }

    const std::uint8_t* workingBytes() {
        return reinterpret_cast<const std::uint8_t*>(img().workingCopy.data());
    }
    const std::uint8_t* backupBytes() {
        return reinterpret_cast<const std::uint8_t*>(img().backupCopy.data());
    }

    void setMode(int mode) { img().memoryMode = static_cast<std::uint8_t>(mode); }

    bool storeSystem(int memory, const std::string& number, const std::string& kana = "",
                     const std::string& kanji = "", char group = '1') {
        phonebook::EntryText text = phonebook::EntryText::make(number, kana, kanji, group);
        return phonebook::storeSystemEntry(ws(), memory, text);
    }

    std::string loadedNumber(int memory, phonebook::Copy copy = phonebook::Copy::Working) {
        phonebook::EntryText text;
        phonebook::loadSystemEntry(ws(), memory, text, copy);
        return text.numberText();
    }

private:
    Workspace workspace_;
};

} // namespace rk::testing
