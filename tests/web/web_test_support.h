// Reading a data script back as a Shift-JIS browser would, and writing values into a form body
// the way a browser submits them, for the tests of the edit pages' round trip.
#pragma once

#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::testing {

// The strings of the arVals array, unescaped; nullopt when the array is not well formed (a
// quotation mark that a double-byte character swallowed would show up here).
inline std::optional<std::vector<std::string>> scriptValues(std::string_view script) {
    const std::size_t start = script.find("arVals=[");
    if (start == std::string_view::npos) return std::nullopt;
    std::size_t at = start + 8;
    std::vector<std::string> values;
    if (script.substr(at, 2) == "];") return values;
    if (script.substr(at, 2) != " \"") return std::nullopt;
    ++at;
    for (;;) {
        if (at >= script.size() || script[at] != '"') return std::nullopt;
        ++at;
        std::string value;
        for (;;) {
            if (at >= script.size()) return std::nullopt;
            const auto byte = static_cast<unsigned char>(script[at]);
            if (text::isLeadByte(byte) && at + 1 < script.size() &&
                text::isTrailByte(static_cast<unsigned char>(script[at + 1]))) {
                value += script.substr(at, 2);
                at += 2;
            } else if (byte == '\\') {
                if (at + 1 >= script.size()) return std::nullopt;
                const char escaped = script[at + 1];
                if (escaped == 'x') {
                    if (at + 3 >= script.size()) return std::nullopt;
                    value += static_cast<char>(std::stoi(std::string(script.substr(at + 2, 2)), nullptr, 16));
                    at += 4;
                } else {
                    value += escaped;
                    at += 2;
                }
            } else if (byte == '"') {
                ++at;
                break;
            } else if (byte < 0x20) {
                return std::nullopt; // a raw control byte would break the script
            } else {
                value += script[at++];
            }
        }
        values.push_back(value);
        if (script.substr(at, 2) == "];") return values;
        if (at >= script.size() || script[at] != ',') return std::nullopt;
        ++at;
    }
}

// Every byte as %XX, as a browser sends a form field's Shift-JIS bytes.
inline std::string formEncoded(std::string_view value) {
    std::string encoded;
    char escape[4];
    for (char c : value) {
        std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
        encoded += escape;
    }
    return encoded;
}

// A factory-fresh image and default options for every web test.
class WebTest : public ::testing::Test {
protected:
    Workspace& ws() { return workspace_; }
    image::DataImage& img() { return workspace_.image(); }
    InterfaceFlags& flags() { return workspace_.flags(); }

    void storeSystem(int memory, std::string_view number, std::string_view kana, std::string_view kanji,
                     char group) {
        phonebook::EntryText text = phonebook::EntryText::make(number, kana, kanji, group);
        ASSERT_TRUE(phonebook::storeSystemEntry(workspace_, memory, text));
    }

    phonebook::EntryText loadedSystem(int memory, phonebook::Copy copy = phonebook::Copy::Working) {
        phonebook::EntryText text;
        phonebook::loadSystemEntry(workspace_, memory, text, copy);
        return text;
    }

private:
    Workspace workspace_;
};

} // namespace rk::testing
