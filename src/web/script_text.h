// Values inside the JavaScript string literals the server writes (data scripts, the redirect
// after a submission). The pages read those scripts as Shift-JIS, so a value is walked
// character by character: a double-byte character is copied whole even when its second byte
// is a quotation mark's neighbour 0x5C, and only single bytes that would end or break the
// literal are escaped.
#pragma once

#include <string>
#include <string_view>

namespace rk::web {

// Appends `value` for use between the quotation marks of a JavaScript string: '"' and '\'
// single bytes get a backslash; '<' (so that no "</script>" can appear), control bytes and a
// lead byte without its second byte are written as \xHH.
void appendScriptString(std::string& out, std::string_view value);

} // namespace rk::web
