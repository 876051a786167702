// The 4-bit digit codes in which telephone numbers are packed, two per byte, low nibble first.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rk::phonebook {

constexpr int kMaxNumberDigits = 24;
constexpr int kPackedNumberBytes = 12;

// "1".."9" → 1..9, "0" → 10, "*" 11, "#" 12, "P" 13, "-" 14, "M" 15; anything else 0 (the end).
// A table, since every character of every number stored goes through it.
constexpr std::array<std::uint8_t, 256> kDigitCodes = [] {
    std::array<std::uint8_t, 256> codes{};
    for (std::size_t digit = 1; digit <= 9; ++digit) codes['0' + digit] = static_cast<std::uint8_t>(digit);
    codes[static_cast<unsigned char>('0')] = 10;
    codes[static_cast<unsigned char>('*')] = 11;
    codes[static_cast<unsigned char>('#')] = 12;
    codes[static_cast<unsigned char>('P')] = 13;
    codes[static_cast<unsigned char>('-')] = 14;
    codes[static_cast<unsigned char>('M')] = 15;
    return codes;
}();

constexpr std::uint8_t digitCode(char character) {
    return kDigitCodes[static_cast<unsigned char>(character)];
}

// The character of a code; the end code shows as a blank.
constexpr char digitCharacter(std::uint8_t code) {
    constexpr char characters[16] = {' ', '1', '2', '3', '4', '5', '6', '7',
                                     '8', '9', '0', '*', '#', 'P', '-', 'M'};
    return characters[code & 15];
}

// The code of digit i (0..23) of a packed number.
inline std::uint8_t codeAt(const std::uint8_t* packed, int i) {
    std::uint8_t byte = packed[i / 2];
    return (i % 2 == 0) ? (byte & 15) : static_cast<std::uint8_t>(byte >> 4);
}

// The number as a load returns it: the digits up to the first end code.
std::string decodeNumber(const std::uint8_t* packed);

// True when two packed numbers read the same up to their first end code.
bool sameNumber(const std::uint8_t* a, const std::uint8_t* b);

} // namespace rk::phonebook
