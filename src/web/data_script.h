// The data scripts of the edit pages. A page requests a script whose name contains "m.js"; the
// server answers it with a JavaScript text generated here from the phonebook and the data image
// at that moment: the page's field-name pattern and ranges (for a chosen selection) and the
// current value of every field, as arrays the page's own scripting reads.
#pragma once

#include "web/page_value_source.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rk::web {

// The whole script is built in one buffer of this size; a script that would not fit is not sent.
constexpr std::size_t kScriptCapacity = 1'024'000;

// The script for a page key ("17tansyuku_01m.js": group 17, sub-page 1) and, when the request
// had a query, its text as the parameter (a page number in its last three characters, or the
// ranges "low&high&…" of a data-set page). Empty when there is nothing to send: the server then
// answers 404.
std::string generateDataScript(std::string_view pageKey, const std::optional<std::string_view>& parameter,
                               PageValueSource& values);

// The page key of a request path: the path without its separators.
std::string pageKeyOfPath(std::string_view path);

// The page number in the last three characters of a query (what there is of a shorter one), read
// as decimal digits up to the first other character; 0 when there is no digit.
int pageNumberOfQuery(std::string_view query);

} // namespace rk::web
