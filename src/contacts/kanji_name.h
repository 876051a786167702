// The kanji display name as the main unit keeps it: CP932, at most 20 bytes, cut at a character
// boundary. Characters that Shift-JIS cannot hold, and the NEC and IBM extension characters that
// many exchanges cannot show, become a common form where one exists; every such step is told.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

// The UTF-8 text with every character that has a common form replaced by it (髙 → 高, ㈱ → (株),
// 𠮷 → 吉). `changes`, when given, receives one text per character replaced. Characters that are
// fine as they are stay as they are.
std::string withCommonForms(std::string_view utf8, std::vector<std::string>* changes = nullptr);

// A display name from UTF-8: common forms as above, then CP932; a character CP932 cannot hold
// and that has no common form becomes 〓 (an ideograph) or is left out (anything else); an
// extension character without a common form stays and is told; the bytes the phonebook turns
// into blanks (, " < > \ and control characters) become blanks. Not cut.
std::string toDisplayName(std::string_view utf8, std::vector<std::string>& changes);

// The CP932 name cut to at most `limit` bytes without splitting a double-byte character; blanks
// left at the end go too.
std::string fitDisplayName(std::string_view cp932, std::size_t limit);

} // namespace rk::contacts
