// The operator's save files: one phonebook per file, in the PC-side speed-dial text (the
// program's own ".rkdat"; the common phonebook also as ".csv", the very same bytes). There is no
// binary format: the working copy itself is never written out.
#pragma once

#include "phonebook/workspace.h"
#include "platform/ui.h"

#include <cstdint>
#include <filesystem>

namespace rk::phonebook {

// Points PhoneDir (with its trailing "/") and PhoneFileName at a path, made absolute first.
void setPhonebookFilePath(Workspace& workspace, const std::filesystem::path& path);

// Writes the phonebook of a kind (1 common, 2 my phonebook) to a path: 0 saved, 30 not created.
// The column order stays as the caller set it (0, kana first, for the PC's own files).
[[nodiscard]] int savePhonebookFile(Workspace& workspace, platform::Ui& ui, const std::filesystem::path& path,
                                    int kind);

// Reads a save file into the working copy: 0 loaded (also when nothing in it was recognised),
// 30 when it could not be opened. Loading does not clear first.
[[nodiscard]] int loadPhonebookFile(Workspace& workspace, platform::Ui& ui, const std::filesystem::path& path,
                                    int kind);

// The free bytes a save needs on the target disk, by kind and by the memory count in force
// (memories of the common phonebook for kind 1, memories per telephone for kind 2).
std::uintmax_t saveSpaceEstimate(int kind, int memoryCount);

} // namespace rk::phonebook
