#include "contacts/dial_number.h"

#include "contacts/unicode.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace rk::contacts {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr int kJapan = 81;

// Full-width and typographic forms of the characters a number is written with, as ASCII.
char32_t narrowed(char32_t codePoint) {
    if (codePoint >= 0xFF01 && codePoint <= 0xFF5E) return codePoint - 0xFEE0;
    switch (codePoint) {
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2015:
    case 0x2212:
    case 0x30FC:
    case 0xFF70:
    case 0x2501:
        return '-';
    case 0x3000:
    case 0x00A0:
        return ' ';
    default:
        return codePoint;
    }
}

bool isSeparator(char character) {
    return character == ' ' || character == '-' || character == '.' || character == '(' || character == ')' ||
           character == '/' || character == '\t' || character == '[' || character == ']';
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& character : result)
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return result;
}

// Splits off an extension written after the number ("ext. 12", "x12", "内線12").
std::string takeExtension(std::string& text) {
    const std::string folded = lower(text);
    std::size_t at = std::string::npos;
    std::size_t markerLength = 0;
    for (std::string_view marker : {"内線", "ext.", "ext", ";ext=", "x"}) {
        const std::size_t found = folded.find(marker);
        if (found == std::string::npos || found == 0) continue;
        if (found < at) {
            at = found;
            markerLength = marker.size();
        }
    }
    if (at == std::string::npos) return {};
    std::string extension;
    for (char character : std::string_view(text).substr(at + markerLength))
        if (std::isdigit(static_cast<unsigned char>(character))) extension.push_back(character);
    text.erase(at);
    return extension;
}

} // namespace

DialNumber makeDialable(std::string_view utf8, std::string_view prefix) {
    DialNumber result;
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        const Utf8Character character = decodeUtf8(utf8.substr(at));
        const char32_t codePoint = narrowed(character.codePoint);
        if (codePoint < 0x80)
            text.push_back(static_cast<char>(codePoint));
        else
            text.append(utf8.substr(at, character.length));
        at += character.length;
    }
    const std::string extension = takeExtension(text);
    std::string cleaned;
    for (char character : text) {
        if (isSeparator(character)) continue;
        if (std::isdigit(static_cast<unsigned char>(character)) || character == '+' || character == '*' ||
            character == '#') {
            cleaned.push_back(character);
            continue;
        }
        result.problem = "not a telephone number: it holds characters other than digits, + * #";
        return result;
    }
    const auto digits = static_cast<std::size_t>(std::count_if(
        cleaned.begin(), cleaned.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }));
    if (digits == 0) {
        result.problem = "no digits";
        return result;
    }
    if (!extension.empty())
        result.changes.push_back("extension " + extension + " left out: the phonebook dials the number only");

    const bool international = cleaned.starts_with('+');
    if (!international && digits <= kShortNumberDigits) {
        result.valid = true;
        result.isShort = true;
        result.dialable = cleaned;
        return result;
    }
    if (cleaned.find_first_of("*#") != std::string::npos) {
        result.problem = "a number with * or # longer than " + std::to_string(kShortNumberDigits) +
                         " digits: not a number of Japan or abroad";
        return result;
    }

    PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util.Parse(cleaned, "JP", &number) != PhoneNumberUtil::NO_PARSING_ERROR) {
        result.problem = "not a telephone number";
        return result;
    }
    std::string national;
    util.GetNationalSignificantNumber(number, &national);
    std::string dialable;
    if (number.country_code() == kJapan) {
        if (!util.IsValidNumberForRegion(number, "JP")) {
            result.problem = "not a valid number in Japan";
            return result;
        }
        dialable = "0" + national;
        if (international)
            result.changes.push_back("+81 became 0");
        else if (cleaned.starts_with("010"))
            result.changes.push_back("010 81 became 0");
        else if (!cleaned.starts_with('0'))
            result.changes.push_back("the leading 0 added (a spreadsheet drops it)");
    } else {
        if (!util.IsValidNumber(number)) {
            result.problem = "not a valid number of country code " + std::to_string(number.country_code());
            return result;
        }
        dialable = "010" + std::to_string(number.country_code()) + national;
        if (international)
            result.changes.push_back("a number abroad: + became 010, the international call prefix");
    }
    if (!prefix.empty()) dialable = std::string(prefix) + dialable;
    if (dialable.size() > kNumberCharacters) {
        result.problem =
            dialable + " is longer than " + std::to_string(kNumberCharacters) + " dialling characters";
        return result;
    }
    result.valid = true;
    result.dialable = dialable;
    return result;
}

} // namespace rk::contacts
