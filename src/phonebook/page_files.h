// The main unit's page files: the PC-side speed-dial files cut into pages of 500 records, each
// page an XML-like text with bare LF line ends. sys-tan.txt becomes sys-tan000.txt and
// sys-tan500.txt, tel-tan.txt becomes tel-tan101.txt, tel-tan126.txt, tel-tan151.txt and
// tel-tan176.txt.
#pragma once

#include "platform/file_writer.h"

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::phonebook {

constexpr std::array<std::string_view, 2> kSystemPageFiles = {"sys-tan000.txt", "sys-tan500.txt"};
constexpr std::array<std::string_view, 4> kTelephonePageFiles = {"tel-tan101.txt", "tel-tan126.txt",
                                                                 "tel-tan151.txt", "tel-tan176.txt"};

// Converts a PC-side file into the page files. The first page goes to `destination`, the later
// ones beside it under their fixed names. With the separator flag (main unit firmware 1.00)
// every comma inside a record is written as "s". 0 when done, 30 when the source could not be
// read or a page could not be written (`failure`, when given, then says which and why).
int makeMainUnitSystemFiles(const std::filesystem::path& source, const std::filesystem::path& destination,
                            bool separatorFlag, platform::WriteFailure* failure = nullptr);
int makeMainUnitTelephoneFiles(const std::filesystem::path& source, const std::filesystem::path& destination,
                               bool separatorFlag, platform::WriteFailure* failure = nullptr);

// The same over bytes: the pages' contents in order. A page is opened after every 500th record
// (up to the last page), so a source that ends early yields fewer pages.
std::vector<std::string> mainUnitSystemPages(std::span<const char> source, bool separatorFlag);
std::vector<std::string> mainUnitTelephonePages(std::span<const char> source, bool separatorFlag);

} // namespace rk::phonebook
