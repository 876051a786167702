// Phonebook files taken as they come, for the history and the comparison: which phonebook a file
// holds and in which column order, without the operator saying so beforehand.
#pragma once

#include "phonebook/load_observer.h"
#include "phonebook/workspace.h"

#include <string>
#include <string_view>

namespace rk::history {

// Which phonebook a PC-side file holds, judged as the parsers judge where its data starts: 1 the
// common phonebook (data from "0," or "000"), 2 my phonebook (from position 101), 0 neither.
int phonebookFileKind(std::string_view file);

// The column order of a common-phonebook file: 1 when its column header is the main unit's
// (kanji name first, as sys-tan.txt of a transfer), 0 for the PC's own files.
int commonColumnOrder(std::string_view file);

// Parses a file of a kind into the working copy of the workspace, in the memory count the
// workspace is set to and in the column order its column header names. Nothing is cleared first.
// The observer, when given, hears of every memory the parse stores into.
void parsePhonebookText(Workspace& workspace, int kind, std::string_view file,
                        phonebook::LoadObserver* observer = nullptr);

// The common phonebook of the workspace's working copy as a file in the column order of the PC's
// own files (kana name first), as a save file holds it, under the header line of `original` (its
// stamp and carried fields) when that has one, else under a header line of the current time.
std::string commonFileInOwnOrder(Workspace& workspace, std::string_view original);

// The memories of a phonebook (1 common, 2 my phonebook) that hold a number, in the memory count
// the workspace is set to.
int memoriesInUse(const Workspace& workspace, int kind);

// The memory-count mode (1 = 600, 2 = 990) of a count; anything but 990 is 600.
constexpr int memoryModeOf(int memoryCount) {
    return memoryCount == 990 ? 2 : 1;
}

} // namespace rk::history
