// Writes a file so that it is either replaced completely or left as it was: the content goes to
// a temporary file in the target's directory, is flushed to the disk, and only then renamed over
// the target. A save that fails half-way (disk full, removed medium) never destroys the previous
// file, and a target that is there but is no regular file (a directory, a pipe, a device) is never
// replaced.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rk::platform {

// Why a file could not be written: the file, and the system's error number (or
// kNotRegularFile).
struct WriteFailure {
    static constexpr int kNotRegularFile = -1; // the target is there and is no regular file

    std::filesystem::path path;
    int error = 0;

    bool failed() const { return error != 0; }
};

// The operator's message for a file that could not be written, naming it and the reason (CP932).
std::string writeFailureText(const WriteFailure& failure);

class FileWriter {
public:
    FileWriter() = default;
    ~FileWriter(); // discards an uncommitted file
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Starts a new content for the target. With createDirectory the target's directory (and its
    // parents) is created when it is missing. False when no temporary file could be created, or
    // when the target is there and is no regular file. The temporary files that earlier writers
    // of the same target left behind when their process was killed are removed first.
    bool open(const std::filesystem::path& target, bool createDirectory = false);

    // Appends bytes. False once anything failed; later writes then do nothing.
    bool write(std::string_view bytes);

    // Flushes the content to the disk and closes it, without putting it in place yet. False when
    // anything failed: the temporary file is removed and the target stays as it was.
    bool finish();

    // Finishes (when not done yet) and puts the content in place of the target. False when
    // anything failed: the temporary file is removed and the target stays as it was.
    bool commit();

    // Drops the content; the target stays as it was.
    void discard();

    // What went wrong, once open, write, finish or commit failed.
    const WriteFailure& failure() const { return failure_; }

private:
    void fail(int error);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    bool finished_ = false;
    WriteFailure failure_;
};

// Creates or replaces a file with the given content: first in the target's directory as it is,
// then, when that cannot be done, after creating the directory. False when neither worked; the
// previous file is then untouched and `failure`, when given, says why.
bool replaceFile(const std::filesystem::path& target, std::string_view content,
                 WriteFailure* failure = nullptr);

// For tests: after this many more bytes have been written by any FileWriter, every further write
// fails, as on a full disk. nullopt lifts the limit.
void setFileWriteLimitForTesting(std::optional<std::size_t> bytes);

// For tests: every file whose target the predicate names fails to be written, as if its disk were
// full, while other files are written. An empty function lifts it.
void setFileWriteFailureForTesting(std::function<bool(const std::filesystem::path&)> fails);

} // namespace rk::platform
