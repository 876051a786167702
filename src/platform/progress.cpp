#include "platform/progress.h"

#include "platform/text.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace rk::platform {
namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::pair<std::string, ProgressReceiver*>> windows;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

ProgressRegistration::ProgressRegistration(std::string title, ProgressReceiver& receiver)
    : title_(std::move(title)), receiver_(&receiver) {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    windows.windows.emplace_back(title_, receiver_);
}

ProgressRegistration::~ProgressRegistration() {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    auto& list = windows.windows;
    list.erase(std::remove(list.begin(), list.end(), std::make_pair(title_, receiver_)), list.end());
}

bool postProgress(std::string_view title, int message, std::int64_t value) {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    for (auto it = windows.windows.rbegin(); it != windows.windows.rend(); ++it) {
        if (it->first != title) continue;
        it->second->post(message, value);
        return true;
    }
    return false;
}

bool progressWindowOpen(std::string_view title) {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    return std::any_of(windows.windows.begin(), windows.windows.end(),
                       [title](const auto& window) { return window.first == title; });
}

void* progressWindowHandle(std::string_view title) {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    for (auto it = windows.windows.rbegin(); it != windows.windows.rend(); ++it)
        if (it->first == title) return it->second->nativeWindow();
    return nullptr;
}

const std::string& communicationProgressTitle() {
    static const std::string title = text::toCp932("データ通信実行中");
    return title;
}

const std::string& fileProgressTitle() {
    static const std::string title = text::toCp932("ファイル作成中");
    return title;
}

} // namespace rk::platform
