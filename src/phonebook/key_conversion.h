// Turns the one-touch keys ("i92" element) and anything keys ("i14" element) the main unit sends
// on a read into the fixed-width records of one-touch.txt and nandemo.txt, and programs each key
// into the key store of the data image.
//
// Every record is built on a 190-character template and written up to its first zero byte,
// followed by a line feed. Fields keep their columns whatever the main unit sends: a field
// token shorter than its columns leaves the rest of them blank, a longer one is cut at the
// field's last column (position 3 columns, key number 2, the last token 9 columns up to the
// fixed "c", the token from column 66 30 columns up to the marker at 96), so the fixed
// characters of the template always stay in place. The key string handed to the key store
// carries the tokens whole; the store refuses what does not fit its slots. An element text
// without any comma is one key, taken whole, as the data-set items take it.
#pragma once

#include "image/data_image.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rk::phonebook {

constexpr std::size_t kKeyRecordSize = 190;
using KeyRecord = std::array<char, kKeyRecordSize>;

// One part of a key element, converted.
struct ConvertedKey {
    std::string record;    // the template's text up to its first zero byte (no line feed)
    std::string keyString; // "i92_…" or "i14_…", for the key store
};

ConvertedKey convertOneTouchPart(std::string_view part);
ConvertedKey convertAnythingKeyPart(std::string_view part);

// The body of one-touch.txt / nandemo.txt: one record and a line feed per part of the element,
// each part's key string programmed into the image. No element: an empty body.
std::string convertOneTouchKeys(image::DataImage& image, const std::optional<std::string_view>& i92);
std::string convertAnythingKeys(image::DataImage& image, const std::optional<std::string_view>& i14);

} // namespace rk::phonebook
