#include "phonebook/entry_text.h"

#include <algorithm>
#include <cstring>

namespace rk::phonebook {
namespace {

template <std::size_t N> void copyField(std::array<char, N>& field, std::string_view value) {
    field.fill(0);
    std::copy_n(value.begin(), std::min(value.size(), N - 1), field.begin());
}

template <std::size_t N> std::string fieldText(const std::array<char, N>& field) {
    return std::string(field.data(), strnlen(field.data(), N));
}

} // namespace

EntryText EntryText::make(std::string_view number, std::string_view kana, std::string_view kanji,
                          char group) {
    EntryText text;
    copyField(text.number, number);
    copyField(text.kanaName, kana);
    copyField(text.kanjiName, kanji);
    text.group = group;
    return text;
}

std::string EntryText::numberText() const {
    return fieldText(number);
}
std::string EntryText::kanaText() const {
    return fieldText(kanaName);
}
std::string EntryText::kanjiText() const {
    return fieldText(kanjiName);
}

} // namespace rk::phonebook
