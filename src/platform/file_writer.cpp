#include "platform/file_writer.h"

#include "platform/text.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace rk::platform {
namespace {

std::mutex limitMutex;
std::optional<std::size_t> remainingBytes;
std::function<bool(const std::filesystem::path&)> failingTargets;

bool failsForTesting(const std::filesystem::path& target) {
    std::lock_guard lock(limitMutex);
    return failingTargets && failingTargets(target);
}
std::atomic<unsigned> temporaryCounter{0};

// How many of `wanted` bytes may still be written under the test limit.
std::size_t allowance(std::size_t wanted) {
    std::lock_guard lock(limitMutex);
    if (!remainingBytes) return wanted;
    const std::size_t granted = std::min(wanted, *remainingBytes);
    *remainingBytes -= granted;
    return granted;
}

// 0, or the error number of the write that failed.
int writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// Makes a rename in a directory survive a power loss; a failure here does not undo the save.
void syncDirectory(const std::filesystem::path& directory) {
    const int descriptor = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// The temporary file of a writer: ".NAME.PID.COUNTER.tmp" beside the target.
std::string temporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".";
}

// The process that made a temporary file of the target, from its name; 0 when the name is none of
// ours.
pid_t temporaryOwner(std::string_view name, std::string_view prefix) {
    constexpr std::string_view kSuffix = ".tmp";
    if (!name.starts_with(prefix) || !name.ends_with(kSuffix)) return 0;
    const std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    const std::size_t dot = middle.find('.');
    if (dot == std::string_view::npos) return 0;
    pid_t owner = 0;
    const std::string_view pid = middle.substr(0, dot);
    const auto [end, error] = std::from_chars(pid.data(), pid.data() + pid.size(), owner);
    if (error != std::errc() || end != pid.data() + pid.size() || owner <= 0) return 0;
    const std::string_view counter = middle.substr(dot + 1);
    if (counter.empty() || counter.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    return owner;
}

// Removes the temporary files that writers of the same target left when their process was
// killed half-way. A process that still runs (or that we may not signal) keeps its file.
void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = temporaryPrefix(target);
    std::error_code error;
    const std::filesystem::path directory = target.parent_path().empty() ? "." : target.parent_path();
    for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const pid_t owner = temporaryOwner(name, prefix);
        if (owner == 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        if (entry->is_regular_file(ignored)) std::filesystem::remove(entry->path(), ignored);
    }
}

} // namespace

std::string writeFailureText(const WriteFailure& failure) {
    const std::string path = failure.path.string();
    if (failure.error == WriteFailure::kNotRegularFile)
        return text::toCp932("\n" + path + " は通常のファイルではないため、書き込めません。\n");
    std::string reason;
    const int error = failure.error != 0 ? failure.error : EIO;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        reason = "ディスクの空き容量が不足しています。";
        break;
    case EACCES:
    case EPERM:
        reason = "書き込みの権限がありません。";
        break;
    case EROFS:
        reason = "読み取り専用のディスクです。";
        break;
    default:
        reason = std::strerror(error);
        break;
    }
    return text::toCp932("\n" + path + " を書き込めませんでした。\n" + reason + "\n");
}

FileWriter::~FileWriter() {
    discard();
}

void FileWriter::fail(int error) {
    if (failure_.failed()) return;
    failure_.path = target_;
    failure_.error = error != 0 ? error : EIO;
}

bool FileWriter::open(const std::filesystem::path& target, bool createDirectory) {
    discard();
    failure_ = WriteFailure{};
    target_ = target;
    std::error_code error;
    // Through a symbolic link the file it names is replaced, not the link.
    if (std::filesystem::is_symlink(target, error)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (!error) target_ = resolved;
    }
    // A directory, a pipe or a device in the target's place is never replaced by a file.
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        fail(WriteFailure::kNotRegularFile);
        return false;
    }
    // A file that may not be written stays as it is, as it would if it were opened for writing.
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        fail(errno);
        return false;
    }
    const std::filesystem::path directory = target_.parent_path();
    if (createDirectory && !directory.empty()) std::filesystem::create_directories(directory, error);
    removeStaleTemporaries(target_);
    // A name of our own beside the target, so that the final rename stays on one file system.
    int openError = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryPrefix(target_);
        name += std::to_string(::getpid());
        name += '.';
        name += std::to_string(temporaryCounter.fetch_add(1));
        name += ".tmp";
        temporary_ = directory / name;
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) break;
        openError = errno;
        if (openError != EEXIST) break;
    }
    if (descriptor_ < 0) {
        temporary_.clear();
        fail(openError);
        return false;
    }
    // Keep the permissions of a file we replace.
    if (exists) ::fchmod(descriptor_, existing.st_mode & 07777);
    return true;
}

bool FileWriter::write(std::string_view bytes) {
    if (descriptor_ < 0 || failure_.failed()) return false;
    const std::size_t granted = allowance(bytes.size());
    const int error = writeAll(descriptor_, bytes.data(), granted);
    if (error != 0)
        fail(error);
    else if (granted < bytes.size())
        fail(ENOSPC);
    return !failure_.failed();
}

bool FileWriter::finish() {
    if (finished_) return true;
    if (descriptor_ < 0) return false;
    if (!failure_.failed() && failsForTesting(target_)) fail(ENOSPC);
    if (!failure_.failed() && ::fsync(descriptor_) != 0) fail(errno);
    if (::close(descriptor_) != 0) fail(errno);
    descriptor_ = -1;
    if (failure_.failed()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    finished_ = true;
    return true;
}

bool FileWriter::commit() {
    if (!finish()) return false;
    finished_ = false;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail(errno);
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    syncDirectory(target_.parent_path());
    return true;
}

void FileWriter::discard() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
    finished_ = false;
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool replaceFile(const std::filesystem::path& target, std::string_view content, WriteFailure* failure) {
    FileWriter writer;
    bool opened = writer.open(target);
    // The second attempt makes the directory first; what is no regular file stays refused.
    if (!opened && writer.failure().error != WriteFailure::kNotRegularFile)
        opened = writer.open(target, true);
    if (opened) {
        writer.write(content);
        if (writer.commit()) return true;
    }
    if (failure != nullptr) *failure = writer.failure();
    return false;
}

void setFileWriteLimitForTesting(std::optional<std::size_t> bytes) {
    std::lock_guard lock(limitMutex);
    remainingBytes = bytes;
}

void setFileWriteFailureForTesting(std::function<bool(const std::filesystem::path&)> fails) {
    std::lock_guard lock(limitMutex);
    failingTargets = std::move(fails);
}

} // namespace rk::platform
