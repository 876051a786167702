// The data-set command fields of the edit pages, the "h" names: "h009_101sn2" is the second
// value of command 009 for address 101. A page shows what the command engine shows for the
// command, and a submitted form keys the command in with its new values, both on a console of
// the data image that no one else types on.
#pragma once

#include "image/data_image.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::web {

// The console of the edit pages (1 is the command line's, the last two those of the read's
// data-set conversion and of the data-set file builder).
constexpr int kPageConsole = static_cast<int>(image::kConsoleCount) - 2;

// The key that shows an entry (the name before its first 'n'): "*", the digit groups with the
// separators dropped, and "#" after every group that an 's' or an 'n' ends and after the last,
// as "*009101#" for h009_101s or "*0011#" for h001_1.
std::string showKeyOf(std::string_view entryName);

// What the command shows for the entry, split at ',': "0", "0", "0", "0" for h009_101s. Nothing
// when the engine shows no value for it (no such command, an address it refuses).
std::vector<std::string> shownValues(image::DataImage& image, std::string_view entryName);

// How many values the entry's command takes (its data fields); 0 when the name is not one of
// an engine command with an address field for each of its digit groups.
int dataValueCount(std::string_view entryName);

// The command text that stores values for an entry: "*" + command + addresses + values + "#".
// With `subFields` every data field needs its value at its full width; without, the one value
// is cut to its field. A value is made of the keys a data field takes (0–9, A–F). Nothing when
// the name or the values do not make a whole command.
std::optional<std::string> storeCommandOf(std::string_view entryName, std::span<const std::string> values,
                                          bool subFields);

} // namespace rk::web
