#include "image/key_store.h"

#include "image/data_image.h"

#include <algorithm>
#include <cstdio>

namespace rk::image {
namespace {

constexpr std::string_view kOneTouchPrefix = "i92_";
constexpr std::string_view kAnythingPrefix = "i14_";
constexpr std::size_t kSettingStart = 10; // characters 0–9: prefix, position, "_", key number

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Printable bytes of the main unit's texts (Shift-JIS lead and trail bytes included).
bool isPrintable(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F;
}

// A one-touch token: the converter drops "s" and "-" and splits at "_", "@" and ",".
bool isOneTouchTokenByte(char c) {
    return isPrintable(c) && c != 's' && c != '-' && c != '_' && c != '@' && c != ',';
}

bool isOneTouchToken(std::string_view token) {
    return !token.empty() && std::all_of(token.begin(), token.end(), isOneTouchTokenByte);
}

// An anything-key token: "(" and ")" arrive as "<" and ">", and "(" closes the token, so after
// a "<" only further "<" and ">" can have been collected.
bool isAnythingToken(std::string_view token) {
    bool closed = false;
    for (char c : token) {
        if (!isPrintable(c) || c == 's' || c == '_' || c == '@' || c == ',' || c == '(' || c == ')')
            return false;
        if (c == '<')
            closed = true;
        else if (closed && c != '>')
            return false;
    }
    return true;
}

// "" | "-" T | "," T | "-" T "," T
bool isOneTouchSetting(std::string_view setting) {
    if (setting.empty()) return true;
    std::string_view rest = setting;
    if (rest.front() == '-') {
        const std::size_t comma = rest.find(',');
        if (!isOneTouchToken(
                rest.substr(1, comma == std::string_view::npos ? std::string_view::npos : comma - 1)))
            return false;
        if (comma == std::string_view::npos) return true;
        rest.remove_prefix(comma);
    }
    return rest.front() == ',' && isOneTouchToken(rest.substr(1));
}

// "n" | "n_" T'
bool isAnythingSetting(std::string_view setting) {
    if (setting == "n") return true;
    return setting.starts_with("n_") && isAnythingToken(setting.substr(2));
}

int threeDigits(std::string_view text) {
    return (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
}

std::size_t slotIndex(KeyKind kind, int position, int keyNumber) {
    return (static_cast<std::size_t>(kind) * kKeyPositionCount +
            static_cast<std::size_t>(position - kFirstKeyPosition)) *
               kKeyNumberCount +
           static_cast<std::size_t>(keyNumber);
}

bool inTable(KeyKind kind, int position, int keyNumber) {
    return static_cast<std::size_t>(kind) < kKeyKindCount && position >= kFirstKeyPosition &&
           position <= kLastKeyPosition && keyNumber >= 0 && keyNumber < kKeyNumberCount;
}

} // namespace

int programKey(DataImage& image, std::string_view key) {
    KeyKind kind;
    if (key.starts_with(kOneTouchPrefix))
        kind = KeyKind::OneTouch;
    else if (key.starts_with(kAnythingPrefix))
        kind = KeyKind::Anything;
    else
        return kKeyMalformed;
    if (key.size() < kSettingStart || !isDigit(key[4]) || !isDigit(key[5]) || !isDigit(key[6]) ||
        key[7] != '_' || !isDigit(key[8]) || !isDigit(key[9]))
        return kKeyMalformed;
    const std::string_view setting = key.substr(kSettingStart);
    if (kind == KeyKind::OneTouch ? !isOneTouchSetting(setting) : !isAnythingSetting(setting))
        return kKeyMalformed;

    const int position = threeDigits(key.substr(4));
    const int keyNumber = (key[8] - '0') * 10 + (key[9] - '0');
    if (!inTable(kind, position, keyNumber)) return kKeyOutOfRange;
    if (setting.size() > kKeySettingTextSize) return kKeyTooLong;

    KeySetting& slot = image.keys.settings[slotIndex(kind, position, keyNumber)];
    slot.programmed = 1;
    slot.length = static_cast<std::uint8_t>(setting.size());
    slot.text.fill('\0');
    std::copy(setting.begin(), setting.end(), slot.text.begin());
    return kKeyStored;
}

const KeySetting* keySetting(const DataImage& image, KeyKind kind, int position, int keyNumber) {
    if (!inTable(kind, position, keyNumber)) return nullptr;
    return &image.keys.settings[slotIndex(kind, position, keyNumber)];
}

std::string_view settingText(const KeySetting& setting) {
    return {setting.text.data(), std::min<std::size_t>(setting.length, setting.text.size())};
}

std::string keyString(KeyKind kind, int position, int keyNumber, const KeySetting& setting) {
    if (setting.programmed == 0 || !inTable(kind, position, keyNumber)) return {};
    char head[16];
    std::snprintf(head, sizeof head, "%s%03d_%02d", kind == KeyKind::OneTouch ? "i92_" : "i14_", position,
                  keyNumber);
    std::string text(head);
    text += settingText(setting);
    return text;
}

void clearKeys(KeyTable& table) {
    for (KeySetting& slot : table.settings) {
        slot.programmed = 0;
        slot.length = 0;
        slot.text.fill('\0');
    }
}

void clearKeys(DataImage& image) {
    clearKeys(image.keys);
}

} // namespace rk::image
