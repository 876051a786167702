// The operator's save files: one phonebook per file, in the PC-side speed-dial text (the
// program's own ".rkdat"; the common phonebook also as ".csv", the very same bytes). There is no
// binary format: the working copy itself is never written out.
#pragma once

#include "phonebook/workspace.h"

#include <cstdint>
#include <filesystem>

namespace rk::phonebook {

// Points PhoneDir (with its trailing "/") and PhoneFileName at a path, made absolute first.
void setPhonebookFilePath(Workspace& workspace, const std::filesystem::path& path);

// The free bytes a save needs on the target disk, by kind and by the memory count in force
// (memories of the common phonebook for kind 1, memories per telephone for kind 2).
std::uintmax_t saveSpaceEstimate(int kind, int memoryCount);

} // namespace rk::phonebook
