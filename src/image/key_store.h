// The key settings of the telephones: one-touch keys and anything keys, kept in the data image.
//
// A key is programmed with a key string, the form in which the download converters hand over
// each key of the main unit:
//
//   one-touch key   "i92_" PPP "_" KK [ "-" T ] [ "," T ]
//   anything key    "i14_" PPP "_" KK "n" [ "_" T' ]
//
// PPP (characters 4–6) is the telephone position 101..200, KK (characters 8–9) the key number
// 00..99. What follows character 9 is the key's setting text and is kept as it is, at most
// kKeySettingTextSize bytes. T is a non-empty token of printable bytes (0x20..0xFF but 0x7F)
// without "s", "-", "_", "@" and ","; T' may be empty and may also hold "-", but no "(" or ")",
// and once it holds "<" only "<" and ">" may follow. These are the strings the converters
// build from a well-formed key of the main unit, and each of them can be written back in the
// main unit's form and read again unchanged. Anything else is refused and changes nothing.
//
// Layout: one fixed slot per kind, position and key number (2 × 100 × 100 slots of 42 bytes),
// cleared with the rest of the image at start-up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rk::image {

struct DataImage;

enum class KeyKind : std::uint8_t { OneTouch = 0, Anything = 1 };
constexpr std::size_t kKeyKindCount = 2;

constexpr int kFirstKeyPosition = 101;
constexpr int kLastKeyPosition = 200;
constexpr std::size_t kKeyPositionCount = kLastKeyPosition - kFirstKeyPosition + 1;
constexpr int kKeyNumberCount = 100; // two decimal digits
constexpr std::size_t kKeySettingTextSize = 40;

struct KeySetting {
    std::uint8_t programmed; // 1 once a key string stored this key
    std::uint8_t length;     // bytes of text in use
    std::array<char, kKeySettingTextSize> text;
};
static_assert(sizeof(KeySetting) == 2 + kKeySettingTextSize, "key slots are fixed-size");

struct KeyTable {
    std::array<KeySetting, kKeyKindCount * kKeyPositionCount * kKeyNumberCount> settings;
};
static_assert(sizeof(KeyTable) == 840000, "the key table is fixed-size");

// Results of programKey.
constexpr int kKeyStored = 0;
constexpr int kKeyMalformed = 1;  // not a key string of either form
constexpr int kKeyOutOfRange = 2; // position or key number outside the table
constexpr int kKeyTooLong = 3;    // setting text longer than a slot holds

// The key-programming routine: stores one key string into its slot. kKeyStored, or the reason
// the string was refused (the table is then unchanged).
int programKey(DataImage& image, std::string_view keyString);

// The slot of a key; nullptr for a position or key number outside the table.
const KeySetting* keySetting(const DataImage& image, KeyKind kind, int position, int keyNumber);

std::string_view settingText(const KeySetting& setting);

// The key string that programs this key as it is stored (empty when it is not programmed).
std::string keyString(KeyKind kind, int position, int keyNumber, const KeySetting& setting);

// Forgets every key.
void clearKeys(DataImage& image);
void clearKeys(KeyTable& table);

} // namespace rk::image
