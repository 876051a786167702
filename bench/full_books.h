// Both phonebooks full, as files: 990 common memories and 2,000 my-phonebook lines, every memory
// in use, for the benchmarks of the comparison.
#pragma once

#include "history/phonebook_diff.h"
#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <ctime>
#include <string>

namespace rk::bench {

inline std::string numberFor(int seed) {
    std::string number = "03";
    for (int digit = 0; digit < 8; ++digit)
        number.push_back(static_cast<char>('0' + (seed * 7 + digit * 3) % 10));
    return number;
}

// Both books of a workspace as files, every memory in use; `changed` alters the number of every
// memory whose index is a multiple of it (0: none).
inline history::PhonebookSide fullBooks(int memoryMode, int changed) {
    Workspace workspace;
    workspace.image().memoryMode = static_cast<std::uint8_t>(memoryMode);
    for (int memory = 0; memory < 990; ++memory) {
        const int seed = changed != 0 && memory % changed == 0 ? memory + 5001 : memory;
        auto text = phonebook::EntryText::make(numberFor(seed), "\xD4\xCF\xC0\xDE \xC0\xDB\xB3",
                                               "\x8E\x52\x93\x63\x91\xBE\x98\x59",
                                               static_cast<char>('0' + memory % 8));
        static_cast<void>(phonebook::storeSystemEntry(workspace, memory, text));
    }
    int line = 0;
    for (int position = 101; position <= 200; ++position) {
        for (int memory = 980; memory < 1000; ++memory, ++line) {
            const int seed = changed != 0 && line % changed == 0 ? line + 7001 : position * 20 + memory;
            auto text =
                phonebook::EntryText::make(numberFor(seed), "\xD4\xCF\xC0\xDE", "\x8E\x52\x93\x63", 0);
            static_cast<void>(phonebook::storeTelephoneEntry(workspace, position, memory, text));
        }
    }
    std::tm time{};
    time.tm_year = 124;
    const auto header = workspace.fileHeaderLine().format(time);
    // As a transfer leaves them: the common phonebook in the main unit's column order.
    return {phonebook::formatPhonebookFile(workspace, 1, header, 1),
            phonebook::formatPhonebookFile(workspace, 2, header, 0)};
}

// Both books of a workspace with nothing in them.
inline history::PhonebookSide emptyBooks(int memoryMode) {
    Workspace workspace;
    workspace.image().memoryMode = static_cast<std::uint8_t>(memoryMode);
    std::tm time{};
    time.tm_year = 124;
    const auto header = workspace.fileHeaderLine().format(time);
    return {phonebook::formatPhonebookFile(workspace, 1, header, 1),
            phonebook::formatPhonebookFile(workspace, 2, header, 0)};
}

} // namespace rk::bench
