#include "platform/file_writer.h"

#include <atomic>
#include <cerrno>
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

bool writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Makes a rename in a directory survive a power loss; a failure here does not undo the save.
void syncDirectory(const std::filesystem::path& directory) {
    const int descriptor = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

} // namespace

FileWriter::~FileWriter() {
    discard();
}

bool FileWriter::open(const std::filesystem::path& target, bool createDirectory) {
    discard();
    failed_ = false;
    target_ = target;
    std::error_code error;
    // Through a symbolic link the file it names is replaced, not the link.
    if (std::filesystem::is_symlink(target, error)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (!error) target_ = resolved;
    }
    // A file that may not be written stays as it is, as it would if it were opened for writing.
    if (::access(target_.c_str(), F_OK) == 0 && ::access(target_.c_str(), W_OK) != 0) return false;
    const std::filesystem::path directory = target_.parent_path();
    if (createDirectory && !directory.empty()) std::filesystem::create_directories(directory, error);
    // A name of our own beside the target, so that the final rename stays on one file system.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(1, '.');
        name += target_.filename().string();
        name += '.';
        name += std::to_string(::getpid());
        name += '.';
        name += std::to_string(temporaryCounter.fetch_add(1));
        name += ".tmp";
        temporary_ = directory / name;
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) break;
        if (errno != EEXIST) break;
    }
    if (descriptor_ < 0) {
        temporary_.clear();
        return false;
    }
    // Keep the permissions of a file we replace.
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(descriptor_, existing.st_mode & 07777);
    return true;
}

bool FileWriter::write(std::string_view bytes) {
    if (descriptor_ < 0 || failed_) return false;
    const std::size_t granted = allowance(bytes.size());
    if (!writeAll(descriptor_, bytes.data(), granted) || granted < bytes.size()) failed_ = true;
    return !failed_;
}

bool FileWriter::commit() {
    if (descriptor_ < 0) return false;
    bool good = !failed_ && !failsForTesting(target_) && ::fsync(descriptor_) == 0;
    good = ::close(descriptor_) == 0 && good;
    descriptor_ = -1;
    if (good) good = ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!good) {
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
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool replaceFile(const std::filesystem::path& target, std::string_view content) {
    FileWriter writer;
    if (!writer.open(target) && !writer.open(target, true)) return false;
    writer.write(content);
    return writer.commit();
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
