// Turns the data-set items the main unit sends on a read ("h" + item number elements) into
// data-set command lines, and applies each command to the data image through the keypad
// console, so that a read leaves the image programmed as the main unit is.
#pragma once

#include "image/data_image.h"

#include <string>
#include <string_view>
#include <vector>

namespace rk::phonebook {

// The keypad console the conversion types its commands on; none of the other users of the
// engine types on it.
constexpr int kConversionConsole = static_cast<int>(image::kConsoleCount) - 1;

// The parts of an element text: split at every ",", the piece after the last "," included,
// each trimmed of white space; empty parts are left out. A text without any comma is one part.
std::vector<std::string_view> elementParts(std::string_view text);

// The command of one part of item `itemNumber` (0..9999): "*" and the item number (three
// digits below 1000, four from 1000), the part's fields each ended by "#". Empty for an item
// number outside 0..9999.
std::string dataSetCommand(int itemNumber, std::string_view part, int fwIs501);

// Converts the element of one item: every part's command is applied to the image and appended
// to `output` with a line feed. For items 83, 163 and 164 an element without any part applies
// the item's default command instead ("*08300#", "*1630#", "*16400000#"), which is not written.
// Returns the last command built from a part (empty when there was none).
std::string convertDataSetItem(image::DataImage& image, int itemNumber, std::string_view elementText,
                               int fwIs501, std::string& output);

} // namespace rk::phonebook
