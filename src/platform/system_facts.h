// Facts about the machine that the program asks the system for: here the free space of a disk.
// Kept behind small functions so that tests can give other answers (a full disk) without one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace rk::platform {

// All free bytes of the volume that holds a path (not what a quota would leave to one user).
// A path that does not exist yet is answered for its nearest existing parent, the volume on
// which it would be created. nullopt when the system cannot tell.
std::optional<std::uintmax_t> freeDiskSpace(const std::filesystem::path& path);

// For tests: answers every freeDiskSpace call instead of the system. An empty function restores
// the real query.
using FreeDiskSpaceQuery = std::function<std::optional<std::uintmax_t>(const std::filesystem::path&)>;
void setFreeDiskSpaceQueryForTesting(FreeDiskSpaceQuery query);

} // namespace rk::platform
