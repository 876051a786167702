// The window titles of the edit pages, by which the server finds the browser window of a
// submitted page to show a duplicate message over it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rk::web {

// "共通電話帳[PAGE3(短縮番号100～149)] - Windows Internet Explorer" and the like, in CP932: the
// title the page table gives the page that starts with this entry (common phonebook 0, 50, …,
// 950; my phonebook 101, 103, …, 199), and a suffix that follows the browser's version text
// (" - Windows Internet Explorer" when it begins with "7", otherwise, or without one,
// " - Microsoft Internet Explorer"). A first entry that starts no page gives page 0 and an empty
// range.
std::string PageWindowTitle(int firstEntry, bool isCommonPhonebook,
                            const std::optional<std::string_view>& browserVersion);

} // namespace rk::web
