// The fixed columns in which the phonebook file writers lay entries out in the LineTable.
#pragma once

#include "phonebook/entry_text.h"
#include "phonebook/line_table.h"
#include "phonebook/workspace.h"

#include <string>
#include <string_view>

namespace rk::phonebook::detail {

constexpr std::size_t kTelephoneZeroColumn = 8;   // per telephone: "0" before the memory number
constexpr std::size_t kTelephoneMemoryColumn = 9; // per telephone: memory number, three digits
constexpr std::size_t kNumberColumn = 16;
constexpr std::size_t kNumberWidth = 24;
constexpr std::size_t kKanaColumn = 48;
constexpr std::size_t kKanjiColumn = 72;
constexpr std::size_t kNameWidth = 20;
constexpr std::size_t kGroupColumn = 96; // common phonebook only

// Puts a value 0..999 as three digits.
void putThreeDigits(LineTable& table, std::size_t index, std::size_t column, int value);

// Puts number, kana and kanji name, each followed by a zero byte when shorter than its column.
void putEntryColumns(LineTable& table, std::size_t index, const EntryText& text);

// A column's text: up to its first zero byte, at most `width` bytes.
std::string_view columnText(const LineTable::Line& line, std::size_t column, std::size_t width);

std::string formatCommonPhonebook(Workspace& workspace, const FileHeaderLine::Line& header,
                                  int unitOrderFlag);
std::string formatMyPhonebook(Workspace& workspace, const FileHeaderLine::Line& header);

} // namespace rk::phonebook::detail
