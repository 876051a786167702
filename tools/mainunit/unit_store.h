// What the stand-in main unit remembers between transfers and runs: the page files of the last
// complete write, kept in a folder, from which every later read is answered.
#pragma once

#include "mainunit/main_unit_simulator.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rk::mainunit {

// The page files a write delivers, in the order they are fetched.
constexpr std::array<const char*, 6> kPageFiles = {"sys-tan000.txt", "sys-tan500.txt", "tel-tan101.txt",
                                                   "tel-tan126.txt", "tel-tan151.txt", "tel-tan176.txt"};

// The records of the page files: the common phonebook's from the systan elements, my phonebook's
// from the teltan elements, in the separators of the firmware (see systanText). A page missing
// from `pages` contributes nothing.
std::vector<UnitRecord> recordsFromPages(const std::vector<std::pair<std::string, std::string>>& pages,
                                         bool separatorConvention);

// Keeps the pages of a write in the folder (created when missing), each file replaced whole.
// False when one could not be written.
bool saveStore(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& uploads);

// The records of the folder's pages; nullopt unless it holds every page file.
std::optional<std::vector<UnitRecord>> loadStore(const std::string& folder, bool separatorConvention);

// For the check of a write: changes the number of one common memory, as a unit that garbles what
// it is sent would (the last digit goes up by one, 9 becoming 0; an empty number becomes "1").
// False when the records hold no such memory.
bool changeMemory(std::vector<UnitRecord>& records, int memory);

} // namespace rk::mainunit
