// What the file selection window does around one load or save, for the commands that read or
// write the operator's files: the window's checks and messages, the file routine, the backup
// copy. The column order is the PC's own (kana first).
#pragma once

#include <string>

namespace rk::cli {

// Loads a save file of a kind (1 common, 2 my phonebook) into the working copy. False after
// the window's message.
bool loadOperatorFile(const std::string& path, int kind);

// Saves the working copy's phonebook of a kind after the free-space check. False after the
// window's message.
bool saveOperatorFile(const std::string& path, int kind);

} // namespace rk::cli
