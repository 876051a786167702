// Digits read out of protocol texts, names and stamps.
#pragma once

#include <cstddef>
#include <string_view>

namespace rk::text {

// The value of a hexadecimal digit (either case); -1 for any other character.
constexpr int hexValue(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    return -1;
}

// The decimal number that `count` digits (at most nine) make from `at` on; -1 when the text ends
// before them or one of them is not a digit.
constexpr int digitsAt(std::string_view text, std::size_t at, std::size_t count) {
    if (at > text.size() || count > text.size() - at) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace rk::text
