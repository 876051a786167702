// Conversion between the UTF-8 of our source files and terminals and the CP932 (Shift-JIS) bytes
// of the system's own data. Everything that belongs to the data is held as CP932 bytes; only
// the edges (widgets, terminal) see UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rk::text {

// Converts UTF-8 to CP932. Characters that CP932 cannot hold and malformed UTF-8 yield nullopt.
std::optional<std::string> tryToCp932(std::string_view utf8);

// Converts UTF-8 to CP932, putting "?" in place of anything that cannot be converted.
// Meant for the program's own fixed texts, which always convert.
std::string toCp932(std::string_view utf8);

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
