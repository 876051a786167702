#include "phonebook/key_conversion.h"

#include "image/key_store.h"
#include "phonebook/dataset_conversion.h"

#include <algorithm>

namespace rk::phonebook {
namespace {

// The three copies of the key's head in a record, and the columns of the other fields.
constexpr std::array<std::size_t, 3> kMarkerColumns = {0, 16, 96};
constexpr std::size_t kPositionOffset = 4; // from each marker
constexpr std::size_t kPositionWidth = 3;
constexpr std::size_t kKeyNumberOffset = 8;
constexpr std::size_t kKeyNumberWidth = 2;
constexpr std::size_t kLastTokenColumn = 27;
constexpr std::size_t kLastTokenWidth = 9; // up to the fixed "c" at 36
constexpr std::size_t kFlagColumn = 64;
constexpr std::size_t kSettingColumn = 66;
constexpr std::size_t kSettingWidth = 30; // up to the third marker at 96

KeyRecord keyTemplate(std::string_view marker, char flag) {
    KeyRecord record;
    record.fill(' ');
    for (std::size_t column : kMarkerColumns)
        std::copy(marker.begin(), marker.end(), record.begin() + column);
    record[36] = 'c';
    record[kFlagColumn] = flag;
    record[65] = ',';
    return record;
}

// A token in its columns: cut at the last column, blanks after a short one.
void putField(KeyRecord& record, std::size_t column, std::size_t width, std::string_view token) {
    const std::size_t used = std::min(width, token.size());
    std::copy_n(token.begin(), used, record.begin() + static_cast<std::ptrdiff_t>(column));
    std::fill_n(record.begin() + static_cast<std::ptrdiff_t>(column + used), width - used, ' ');
}

void putHeadField(KeyRecord& record, std::size_t offset, std::size_t width, std::string_view token) {
    for (std::size_t column : kMarkerColumns) putField(record, column + offset, width, token);
}

std::string recordText(const KeyRecord& record) {
    const auto end = std::find(record.begin(), record.end(), '\0');
    return std::string(record.begin(), end);
}

// A token collected character by character. Closing keeps the characters; the next character
// that starts a new token discards them.
struct Token {
    std::string text;
    bool closed = false;

    void extend(char c) {
        if (closed) text.clear();
        closed = false;
        text += c;
    }
    void empty() {
        text.clear();
        closed = false;
    }
};

std::string convertKeys(image::DataImage& image, const std::optional<std::string_view>& element,
                        ConvertedKey (*convertPart)(std::string_view)) {
    std::string body;
    if (!element) return body;
    for (std::string_view part : elementParts(*element)) {
        const ConvertedKey key = convertPart(part);
        body += key.record;
        body += '\n';
        // A key the store cannot hold keeps its record in the file but programs nothing.
        image::programKey(image, key.keyString);
    }
    return body;
}

} // namespace

ConvertedKey convertOneTouchPart(std::string_view part) {
    KeyRecord record = keyTemplate("i92=101#01-", ' ');
    std::string key = "i92_";
    Token token;
    int ats = 0;
    for (char c : part) {
        if (c == 's' || c == '-') continue;
        if (c == '_') {
            putHeadField(record, kPositionOffset, kPositionWidth, token.text);
            key += token.text;
            token.empty();
        } else if (c == '@') {
            ++ats;
            if (ats == 1) {
                putHeadField(record, kKeyNumberOffset, kKeyNumberWidth, token.text);
                key += '_';
                key += token.text;
            } else if (ats == 2 && !token.text.empty()) {
                record[kFlagColumn] = token.text.front();
                key += '-';
                key += token.text;
            } else if (ats == 3 && !token.text.empty()) {
                putField(record, kSettingColumn, kSettingWidth, token.text);
                key += ',';
                key += token.text;
            }
            token.empty();
        } else {
            token.extend(c);
        }
    }
    putField(record, kLastTokenColumn, kLastTokenWidth, token.text);
    return {recordText(record), std::move(key)};
}

ConvertedKey convertAnythingKeyPart(std::string_view part) {
    KeyRecord record = keyTemplate("i14=103#43-", 'A');
    std::string key = "i14_";
    Token token;
    int underscores = 0;
    int ats = 0;
    for (char c : part) {
        if (c == 's') continue;
        if (c == '_') {
            ++underscores;
            if (underscores == 1) {
                putHeadField(record, kPositionOffset, kPositionWidth, token.text);
                key += token.text;
            } else if (underscores == 2) {
                key += '_';
                key += token.text;
            } else {
                key += token.text;
            }
            token.closed = true;
        } else if (c == '(') {
            token.text += '<';
            token.closed = true;
        } else if (c == ')') {
            token.text += '>';
        } else if (c == '@') {
            ++ats;
            if (ats == 1) {
                putHeadField(record, kKeyNumberOffset, kKeyNumberWidth, token.text);
                key += '_';
                key += token.text;
                key += 'n';
            } else if (ats == 2) {
                putField(record, kSettingColumn, kSettingWidth, token.text);
                key += '_';
                key += token.text;
            }
            token.empty();
        } else {
            // Digits, "-" and every other character.
            token.extend(c);
        }
    }
    putField(record, kLastTokenColumn, kLastTokenWidth, token.text);
    return {recordText(record), std::move(key)};
}

std::string convertOneTouchKeys(image::DataImage& image, const std::optional<std::string_view>& i92) {
    return convertKeys(image, i92, convertOneTouchPart);
}

std::string convertAnythingKeys(image::DataImage& image, const std::optional<std::string_view>& i14) {
    return convertKeys(image, i14, convertAnythingKeyPart);
}

} // namespace rk::phonebook
