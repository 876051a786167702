// Upkeep of the number-ordered index of the common phonebook (internal to the phonebook).
#pragma once

#include "image/data_image.h"

#include <string_view>

namespace rk::phonebook::detail {

// Compares two numbers byte by byte over at most 24 characters, a terminator counting as 0.
int compareNumberTexts(std::string_view a, std::string_view b);

// Moves memory `memory` to the place of `normalisedNumber` in the index. The number is the
// stored number in its normalised text form (an odd-length number keeps its trailing blank).
void updateNumberIndex(image::DataImage& image, int memory, std::string_view normalisedNumber);

} // namespace rk::phonebook::detail
