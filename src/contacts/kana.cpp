#include "contacts/kana.h"

#include "contacts/unicode.h"
#include "platform/text.h"

#include <array>

namespace rk::contacts {
namespace {

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

// Half-width forms of the katakana U+30A1 (small a) to U+30F6 (small ke), in that order.
constexpr std::array<std::string_view, 86> kKatakanaHalfWidth = {
    "ｧ",  "ｱ",  "ｨ",  "ｲ",  "ｩ",  "ｳ",  "ｪ",  "ｴ",  "ｫ", "ｵ",  "ｶ", "ｶﾞ", "ｷ",  "ｷﾞ", "ｸ",  "ｸﾞ", "ｹ", "ｹﾞ",
    "ｺ",  "ｺﾞ", "ｻ",  "ｻﾞ", "ｼ",  "ｼﾞ", "ｽ",  "ｽﾞ", "ｾ", "ｾﾞ", "ｿ", "ｿﾞ", "ﾀ",  "ﾀﾞ", "ﾁ",  "ﾁﾞ", "ｯ", "ﾂ",
    "ﾂﾞ", "ﾃ",  "ﾃﾞ", "ﾄ",  "ﾄﾞ", "ﾅ",  "ﾆ",  "ﾇ",  "ﾈ", "ﾉ",  "ﾊ", "ﾊﾞ", "ﾊﾟ", "ﾋ",  "ﾋﾞ", "ﾋﾟ", "ﾌ", "ﾌﾞ",
    "ﾌﾟ", "ﾍ",  "ﾍﾞ", "ﾍﾟ", "ﾎ",  "ﾎﾞ", "ﾎﾟ", "ﾏ",  "ﾐ", "ﾑ",  "ﾒ", "ﾓ",  "ｬ",  "ﾔ",  "ｭ",  "ﾕ",  "ｮ", "ﾖ",
    "ﾗ",  "ﾘ",  "ﾙ",  "ﾚ",  "ﾛ",  "ﾜ",  "ﾜ",  "ｲ",  "ｴ", "ｦ",  "ﾝ", "ｳﾞ", "ｶ",  "ｹ"};

const std::array<std::string, 86>& katakanaTable() {
    static const std::array<std::string, 86> table = [] {
        std::array<std::string, 86> converted;
        for (std::size_t i = 0; i < converted.size(); ++i)
            converted[i] = text::toCp932(kKatakanaHalfWidth[i]);
        return converted;
    }();
    return table;
}

// Katakana for a hiragana or katakana code point, 0 when it is neither.
char32_t asKatakana(char32_t codePoint) {
    if (codePoint >= 0x3041 && codePoint <= 0x3096) return codePoint + 0x60;
    if (codePoint >= 0x30A1 && codePoint <= 0x30F6) return codePoint;
    return 0;
}

// The voiced (or, with semi, semi-voiced) form of a kana, 0 when it has none in one character.
char32_t withMark(char32_t base, bool semi) {
    const char32_t katakana = asKatakana(base);
    if (katakana == 0) return 0;
    const bool hiragana = katakana != base;
    if (katakana == 0x30A6) return semi ? 0 : (hiragana ? 0x3094 : 0x30F4); // u becomes vu
    // ka..to: every second one takes the voiced mark (tsu after the small tsu shifts by one)
    const bool kaToChi = katakana >= 0x30AB && katakana <= 0x30C1 && (katakana - 0x30AB) % 2 == 0;
    const bool tsuToTo = katakana >= 0x30C4 && katakana <= 0x30C8 && (katakana - 0x30C4) % 2 == 0;
    if (kaToChi || tsuToTo) return semi ? 0 : base + 1;
    const bool haRow = katakana >= 0x30CF && katakana <= 0x30DB && (katakana - 0x30CF) % 3 == 0;
    if (haRow) return base + (semi ? 2 : 1);
    return 0;
}

} // namespace

bool isVoicedMark(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value == kVoicedMark || value == kSemiVoicedMark;
}

std::string composeKana(std::string_view utf8) {
    std::string result;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const Utf8Character character = decodeUtf8(utf8.substr(at));
        at += character.length;
        char32_t codePoint = character.codePoint;
        if (at < utf8.size()) {
            const Utf8Character next = decodeUtf8(utf8.substr(at));
            if (next.codePoint == 0x3099 || next.codePoint == 0x309A) {
                const char32_t composed = withMark(codePoint, next.codePoint == 0x309A);
                if (composed != 0) {
                    codePoint = composed;
                    at += next.length;
                }
            }
        }
        // A mark left over (after a kana without a marked form) becomes the spacing mark.
        if (codePoint == 0x3099) codePoint = 0x309B;
        if (codePoint == 0x309A) codePoint = 0x309C;
        if (character.codePoint == 0xFFFD && character.length == 1)
            result.append(utf8.substr(at - 1, 1)); // keep a stray byte as it was
        else
            appendUtf8(result, codePoint);
    }
    return result;
}

HalfWidthReading toHalfWidthKana(std::string_view utf8) {
    HalfWidthReading reading;
    const auto& table = katakanaTable();
    std::string lastKana; // for the iteration marks
    std::size_t at = 0;
    while (at < utf8.size()) {
        const Utf8Character character = decodeUtf8(utf8.substr(at));
        const char32_t codePoint = character.codePoint;
        std::string piece;
        if (const char32_t katakana = asKatakana(codePoint); katakana != 0) {
            piece = table[katakana - 0x30A1];
            lastKana = piece;
        } else if (codePoint >= 0x30F7 && codePoint <= 0x30FA) {
            // wa, wi, we, wo with the voiced mark
            static constexpr std::array<char, 4> kBases = {'\xDC', '\xB2', '\xB4', '\xA6'};
            piece = {kBases[codePoint - 0x30F7], static_cast<char>(kVoicedMark)};
        } else if (codePoint == 0x309D || codePoint == 0x309E || codePoint == 0x30FD || codePoint == 0x30FE) {
            const bool voiced = codePoint == 0x309E || codePoint == 0x30FE;
            if (lastKana.empty()) {
                reading.complete = false;
            } else {
                piece = lastKana.substr(0, 1);
                if (voiced) piece.push_back(static_cast<char>(kVoicedMark));
            }
        } else if (codePoint == 0x3099 || codePoint == 0x309B) {
            piece = {static_cast<char>(kVoicedMark)};
        } else if (codePoint == 0x309A || codePoint == 0x309C) {
            piece = {static_cast<char>(kSemiVoicedMark)};
        } else if (codePoint == 0x30FC || codePoint == 0xFF70) {
            piece = "\xB0";
        } else if (codePoint == 0x30FB) {
            piece = "\xA5";
        } else if (codePoint == 0x3001) {
            piece = "\xA4";
        } else if (codePoint == 0x3002) {
            piece = "\xA1";
        } else if (codePoint == 0x300C) {
            piece = "\xA2";
        } else if (codePoint == 0x300D) {
            piece = "\xA3";
        } else if (codePoint >= 0xFF61 && codePoint <= 0xFF9F) {
            piece = {static_cast<char>(codePoint - 0xFF61 + 0xA1)};
            if (codePoint >= 0xFF66 && codePoint <= 0xFF9D) lastKana = piece;
        } else if (codePoint >= 0xFF01 && codePoint <= 0xFF5E) {
            piece = {static_cast<char>(codePoint - 0xFEE0)};
        } else if (codePoint == 0x3000 || codePoint == '\t') {
            piece = " ";
        } else if (codePoint >= 0x20 && codePoint < 0x7F) {
            piece = {static_cast<char>(codePoint)};
        } else if (codePoint == '\r' || codePoint == '\n') {
            piece = " ";
        } else {
            reading.complete = false;
        }
        if (!reading.complete) {
            reading.unreadable = std::string(utf8.substr(at, character.length));
            return reading;
        }
        reading.cp932 += piece;
        at += character.length;
    }
    return reading;
}

std::string halfWidthToUtf8(std::string_view cp932) {
    std::string result;
    const auto& table = katakanaTable();
    std::size_t at = 0;
    while (at < cp932.size()) {
        // The longest table entry that matches (a kana with its mark first). Small wa, wi, we and
        // the small ka and ke share their half-width forms with common kana, which are taken.
        std::size_t best = table.size();
        for (std::size_t i = 0; i < table.size(); ++i) {
            const char32_t codePoint = static_cast<char32_t>(0x30A1 + i);
            if (codePoint == 0x30EE || codePoint == 0x30F0 || codePoint == 0x30F1 || codePoint >= 0x30F5)
                continue;
            if (cp932.substr(at).starts_with(table[i]) &&
                (best == table.size() || table[i].size() > table[best].size()))
                best = i;
        }
        if (best != table.size()) {
            appendUtf8(result, static_cast<char32_t>(0x30A1 + best));
            at += table[best].size();
            continue;
        }
        const auto byte = static_cast<unsigned char>(cp932[at]);
        if (byte == 0xB0)
            appendUtf8(result, 0x30FC);
        else if (byte == kVoicedMark)
            appendUtf8(result, 0x309B);
        else if (byte == kSemiVoicedMark)
            appendUtf8(result, 0x309C);
        else if (byte >= 0xA1 && byte <= 0xA5)
            result += text::cp932ToUtf8(cp932.substr(at, 1));
        else
            result.push_back(static_cast<char>(byte));
        ++at;
    }
    return result;
}

std::string fitReading(std::string_view cp932, std::size_t limit) {
    if (cp932.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && isVoicedMark(cp932[cut])) --cut;
        cp932 = cp932.substr(0, cut);
    }
    while (!cp932.empty() && cp932.back() == ' ') cp932.remove_suffix(1);
    return std::string(cp932);
}

std::string gojuonKey(std::string_view cp932) {
    std::string primary;
    std::string secondary;
    const auto weigh = [&primary](unsigned int weight) {
        primary.push_back(static_cast<char>(weight >> 8));
        primary.push_back(static_cast<char>(weight & 0xFF));
    };
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        auto byte = static_cast<unsigned char>(cp932[i]);
        if (byte == ' ') continue;
        if ((byte == kVoicedMark || byte == kSemiVoicedMark || byte == 0xB0) && !secondary.empty()) {
            secondary.back() = static_cast<char>(byte == kVoicedMark ? 2 : byte == kSemiVoicedMark ? 3 : 4);
            continue;
        }
        unsigned char small = 0;
        if (byte >= 0xA7 && byte <= 0xAB) {
            small = 1;
            byte = static_cast<unsigned char>(0xB1 + (byte - 0xA7));
        } else if (byte >= 0xAC && byte <= 0xAE) {
            small = 1;
            byte = static_cast<unsigned char>(0xD4 + (byte - 0xAC));
        } else if (byte == 0xAF) {
            small = 1;
            byte = 0xC2;
        }
        if (byte >= 0xB1 && byte <= 0xDC)
            weigh(0x100u + byte - 0xB1u);
        else if (byte == 0xA6)
            weigh(0x100u + 0xDDu - 0xB1u);
        else if (byte == 0xDD)
            weigh(0x100u + 0xDEu - 0xB1u);
        else if (byte >= 'a' && byte <= 'z')
            weigh(byte - 'a' + 'A');
        else
            weigh(byte);
        secondary.push_back(static_cast<char>(small));
    }
    return primary + std::string(2, '\0') + secondary;
}

} // namespace rk::contacts
