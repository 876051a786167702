#include "platform/system_facts.h"

#include <system_error>

namespace rk::platform {

std::optional<std::uintmax_t> SystemFacts::freeDiskSpace(const std::filesystem::path& path) const {
    std::error_code error;
    std::filesystem::path probe = std::filesystem::absolute(path, error);
    if (error) return std::nullopt;
    // Climb to the first part of the path that exists; the root always does.
    while (!std::filesystem::exists(probe, error)) {
        if (!probe.has_relative_path()) return std::nullopt;
        probe = probe.parent_path();
    }
    const std::filesystem::space_info space = std::filesystem::space(probe, error);
    if (error || space.free == static_cast<std::uintmax_t>(-1)) return std::nullopt;
    return space.free;
}

} // namespace rk::platform
