// A Ui that passes every request on to another one, which a test may change while its windows
// live: the windows keep the seam they were given, the test decides who answers. A message that
// arrives while no target is routed was expected by nobody: it is answered as a silent Ui would
// and fails the test at checkNothingUnexpected() or when the switch ends.
#pragma once

#include "platform/ui.h"
#include "support/unexpected_prompt.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace rk::testing {

class UiSwitch : public platform::Ui {
public:
    UiSwitch() = default;
    ~UiSwitch() override { checkNothingUnexpected(); }
    UiSwitch(const UiSwitch&) = delete;
    UiSwitch& operator=(const UiSwitch&) = delete;

    // Fails the running test for every message that found no target since the last check.
    void checkNothingUnexpected() {
        std::vector<std::string> unrouted;
        {
            std::lock_guard lock(mutex_);
            unrouted.swap(unrouted_);
        }
        for (const std::string& text : unrouted) failOnUnexpectedPrompt(text);
    }

    void route(platform::Ui& target) { target_.store(&target); }
    void unroute(platform::Ui& target) {
        platform::Ui* expected = &target;
        target_.compare_exchange_strong(expected, nullptr);
    }

    platform::Answer messageBox(const platform::MessageRequest& request) override {
        if (target_.load() == nullptr) noteUnrouted(request.text);
        return current().messageBox(request);
    }
    void errorNotice(const std::string& text) override {
        if (target_.load() == nullptr) noteUnrouted(text);
        current().errorNotice(text);
    }
    void setWaitCursor(bool waiting) override { current().setWaitCursor(waiting); }
    void* findWindow(const std::string& title) override { return current().findWindow(title); }
    bool openBrowser(const std::string& url) override { return current().openBrowser(url); }
    bool openFolder(const std::string& path) override { return current().openFolder(path); }

private:
    platform::Ui& current() {
        platform::Ui* target = target_.load();
        return target != nullptr ? *target : silent_;
    }

    void noteUnrouted(const std::string& text) {
        std::lock_guard lock(mutex_);
        unrouted_.push_back(text);
    }

    std::atomic<platform::Ui*> target_{nullptr};
    std::mutex mutex_;
    std::vector<std::string> unrouted_;
    platform::SilentUi silent_;
};

} // namespace rk::testing
