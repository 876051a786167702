#include "phonebook/phonebook_file_fields.h"

#include "phonebook/page_rules.h"
#include "platform/text.h"

#include <algorithm>

namespace rk::phonebook::detail {
namespace {

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

bool isDiallingCharacter(char character) {
    return kDiallingCharacters.find(character) != std::string_view::npos;
}

} // namespace

std::size_t afterColumnHeader(std::span<const char> body) {
    for (std::size_t i = 0; i + 1 < body.size(); ++i)
        if (body[i] == '\r' && body[i + 1] == '\n') return i + 2;
    return kNoLine;
}

RecordLine nextRecordLine(std::span<const char> body, std::size_t position, std::size_t limit) {
    RecordLine line;
    line.next = body.size();
    for (std::size_t i = 0; position + i + 1 < body.size(); ++i) {
        if (body[position + i] != '\r' || body[position + i + 1] != '\n') continue;
        // The LF may lie just past the limit: the limit counts the bytes up to the CR.
        line.complete = i < limit;
        line.raw = std::string_view(body.data() + position, i);
        if (line.complete) line.text = line.raw;
        line.ended = true;
        line.next = position + i + 2;
        return line;
    }
    line.raw = std::string_view(body.data() + position, body.size() - position);
    return line;
}

int leadingNumber(std::string_view text, std::size_t maxDigits, std::size_t* digits) {
    int value = 0;
    std::size_t i = 0;
    for (; i < text.size() && i < maxDigits && isDigit(text[i]); ++i) value = value * 10 + (text[i] - '0');
    if (digits != nullptr) *digits = i;
    return value;
}

std::string_view takeField(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    return field;
}

template <bool kNoted>
void filterNumber(std::string_view field, std::array<char, 25>& number, std::uint32_t& changes) {
    number.fill(0);
    std::size_t length = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (length == kNumberCharacters) {
            // Past the 24th the dialling characters are cut, the others dropped all the same.
            if constexpr (kNoted)
                for (; i < field.size(); ++i)
                    changes |= isDiallingCharacter(field[i]) ? kNumberCut : kNumberCharactersDropped;
            break;
        }
        if (isDiallingCharacter(field[i]))
            number[length++] = field[i];
        else if constexpr (kNoted)
            changes |= kNumberCharactersDropped;
    }
}

template <bool kNoted>
void filterKana(std::string_view field, std::array<char, 21>& kana, std::uint32_t& changes) {
    kana.fill(0);
    std::size_t length = 0;
    std::size_t i = 0;
    for (; i < field.size() && length < kNameBytes; ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        if (byte == '"' || byte == '\\' || byte == '<' || byte == '>') {
            kana[length++] = ' ';
            if constexpr (kNoted) changes |= kKanaMarkupReplaced;
        } else if ((byte >= 0x20 && byte <= 0x7F) || (byte >= 0xA1 && byte <= 0xDF)) {
            kana[length++] = field[i];
        } else if (byte >= 0x80 && byte <= 0xA0) {
            // A full-width character has no place in the reading: two blanks keep the columns.
            kana[length++] = ' ';
            if (length < kNameBytes) kana[length++] = ' ';
            if (i + 1 < field.size()) ++i;
            if constexpr (kNoted) changes |= kKanaDoubleByteBlanked;
        } else {
            if constexpr (kNoted) changes |= kKanaEnded;
            return;
        }
    }
    if constexpr (kNoted)
        if (i < field.size()) changes |= kKanaCut;
}

template <bool kNoted>
void copyKanji(std::string_view field, std::array<char, 21>& kanji, bool cutSplitCharacter,
               std::uint32_t& changes) {
    kanji.fill(0);
    std::size_t length = std::min(field.size(), kNameBytes);
    std::copy_n(field.begin(), length, kanji.begin());
    if constexpr (kNoted)
        if (field.size() > kNameBytes) changes |= kKanjiCut;
    if (cutSplitCharacter && length == kNameBytes) {
        // Byte 19 starts a character when an odd run of possible lead bytes ends there: the
        // byte before such a run always ends a character.
        std::size_t run = 0;
        while (run < kNameBytes && text::isLeadByte(static_cast<unsigned char>(kanji[kNameBytes - 1 - run])))
            ++run;
        if (run % 2 == 1) {
            kanji[--length] = 0;
            if constexpr (kNoted) changes |= kKanjiCutBeforeSplit;
        }
    }
}

template <bool kNoted> char groupCharacter(std::string_view field, std::uint32_t& changes) {
    const auto note = [&](std::uint32_t change) {
        if constexpr (kNoted)
            changes |= change;
        else
            static_cast<void>(change);
    };
    if (field.empty()) {
        note(kGroupMissing);
        return '1';
    }
    const char first = field[0];
    if (first >= '1' && first <= '7') {
        if (field.size() > 1) note(kGroupRestIgnored);
        return first;
    }
    if (first != '0') {
        note(kGroupInvalid);
        return '1';
    }
    if (field.size() < 2 || !isDigit(field[1])) {
        if (field.size() > 1) note(kGroupRestIgnored);
        return '0';
    }
    if (field[1] > '7') {
        note(kGroupInvalid);
        return '1';
    }
    if (field.size() > 2) note(kGroupRestIgnored);
    return field[1];
}

#define RKDIAL_FIELD_FILTERS(noted)                                                                          \
    template void filterNumber<noted>(std::string_view, std::array<char, 25>&, std::uint32_t&);              \
    template void filterKana<noted>(std::string_view, std::array<char, 21>&, std::uint32_t&);                \
    template void copyKanji<noted>(std::string_view, std::array<char, 21>&, bool, std::uint32_t&);           \
    template char groupCharacter<noted>(std::string_view, std::uint32_t&);
RKDIAL_FIELD_FILTERS(true)
RKDIAL_FIELD_FILTERS(false)
#undef RKDIAL_FIELD_FILTERS

} // namespace rk::phonebook::detail
