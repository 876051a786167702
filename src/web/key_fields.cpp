#include "web/key_fields.h"

#include "image/key_store.h"
#include "platform/text.h"

#include <cstdio>

namespace rk::web {
namespace {

constexpr std::string_view kAnythingPrefix = "i14_";
constexpr std::string_view kOneTouchPrefix = "i92_";
constexpr std::string_view kAnythingTextStart = "n_";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitsValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

// "PPP_KK" at the start of the text.
bool readPositionAndKey(std::string_view text, int& position, int& keyNumber) {
    if (text.size() < 6 || !isDigit(text[0]) || !isDigit(text[1]) || !isDigit(text[2]) || text[3] != '_' ||
        !isDigit(text[4]) || !isDigit(text[5]))
        return false;
    position = digitsValue(text.substr(0, 3));
    keyNumber = digitsValue(text.substr(4, 2));
    return true;
}

// No double-byte character is cut at the end.
bool endsWhole(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!text::isLeadByte(static_cast<unsigned char>(text[i]))) continue;
        if (i + 1 >= text.size()) return false;
        ++i;
    }
    return true;
}

std::string keyHead(std::string_view prefix, int position, int keyNumber) {
    char head[16];
    std::snprintf(head, sizeof head, "%.4s%03d_%02d", prefix.data(), position, keyNumber);
    return head;
}

std::vector<std::string> oneTouchValues(const image::KeySetting& setting) {
    std::vector<std::string> values(3);
    if (setting.programmed == 0) return values;
    const std::string_view text = image::settingText(setting);
    values[0] = std::string(text);
    if (text.size() != 6 || text[0] != '-' || text[2] != ',') return values;
    const char kind = text[1];
    const std::string_view code = text.substr(3);
    if (text::isLeadByte(static_cast<unsigned char>(kind)) || !endsWhole(code)) return values;
    if (kind == 'A') {
        if (code[0] != 'A') return values; // would be read back from n2, which begins with "A"
        values[1] = std::string(code);
    } else {
        values[1] = std::string(1, kind);
        values[2] = std::string(code);
    }
    return values;
}

} // namespace

std::vector<std::string> settingPieces(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size()) {
            const bool pair =
                text::isLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size();
            const std::size_t next = end + (pair ? 2 : 1);
            if (next - at > kKeyPieceBytes) break;
            end = next;
        }
        pieces.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return pieces;
}

std::vector<std::string> keyFieldValues(const image::DataImage& image, std::string_view entryName) {
    int position = 0;
    int keyNumber = 0;
    if (entryName.starts_with(kAnythingPrefix)) {
        // "i14_PPP_KK_D"
        const std::string_view rest = entryName.substr(kAnythingPrefix.size());
        if (rest.size() != 8 || !readPositionAndKey(rest, position, keyNumber) || rest[6] != '_' ||
            !isDigit(rest[7]))
            return {};
        const image::KeySetting* setting =
            image::keySetting(image, image::KeyKind::Anything, position, keyNumber);
        if (setting == nullptr) return {};
        std::string_view text = image::settingText(*setting);
        if (setting->programmed == 0 || !text.starts_with(kAnythingTextStart)) return {std::string()};
        text.remove_prefix(kAnythingTextStart.size());
        const std::vector<std::string> pieces = settingPieces(text);
        const auto piece = static_cast<std::size_t>(rest[7] - '0');
        return {piece < pieces.size() ? pieces[piece] : std::string()};
    }
    if (entryName.starts_with(kOneTouchPrefix)) {
        // "i92_PPP_KK"
        const std::string_view rest = entryName.substr(kOneTouchPrefix.size());
        if (rest.size() != 6 || !readPositionAndKey(rest, position, keyNumber)) return {};
        const image::KeySetting* setting =
            image::keySetting(image, image::KeyKind::OneTouch, position, keyNumber);
        if (setting == nullptr) return {};
        return oneTouchValues(*setting);
    }
    return {};
}

std::optional<AnythingKeyPiece> anythingKeyPieceOf(std::string_view record) {
    // "i14_PPP_KK_Dn" + text
    constexpr std::size_t kHeadSize = 13;
    if (record.size() < kHeadSize || record.size() > kHeadSize + kKeyPieceBytes ||
        !record.starts_with(kAnythingPrefix))
        return std::nullopt;
    const std::string_view rest = record.substr(kAnythingPrefix.size());
    AnythingKeyPiece piece;
    if (!readPositionAndKey(rest, piece.position, piece.keyNumber) || rest[6] != '_' || !isDigit(rest[7]) ||
        rest[8] != 'n')
        return std::nullopt;
    piece.piece = rest[7] - '0';
    piece.text = std::string(record.substr(kHeadSize));
    return piece;
}

int storeAnythingKey(image::DataImage& image, int position, int keyNumber, std::string_view text) {
    if (position < 0 || position > 999 || keyNumber < 0 || keyNumber > 99) return image::kKeyOutOfRange;
    std::string key = keyHead(kAnythingPrefix, position, keyNumber);
    key += kAnythingTextStart;
    key += text;
    return image::programKey(image, key);
}

int storeOneTouchRecord(image::DataImage& image, std::string_view record) {
    // "i92_PPP_KKn" C "," XYZ
    if (record.size() != 16 || !record.starts_with(kOneTouchPrefix)) return image::kKeyMalformed;
    const std::string_view rest = record.substr(kOneTouchPrefix.size());
    int position = 0;
    int keyNumber = 0;
    if (!readPositionAndKey(rest, position, keyNumber) || rest[6] != 'n' || rest[8] != ',')
        return image::kKeyMalformed;
    std::string key = keyHead(kOneTouchPrefix, position, keyNumber);
    key += '-';
    key += rest[7];
    key += ',';
    key += rest.substr(9);
    return image::programKey(image, key);
}

} // namespace rk::web
