// Facts about the machine that the program asks the system for. The base class asks the real
// system; tests derive from it to give other answers (a full disk) without one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace rk::platform {

class SystemFacts {
public:
    virtual ~SystemFacts() = default;

    // All free bytes of the volume that holds a path (not what a quota would leave to one user).
    // A path that does not exist yet is answered for its nearest existing parent, the volume on
    // which it would be created. nullopt when the system cannot tell.
    virtual std::optional<std::uintmax_t> freeDiskSpace(const std::filesystem::path& path) const;

    // The physical memory the system could hand out now without swapping, in bytes; nullopt when
    // the system cannot tell.
    virtual std::optional<std::uint64_t> availablePhysicalMemory() const;

    // The running program's own file, as the system names it; empty when it cannot tell.
    virtual std::filesystem::path executablePath() const;

    // The installed web browser's version text as the desktop the program was designed for keeps
    // it; this platform keeps none.
    virtual std::optional<std::string> browserVersion() const { return std::nullopt; }
};

} // namespace rk::platform
