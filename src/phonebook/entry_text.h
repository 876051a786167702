// The text form in which entries pass in and out of the phonebook: 71 bytes laid out like a
// stored entry, with the number as characters instead of digit codes.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace rk::phonebook {

struct EntryText {
    std::array<char, 25> number{};    // at most 24 dialling characters, zero-terminated
    std::array<char, 21> kanaName{};  // at most 20 bytes, zero-terminated
    std::array<char, 21> kanjiName{}; // at most 20 bytes of Shift-JIS, zero-terminated
    char group = 0;                   // a load gives "0".."7"; a store takes the low three bits
    std::array<char, 3> reserved{};

    // Builds a text from its parts; each part is cut to what its field holds.
    static EntryText make(std::string_view number, std::string_view kana, std::string_view kanji,
                          char group = '1');

    std::string numberText() const;
    std::string kanaText() const;
    std::string kanjiText() const;
};
static_assert(sizeof(EntryText) == 71, "the text form has the size of a stored entry");

} // namespace rk::phonebook
