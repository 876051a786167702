#include "platform/system_facts.h"

#include <mutex>
#include <system_error>
#include <utility>

namespace rk::platform {
namespace {

std::mutex queryMutex;
FreeDiskSpaceQuery replacement;

std::optional<std::uintmax_t> askSystem(const std::filesystem::path& path) {
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

} // namespace

std::optional<std::uintmax_t> freeDiskSpace(const std::filesystem::path& path) {
    FreeDiskSpaceQuery query;
    {
        std::lock_guard lock(queryMutex);
        query = replacement;
    }
    return query ? query(path) : askSystem(path);
}

void setFreeDiskSpaceQueryForTesting(FreeDiskSpaceQuery query) {
    std::lock_guard lock(queryMutex);
    replacement = std::move(query);
}

} // namespace rk::platform
