// Telephone numbers as the main unit dials them: digits (and * #) of at most 24 characters, a
// number in Japan with its leading 0, a number abroad as 010 + country code + national number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

constexpr std::size_t kNumberCharacters = 24;
constexpr std::size_t kShortNumberDigits = 6;

struct DialNumber {
    bool valid = false;
    bool isShort = false;
    std::string dialable;             // ASCII, when valid
    std::vector<std::string> changes; // what became of the number as given, and why
    std::string problem;              // why it is not valid
};

// Makes a number dialable from Japan: hyphens, blanks, brackets and the like go, full-width
// digits become ASCII; a short number (at most 6 digits) stays as it is; a longer one must be
// valid for Japan (+81 becomes 0) or for its own country (010 + country code + national number);
// the prefix, when given, goes in front of every number that is not short.
DialNumber makeDialable(std::string_view utf8, std::string_view prefix);

} // namespace rk::contacts
