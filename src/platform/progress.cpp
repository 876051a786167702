#include "platform/progress.h"

#include "platform/text.h"

#include <algorithm>

namespace rk::platform {

void ProgressRegistry::add(const std::string& title, ProgressReceiver* receiver) {
    std::lock_guard lock(mutex_);
    windows_.emplace_back(title, receiver);
}

void ProgressRegistry::remove(const std::string& title, ProgressReceiver* receiver) {
    std::lock_guard lock(mutex_);
    std::erase(windows_, std::make_pair(title, receiver));
}

bool ProgressRegistry::post(std::string_view title, int message, std::int64_t value) {
    std::lock_guard lock(mutex_);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if (it->first != title) continue;
        it->second->post(message, value);
        return true;
    }
    return false;
}

bool ProgressRegistry::isOpen(std::string_view title) const {
    std::lock_guard lock(mutex_);
    return std::any_of(windows_.begin(), windows_.end(),
                       [title](const auto& window) { return window.first == title; });
}

void* ProgressRegistry::windowHandle(std::string_view title) const {
    std::lock_guard lock(mutex_);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if (it->first == title) return it->second->nativeWindow();
    return nullptr;
}

ProgressRegistration::ProgressRegistration(ProgressRegistry& registry, std::string title,
                                           ProgressReceiver& receiver)
    : registry_(registry), title_(std::move(title)), receiver_(&receiver) {
    registry_.add(title_, receiver_);
}

ProgressRegistration::~ProgressRegistration() {
    registry_.remove(title_, receiver_);
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
