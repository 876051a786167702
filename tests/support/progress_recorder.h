// Stands in for a progress window: registers under a title and records every post.
#pragma once

#include "platform/progress.h"

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace rk::testing {

class ProgressRecorder : public platform::ProgressReceiver {
public:
    ProgressRecorder(platform::ProgressRegistry& registry, const std::string& title)
        : registration_(registry, title, *this) {}

    void post(int message, std::int64_t value) override {
        std::lock_guard lock(mutex_);
        posts_.emplace_back(message, value);
    }

    std::vector<std::pair<int, std::int64_t>> posts() const {
        std::lock_guard lock(mutex_);
        return posts_;
    }

    std::vector<std::int64_t> values(int message) const {
        std::lock_guard lock(mutex_);
        std::vector<std::int64_t> result;
        for (const auto& [kind, value] : posts_)
            if (kind == message) result.push_back(value);
        return result;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::int64_t>> posts_;
    platform::ProgressRegistration registration_;
};

} // namespace rk::testing
