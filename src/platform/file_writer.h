// Writes a file so that it is either replaced completely or left as it was: the content goes to
// a temporary file in the target's directory, is flushed to the disk, and only then renamed over
// the target. A save that fails half-way (disk full, removed medium) never destroys the previous
// file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rk::platform {

class FileWriter {
public:
    FileWriter() = default;
    ~FileWriter(); // discards an uncommitted file
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Starts a new content for the target. With createDirectory the target's directory (and its
    // parents) is created when it is missing. False when no temporary file could be created.
    bool open(const std::filesystem::path& target, bool createDirectory = false);

    // Appends bytes. False once anything failed; later writes then do nothing.
    bool write(std::string_view bytes);

    // Flushes the content to the disk and puts it in place of the target. False when anything
    // failed: the temporary file is removed and the target stays as it was.
    bool commit();

    // Drops the content; the target stays as it was.
    void discard();

    bool isOpen() const { return descriptor_ >= 0; }

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    bool failed_ = false;
};

// Creates or replaces a file with the given content: first in the target's directory as it is,
// then, when that cannot be done, after creating the directory. False when neither worked; the
// previous file is then untouched.
bool replaceFile(const std::filesystem::path& target, std::string_view content);

// For tests: after this many more bytes have been written by any FileWriter, every further write
// fails, as on a full disk. nullopt lifts the limit.
void setFileWriteLimitForTesting(std::optional<std::size_t> bytes);

// For tests: every file whose target the predicate names fails to be written, as if its disk were
// full, while other files are written. An empty function lifts it.
void setFileWriteFailureForTesting(std::function<bool(const std::filesystem::path&)> fails);

} // namespace rk::platform
