// A seam of its own for a test: the Ui it is given (by default a recorder of its own, which
// expects no message at all: a test that foresees one hands in a recorder with its answers), a
// progress registry, a clock whose pauses are scaled to zero, and system facts whose free disk
// space the test may set.
#pragma once

#include "platform/seam.h"
#include "support/recording_ui.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace rk::testing {

class TestSystemFacts : public platform::SystemFacts {
public:
    using FreeSpace = std::function<std::optional<std::uintmax_t>(const std::filesystem::path&)>;

    // Answers every free-space query instead of the system; an empty function asks the system.
    void setFreeDiskSpace(FreeSpace answer) { freeSpace_ = std::move(answer); }

    std::optional<std::uintmax_t> freeDiskSpace(const std::filesystem::path& path) const override {
        return freeSpace_ ? freeSpace_(path) : platform::SystemFacts::freeDiskSpace(path);
    }

    // The free physical memory the test says (the system's until it says one).
    void setAvailableMemory(std::optional<std::uint64_t> bytes) { memory_ = bytes; }
    std::optional<std::uint64_t> availablePhysicalMemory() const override {
        return memory_ ? memory_ : platform::SystemFacts::availablePhysicalMemory();
    }

    // The program file whose folder holds the edit pages: the build's programs folder.
    std::filesystem::path executablePath() const override { return executable_; }
    void setExecutablePath(std::filesystem::path path) { executable_ = std::move(path); }

private:
    FreeSpace freeSpace_;
    std::optional<std::uint64_t> memory_;
    std::filesystem::path executable_ = std::filesystem::path(RKDIAL_PROGRAM_DIR) / "rkdial";
};

class TestSeam {
public:
    TestSeam() : TestSeam(strict_) {}
    explicit TestSeam(platform::Ui& ui) : seam_{ui, progress, clock, system} {}
    TestSeam(const TestSeam&) = delete;
    TestSeam& operator=(const TestSeam&) = delete;

    const platform::Seam& seam() const { return seam_; }
    operator const platform::Seam&() const { return seam_; }
    platform::Ui& ui() const { return seam_.ui; }

    platform::ProgressRegistry progress;
    platform::Clock clock{0};
    TestSystemFacts system;

private:
    RecordingUi strict_;
    platform::Seam seam_;
};

} // namespace rk::testing
