// Facts about the machine that the program asks the system for. The base class asks the real
// system; tests derive from it to give other answers (a full disk) without one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace rk::platform {

class SystemFacts {
public:
    virtual ~SystemFacts() = default;

    // All free bytes of the volume that holds a path (not what a quota would leave to one user).
    // A path that does not exist yet is answered for its nearest existing parent, the volume on
    // which it would be created. nullopt when the system cannot tell.
    virtual std::optional<std::uintmax_t> freeDiskSpace(const std::filesystem::path& path) const;
};

} // namespace rk::platform
