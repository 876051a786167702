// Readings as the main unit keeps them: half-width katakana and ASCII in CP932, at most 20
// bytes, where a voiced or semi-voiced mark is a byte of its own that never leaves its kana.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rk::contacts {

constexpr std::size_t kNameBytes = 20;

// Kana written with a combining voiced or semi-voiced mark (as macOS stores it) composed into
// one character where such a character exists; everything else as it was.
std::string composeKana(std::string_view utf8);

struct HalfWidthReading {
    bool complete = true;   // false: `unreadable` has no half-width form
    std::string cp932;      // the reading as far as it goes
    std::string unreadable; // UTF-8 of the first character without one
};

// Hiragana, katakana (full or half width), full-width ASCII and the ideographic space as
// half-width katakana and ASCII in CP932. Iteration marks repeat the kana before them.
HalfWidthReading toHalfWidthKana(std::string_view utf8);

// Half-width CP932 back to UTF-8 full-width katakana (for comparing readings given in another
// form, and for MeCab, which reads full-width text).
std::string halfWidthToUtf8(std::string_view cp932);

// The reading cut to at most `limit` bytes: a kana whose mark would fall beyond the limit goes
// with it, and a blank left at the end goes too.
std::string fitReading(std::string_view cp932, std::size_t limit = kNameBytes);

bool isVoicedMark(char byte);

// A key whose byte order is the gojuon order of half-width readings: small kana as their large
// forms, marks and the long-vowel sign only breaking ties, ASCII before kana.
std::string gojuonKey(std::string_view cp932);

} // namespace rk::contacts
