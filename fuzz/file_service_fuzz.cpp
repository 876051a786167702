// Arbitrary bytes as the main unit's requests to the PC's file service: two requests with their
// headers arrive on the return connection (one end of a socket pair) and ServiceProcess answers.
// The first input byte picks the transfer state. Nothing may crash, hang or leave the work area.
#include "link/device_info.h"
#include "link/device_session.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdlib.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The service writes, copies and deletes files for every request: its work area lives in memory
// (/dev/shm) where there is such a folder, and goes when the run ends.
class WorkArea {
public:
    WorkArea() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "rkdial-fuzz-service-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
        for (const char* name : {"sys-tan000.txt", "dset-600.txt", "dset-600-1.txt", "nandemo.txt"})
            std::ofstream(path_ / name) << "<root>\n</root>\n";
    }
    ~WorkArea() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& workDirectory() {
    static const WorkArea area;
    return area.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 60000) return 0; // the peer's buffer must hold the whole input
    static rk::Workspace workspace;
    static rk::platform::SilentUi ui;
    static rk::platform::ProgressRegistry progress;
    static rk::platform::Clock clock(0);
    static rk::platform::SystemFacts system;
    const rk::platform::Seam seam{ui, progress, clock, system};
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
    std::size_t written = 0;
    while (written < size - 1) {
        const ssize_t n = ::write(ends[1], data + 1 + written, size - 1 - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    ::shutdown(ends[1], SHUT_WR);

    {
        rk::link::DeviceSession session(workspace, seam);
        session.SetWorkDirectory(workDirectory().string());
        session.fileList() = {"sys-tan000.txt", "dset-600.txt", "nandemo.txt"};
        if (session.WriteFileList(rk::link::kDirectionWrite) != 1) __builtin_trap();
        session.setTransferState(data[0] % 4);
        auto connection = std::make_unique<rk::net::TcpSocket>(seam);
        connection->Adopt(ends[0]);
        session.AdoptReturnConnection(std::move(connection));
        session.newRecord();
        static_cast<void>(session.ServiceProcess()); // any answer, or none, is fine; no crash is the point
    }
    ::close(ends[1]);
    std::error_code error;
    std::filesystem::remove_all(workDirectory() / rk::link::DeviceSession::kTemporaryFolder, error);
    return 0;
}
