#include "contacts/kanji_name.h"

#include "contacts/kana.h"
#include "contacts/unicode.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace rk::contacts {
namespace {

struct CommonForm {
    char32_t codePoint;
    std::string_view form; // UTF-8
};

// Characters with a common form that every exchange shows: the NEC special characters, the IBM
// extension kanji whose JIS X 0208 form is the same character, and ideographs outside Shift-JIS
// that people write for a name's JIS form. Sorted by code point.
constexpr std::array kCommonForms = std::to_array<CommonForm>({
    {0x2116, "No."},    {0x2121, "TEL"},        {0x2160, "I"},          {0x2161, "II"},
    {0x2162, "III"},    {0x2163, "IV"},         {0x2164, "V"},          {0x2165, "VI"},
    {0x2166, "VII"},    {0x2167, "VIII"},       {0x2168, "IX"},         {0x2169, "X"},
    {0x2170, "i"},      {0x2171, "ii"},         {0x2172, "iii"},        {0x2173, "iv"},
    {0x2174, "v"},      {0x2175, "vi"},         {0x2176, "vii"},        {0x2177, "viii"},
    {0x2178, "ix"},     {0x2179, "x"},          {0x2211, "Σ"},          {0x2460, "(1)"},
    {0x2461, "(2)"},    {0x2462, "(3)"},        {0x2463, "(4)"},        {0x2464, "(5)"},
    {0x2465, "(6)"},    {0x2466, "(7)"},        {0x2467, "(8)"},        {0x2468, "(9)"},
    {0x2469, "(10)"},   {0x246A, "(11)"},       {0x246B, "(12)"},       {0x246C, "(13)"},
    {0x246D, "(14)"},   {0x246E, "(15)"},       {0x246F, "(16)"},       {0x2470, "(17)"},
    {0x2471, "(18)"},   {0x2472, "(19)"},       {0x2473, "(20)"},       {0x301D, "“"},
    {0x301F, "”"},      {0x3231, "(株)"},       {0x3232, "(有)"},       {0x3239, "(代)"},
    {0x32A4, "(上)"},   {0x32A5, "(中)"},       {0x32A6, "(下)"},       {0x32A7, "(左)"},
    {0x32A8, "(右)"},   {0x3303, "アール"},     {0x330D, "カロリー"},   {0x3314, "キロ"},
    {0x3318, "グラム"}, {0x3322, "センチ"},     {0x3323, "セント"},     {0x3326, "ドル"},
    {0x3327, "トン"},   {0x332B, "パーセント"}, {0x3336, "ヘクタール"}, {0x333B, "ページ"},
    {0x3349, "ミリ"},   {0x334A, "ミリバール"}, {0x334D, "メートル"},   {0x3351, "リットル"},
    {0x3357, "ワット"}, {0x337B, "平成"},       {0x337C, "昭和"},       {0x337D, "大正"},
    {0x337E, "明治"},   {0x338E, "mg"},         {0x338F, "kg"},         {0x339C, "mm"},
    {0x339D, "cm"},     {0x339E, "km"},         {0x33A1, "m2"},         {0x33C4, "cc"},
    {0x33CD, "K.K."},   {0x589E, "増"},         {0x5FB7, "徳"},         {0x663B, "昂"},
    {0x6801, "柳"},     {0x6A6B, "横"},         {0x6DF8, "清"},         {0x6FF5, "濱"},
    {0x7028, "瀬"},     {0x9751, "青"},         {0x9AD9, "高"},         {0x9DD7, "鴎"},
    {0x9ED1, "黒"},     {0xF9DC, "隆"},         {0xFA10, "塚"},         {0xFA11, "崎"},
    {0xFA12, "晴"},     {0xFA16, "猪"},         {0xFA17, "益"},         {0xFA18, "礼"},
    {0xFA19, "神"},     {0xFA1A, "祥"},         {0xFA1B, "福"},         {0xFA1C, "靖"},
    {0xFA1D, "精"},     {0xFA1E, "羽"},         {0xFA22, "諸"},         {0xFA25, "逸"},
    {0xFA26, "都"},     {0xFA2A, "飯"},         {0xFA2B, "飼"},         {0xFA2C, "館"},
    {0xFA2D, "鶴"},     {0xFF02, "”"},          {0xFF07, "'"},          {0xFFE4, "|"},
    {0x20BB7, "吉"},    {0x2123D, "土"},
});

static_assert(std::is_sorted(kCommonForms.begin(), kCommonForms.end(),
                             [](const CommonForm& a, const CommonForm& b) {
                                 return a.codePoint < b.codePoint;
                             }));

std::optional<std::string_view> commonFormOf(char32_t codePoint) {
    const auto found =
        std::lower_bound(kCommonForms.begin(), kCommonForms.end(), codePoint,
                         [](const CommonForm& entry, char32_t value) { return entry.codePoint < value; });
    if (found == kCommonForms.end() || found->codePoint != codePoint) return std::nullopt;
    return found->form;
}

// True for the CP932 codes of the NEC special characters (row 13), the NEC-selected IBM
// extensions and the IBM extensions.
bool isExtensionCode(std::string_view cp932) {
    if (cp932.size() != 2) return false;
    const unsigned code = static_cast<unsigned>(static_cast<unsigned char>(cp932[0])) << 8 |
                          static_cast<unsigned char>(cp932[1]);
    return (code >= 0x8740 && code <= 0x879C) || (code >= 0xED40 && code <= 0xEEFC) ||
           (code >= 0xFA40 && code <= 0xFC4B);
}

bool isIdeograph(char32_t codePoint) {
    return (codePoint >= 0x3400 && codePoint <= 0x9FFF) || (codePoint >= 0xF900 && codePoint <= 0xFAFF) ||
           (codePoint >= 0x20000 && codePoint <= 0x3FFFF);
}

std::string codePointText(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

} // namespace

std::string withCommonForms(std::string_view utf8, std::vector<std::string>* changes) {
    std::string result;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const Utf8Character character = decodeUtf8(utf8.substr(at));
        const std::string_view original = utf8.substr(at, character.length);
        at += character.length;
        const std::optional<std::string_view> form =
            character.codePoint < 0x80 ? std::nullopt : commonFormOf(character.codePoint);
        if (!form) {
            result += original;
            continue;
        }
        // Only where Shift-JIS cannot hold the character, or holds it as an extension character.
        const std::optional<std::string> encoded = text::tryToCp932(original);
        if (encoded && !isExtensionCode(*encoded)) {
            result += original;
            continue;
        }
        result += *form;
        if (changes != nullptr)
            changes->push_back(std::string(original) + " became " + std::string(*form) +
                               (encoded ? ": an extension character that many exchanges cannot show"
                                        : ": Shift-JIS cannot hold it"));
    }
    return result;
}

std::string toDisplayName(std::string_view utf8, std::vector<std::string>& changes) {
    const std::string common = withCommonForms(composeKana(utf8), &changes);
    std::string result;
    bool blanked = false;
    std::size_t at = 0;
    while (at < common.size()) {
        const Utf8Character character = decodeUtf8(std::string_view(common).substr(at));
        const std::string_view original = std::string_view(common).substr(at, character.length);
        at += character.length;
        if (character.codePoint < 0x80) {
            const char byte = static_cast<char>(character.codePoint);
            if (byte == ',' || byte == '"' || byte == '<' || byte == '>' || byte == '\\' ||
                character.codePoint < 0x20 || character.codePoint == 0x7F) {
                result.push_back(' ');
                blanked = true;
            } else {
                result.push_back(byte);
            }
            continue;
        }
        const std::optional<std::string> encoded = text::tryToCp932(original);
        if (!encoded) {
            const bool malformed = character.codePoint == 0xFFFD && character.length == 1;
            if (!malformed && isIdeograph(character.codePoint)) {
                result += text::toCp932("〓");
                changes.push_back(std::string(original) +
                                  " became 〓: Shift-JIS cannot hold it and it has no "
                                  "common form");
            } else {
                changes.push_back(
                    (malformed ? std::string("a malformed byte")
                               : std::string(original) + " (" + codePointText(character.codePoint) + ")") +
                    " left out: Shift-JIS cannot hold it");
            }
            continue;
        }
        if (isExtensionCode(*encoded))
            changes.push_back(
                std::string(original) +
                " kept: an extension character without a common form, which some exchanges cannot "
                "show");
        result += *encoded;
    }
    if (blanked)
        changes.push_back("characters a name cannot hold (, \" < > \\ and control characters) became blanks");
    return result;
}

std::string fitDisplayName(std::string_view cp932, std::size_t limit) {
    std::size_t end = 0;
    while (end < cp932.size()) {
        const std::size_t width = text::isLeadByte(static_cast<unsigned char>(cp932[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    std::string_view fitted = cp932.substr(0, std::min(end, cp932.size()));
    while (!fitted.empty() && fitted.back() == ' ') fitted.remove_suffix(1);
    return std::string(fitted);
}

} // namespace rk::contacts
