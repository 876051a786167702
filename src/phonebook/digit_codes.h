// The 4-bit digit codes in which telephone numbers are packed, two per byte, low nibble first.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rk::phonebook {

constexpr int kMaxNumberDigits = 24;
constexpr int kPackedNumberBytes = 12;

// "1".."9" → 1..9, "0" → 10, "*" 11, "#" 12, "P" 13, "-" 14, "M" 15; anything else 0 (the end).
constexpr std::uint8_t digitCode(char character) {
    switch (character) {
    case '0':
        return 10;
    case '*':
        return 11;
    case '#':
        return 12;
    case 'P':
        return 13;
    case '-':
        return 14;
    case 'M':
        return 15;
    default:
        return (character >= '1' && character <= '9') ? static_cast<std::uint8_t>(character - '0') : 0;
    }
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
