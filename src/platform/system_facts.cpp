#include "platform/system_facts.h"

#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

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

std::optional<std::uint64_t> SystemFacts::availablePhysicalMemory() const {
    // "MemAvailable:   1234567 kB": what the kernel estimates it can give without swapping.
    std::ifstream info("/proc/meminfo");
    std::string name;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (info >> name >> kilobytes >> unit) {
        if (name == "MemAvailable:") return kilobytes * 1024;
    }
    return std::nullopt;
}

std::filesystem::path SystemFacts::executablePath() const {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

} // namespace rk::platform
