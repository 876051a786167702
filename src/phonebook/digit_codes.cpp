#include "phonebook/digit_codes.h"

namespace rk::phonebook {

std::string decodeNumber(const std::uint8_t* packed) {
    std::string text;
    for (int i = 0; i < kMaxNumberDigits; ++i) {
        std::uint8_t code = codeAt(packed, i);
        if (code == 0) break;
        text.push_back(digitCharacter(code));
    }
    return text;
}

bool sameNumber(const std::uint8_t* a, const std::uint8_t* b) {
    for (int i = 0; i < kMaxNumberDigits; ++i) {
        std::uint8_t code = codeAt(a, i);
        if (code != codeAt(b, i)) return false;
        if (code == 0) return true;
    }
    return true;
}

} // namespace rk::phonebook
