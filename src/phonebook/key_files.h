// The one-touch and anything-key page files the main unit may fetch on a write, built from the
// key store of the data image.
//
// Each file is an XML document in the form in which the main unit itself sends its keys: one
// element, "i92" for one-touch keys and "i14" for anything keys, whose text holds one part per
// programmed key of the file's telephone positions, each part ended by "," and a line feed:
//
//   <?xml version="1.0" encoding="Shift_JIS"?>\n<root>\n<i92>\n101_01@1@0312345678@,\n…</i92>\n</root>\n
//
//   one-touch part   PPP "_" KK "@" T1 "@" T2 "@"   (T1, T2 the texts after "-" and "," of the setting)
//   anything part    PPP "_" KK "@"  or  PPP "_" KK "@" T "@"   (T with "<" and ">" written as "(" and ")")
//
// so that reading a file back through the download converters programs exactly the keys it was
// built from. "&", "<" and ">" are escaped as XML requires. Keys are listed by position, then
// key number; a file whose positions hold no key has an empty element. The files do not depend
// on the firmware of the main unit.
//
//   one-touch101.txt  one-touch keys of positions 101..152    nandemo.txt     anything keys, 101..200
//   one-touch153.txt  one-touch keys of positions 153..200    nandemo101.txt  anything keys, 101..116
//   nandemo117.txt 117..132   nandemo133.txt 133..152   nandemo153.txt 153..164
//   nandemo165.txt 165..180   nandemo181.txt 181..200
#pragma once

#include "image/data_image.h"
#include "image/key_store.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace rk::phonebook {

struct KeyFile {
    std::string_view name;
    image::KeyKind kind;
    int firstPosition;
    int lastPosition;
};

std::span<const KeyFile> keyFiles();

// The whole text of one file.
std::string keyFileText(const image::DataImage& image, const KeyFile& file);

// Writes every file of keyFiles() into the directory, each replaced whole. 1 when all were
// written, 0 when one could not be (the others are still written).
int writeKeyFiles(const image::DataImage& image, const std::filesystem::path& directory);

} // namespace rk::phonebook
