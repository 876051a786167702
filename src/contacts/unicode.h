// UTF-8 for the contact readers: contact lists arrive in UTF-8, Shift-JIS or whatever charset a
// vCard names, and are read as UTF-8 until a name or reading goes into the phonebook, where it
// becomes CP932 bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rk::contacts {

// One character of UTF-8 text: its code point and how many bytes it took. A malformed sequence
// reads as U+FFFD of one byte, so that a walk always goes on.
struct Utf8Character {
    char32_t codePoint = 0;
    std::size_t length = 1;
};
Utf8Character decodeUtf8(std::string_view text);

void appendUtf8(std::string& text, char32_t codePoint);

bool isValidUtf8(std::string_view text);

// Text in a named charset as UTF-8: "UTF-8", the Shift-JIS family (SHIFT_JIS, SJIS, CP932,
// WINDOWS-31J, MS_KANJI) and anything else iconv knows. nullopt when the charset is unknown or
// the text does not convert.
std::optional<std::string> decodeCharset(std::string_view bytes, std::string_view charset);

// Text without a charset of its own: UTF-8 when it is valid UTF-8 (a leading byte-order mark
// dropped), UTF-16 when it starts with that byte-order mark, otherwise Shift-JIS, whose
// undecodable bytes become U+FFFD.
std::string decodeUnlabelled(std::string_view bytes);

// The text with blanks (ASCII, the ideographic space, tabs and line ends) taken off both ends.
std::string_view trimBlanks(std::string_view text);

// Where the first blank (ASCII or ideographic) stands, npos when none.
std::size_t findBlank(std::string_view text);

} // namespace rk::contacts
