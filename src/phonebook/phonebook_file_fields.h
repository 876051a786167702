// Pieces shared by the parsers of the PC-side phonebook files: finding record lines and
// filtering their fields. Every function stays inside the bytes it is given.
#pragma once

#include "phonebook/entry_text.h"
#include "phonebook/load_observer.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace rk::phonebook::detail {

constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

// Where the record lines begin: just after the first CR LF (the column header). A CR that is
// not followed by LF is data. kNoLine when there is no CR LF at all.
std::size_t afterColumnHeader(std::span<const char> body);

// One record line. `text` excludes the CR LF. A line is complete when its CR lies within the
// line limit and an LF follows it. An over-long line is skipped whole: `next` is always the byte
// after the line's CR LF (or the end). Reading its tail as a line of its own would let that
// tail name a memory and overwrite it, and would shift every following line of a my-phonebook
// file by one memory. `raw` is the line as it stands, up to its CR (or to the end), for the load
// report; `ended` tells whether a CR LF ends it at all.
struct RecordLine {
    std::string_view text;
    bool complete = false;
    std::size_t next = 0;
    std::string_view raw;
    bool ended = false;
};
RecordLine nextRecordLine(std::span<const char> body, std::size_t position, std::size_t limit);

// The value of up to `maxDigits` leading decimal digits (0 when there are none). `digits`, when
// given, receives how many were read.
int leadingNumber(std::string_view text, std::size_t maxDigits, std::size_t* digits = nullptr);

// Splits off the text up to the next comma (or the end); `rest` is what follows that comma.
std::string_view takeField(std::string_view& rest);

// Every filter below adds to `changes` the FieldChange bits of what it did to the field, for a
// listener to the load; the filters of a load nobody listens to (kNoted false) leave them out.

// The telephone number: only "#", "*", "-", "0".."9", "M" and "P" kept, at most 24 of them.
template <bool kNoted>
void filterNumber(std::string_view field, std::array<char, 25>& number, std::uint32_t& changes);

// The kana name: at most 20 bytes; '"', "\", "<" and ">" become blanks, 0x20..0x7F and
// 0xA1..0xDF are kept, a double-byte character (lead 0x80..0xA0) becomes two blanks, any other
// byte ends the name.
template <bool kNoted>
void filterKana(std::string_view field, std::array<char, 21>& kana, std::uint32_t& changes);

// The kanji name: at most 20 bytes as they are; with cutSplitCharacter a copy of 20 bytes whose
// last byte starts a double-byte character is cut to 19.
template <bool kNoted>
void copyKanji(std::string_view field, std::array<char, 21>& kanji, bool cutSplitCharacter,
               std::uint32_t& changes);

// The group character of a common-phonebook record from the bytes after its fourth comma:
// "1".."7" as they are; "0" followed by "0".."7" gives that digit (the program writes "0" and the
// group); a "0" followed by anything but a digit is a group "0" written as one digit (as a
// spreadsheet saves it); everything else is group "1".
template <bool kNoted> char groupCharacter(std::string_view field, std::uint32_t& changes);

} // namespace rk::phonebook::detail
