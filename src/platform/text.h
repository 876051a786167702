// Conversion between the UTF-8 of our source files and terminals and the CP932 (Shift-JIS) bytes
// of the system's own data. Everything that belongs to the data is held as CP932 bytes; only
// the edges (widgets, terminal) see UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::text {

// Converts UTF-8 to CP932. Characters that CP932 cannot hold and malformed UTF-8 yield nullopt.
std::optional<std::string> tryToCp932(std::string_view utf8);

// Converts UTF-8 to CP932, putting "?" in place of anything that cannot be converted.
// Meant for the program's own fixed texts, which always convert.
std::string toCp932(std::string_view utf8);

// A character of UTF-8 text from outside that CP932 cannot hold (or a malformed sequence), and
// where its blank stands in the converted text.
struct BlankedCharacter {
    std::size_t offset = 0; // in the converted text
    std::string original;   // the UTF-8 bytes it replaced
};

// Converts UTF-8 text that came from elsewhere (a file saved by another program) to CP932. Each
// character CP932 cannot hold, and each malformed sequence, becomes one blank; `blanked`, when
// given, receives every such blank in order.
std::string toCp932WithBlanks(std::string_view utf8, std::vector<BlankedCharacter>* blanked);

// The first character of a UTF-8 text. A malformed sequence (a stray continuation byte, a lead
// byte without its continuation bytes, an overlong form, a surrogate, anything beyond U+10FFFF)
// is not well formed and spans its lead byte and the continuation bytes that follow it, at
// least one byte, so that a broken character never swallows the comma or line end after it.
struct Utf8Character {
    char32_t codePoint = 0; // U+FFFD when not well formed
    std::size_t length = 0; // 0 only for an empty text
    bool wellFormed = false;
};
Utf8Character firstUtf8Character(std::string_view utf8);

// Converts CP932 to UTF-8; bytes that are not valid CP932 become U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

// True when the byte starts a double-byte character in Shift-JIS.
constexpr bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// True when the byte can be the second byte of a double-byte character.
constexpr bool isTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

} // namespace rk::text
