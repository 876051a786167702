// Progress windows are found by their exact title ("データ通信実行中", "ファイル作成中"), as the
// device link and the file routines expect. Senders post (title, message, value) to the registry
// they were given; nothing happens when no window of that title is open. A front end registers
// its progress window under its title while the window exists; tests register a recorder.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rk::platform {

// Messages understood by the progress windows.
enum ProgressMessage {
    WM_PRG_SETPOS = 1124,   // value: position in percent
    WM_PRG_STARTPOS = 1125, // value: position at the start of the current file's share
    WM_PRG_ENDPOS = 1126,   // value: position at its end
    WM_PRG_RANGE = 1127,    // value: byte count of the current file
    WM_PRG_STEP = 1128,     // value: bytes moved so far in the current file
};

class ProgressReceiver {
public:
    virtual ~ProgressReceiver() = default;
    // Called on the sender's thread. Must not block: a window hands the value to its own
    // thread and returns.
    virtual void post(int message, std::int64_t value) = 0;
    // The window as the operator seam knows it, so that messages of a transfer can be owned
    // by it.
    virtual void* nativeWindow() const { return nullptr; }
};

// The open progress windows of one program, by title. Safe to use from any thread.
class ProgressRegistry {
public:
    ProgressRegistry() = default;
    ProgressRegistry(const ProgressRegistry&) = delete;
    ProgressRegistry& operator=(const ProgressRegistry&) = delete;

    // Posts to the most recently registered window of that title. False when none is open.
    bool post(std::string_view title, int message, std::int64_t value);
    bool isOpen(std::string_view title) const;
    // The native handle of the open window of that title, nullptr when none is open.
    void* windowHandle(std::string_view title) const;

private:
    friend class ProgressRegistration;
    void add(const std::string& title, ProgressReceiver* receiver);
    void remove(const std::string& title, ProgressReceiver* receiver);

    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, ProgressReceiver*>> windows_;
};

// Registers a window under its title (CP932 bytes) for the lifetime of the object.
class ProgressRegistration {
public:
    ProgressRegistration(ProgressRegistry& registry, std::string title, ProgressReceiver& receiver);
    ~ProgressRegistration();
    ProgressRegistration(const ProgressRegistration&) = delete;
    ProgressRegistration& operator=(const ProgressRegistration&) = delete;

private:
    ProgressRegistry& registry_;
    std::string title_;
    ProgressReceiver* receiver_;
};

// The two titles, as CP932 bytes.
const std::string& communicationProgressTitle(); // データ通信実行中
const std::string& fileProgressTitle();          // ファイル作成中

// Posts to the communication progress window, if one is open: the device link's steps and the
// socket's block transfers report there.
inline void postCommunicationProgress(ProgressRegistry& progress, int message, std::int64_t value) {
    progress.post(communicationProgressTitle(), message, value);
}

} // namespace rk::platform
