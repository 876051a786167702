// The window titles of the edit pages, by which the server finds the browser window of a
// submitted page to show a duplicate message over it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rk::web {

// Page number of a page's first entry: common phonebook 0, 50, …, 950 → 1..20; my phonebook
// 101, 103, …, 199 → 1..50; anything else 0.
int pageNumberOfFirstEntry(int firstEntry, bool isCommonPhonebook);

// "共通電話帳[PAGE3(短縮番号100～149)] - Windows Internet Explorer" and the like, in CP932. The
// suffix follows the browser's version text (" - Windows Internet Explorer" when it begins with
// "7", otherwise, or without one, " - Microsoft Internet Explorer"). A first entry that starts no
// page gives page 0 and an empty range.
std::string PageWindowTitle(int firstEntry, bool isCommonPhonebook,
                            const std::optional<std::string_view>& browserVersion);

} // namespace rk::web
