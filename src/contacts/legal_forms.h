// Legal forms of Japanese organisations (株式会社, 有限会社, ...) and the short forms their
// readings customarily take: ｶ) before the reading when the form stands before the name, (ｶ
// after it when it follows, (ｶ) in the middle.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

enum class LegalFormPlace { Before, After, Middle };

struct LegalFormMatch {
    std::string_view form;      // UTF-8, spelled out: "株式会社"
    std::string_view shortForm; // UTF-8, half-width: "ｶ"
    LegalFormPlace place = LegalFormPlace::Before;
    std::string before; // UTF-8 name text before the form (trimmed)
    std::string after;  // and after it
};

// The legal form in an organisation's name, spelled out or abbreviated ((株), （株）, ㈱),
// nullopt when it has none.
std::optional<LegalFormMatch> findLegalForm(std::string_view utf8);

// The reading of a name with a legal form from the readings of the text before and after the
// form (half-width CP932).
std::string readingWithShortForm(const LegalFormMatch& match, std::string_view beforeReading,
                                 std::string_view afterReading);

// A reading the contact gave for a name with a legal form (half-width CP932) with the spelled-out
// reading of the form (カブシキガイシャ) in its short form, or the short form added where the
// reading has none. `changes` is told what was done.
std::string shortenLegalFormReading(const LegalFormMatch& match, std::string_view reading,
                                    std::vector<std::string>& changes);

} // namespace rk::contacts
