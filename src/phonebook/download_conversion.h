// Turns the phonebook texts the main unit sends on a read into the bodies of the PC-side files
// sys-tan.txt and tel-tan.txt, which the file parsers then read. The main unit separates its
// fields and records in one of two ways, chosen by its firmware (1.00 or later).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rk::phonebook {

// The body after the header line: the column header, the converted text and CR LF. No element
// (nullopt) gives the column header and CR LF alone.
std::string convertCommonPhonebook(const std::optional<std::string_view>& systan, int fwIs100);

// The body after the header line: the column header and, when there is an element, the
// converted text followed by CR LF.
std::string convertMyPhonebook(const std::optional<std::string_view>& teltan, int fwIs100);

} // namespace rk::phonebook
