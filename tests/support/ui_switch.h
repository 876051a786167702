// A Ui that passes every request on to another one, which a test may change while its windows
// live: the windows keep the seam they were given, the test decides who answers. Without a
// target it answers as a silent Ui would.
#pragma once

#include "platform/ui.h"

#include <atomic>

namespace rk::testing {

class UiSwitch : public platform::Ui {
public:
    void route(platform::Ui& target) { target_.store(&target); }
    void unroute(platform::Ui& target) {
        platform::Ui* expected = &target;
        target_.compare_exchange_strong(expected, nullptr);
    }

    platform::Answer messageBox(const platform::MessageRequest& request) override {
        return current().messageBox(request);
    }
    void errorNotice(const std::string& text) override { current().errorNotice(text); }
    void setWaitCursor(bool waiting) override { current().setWaitCursor(waiting); }
    void* findWindow(const std::string& title) override { return current().findWindow(title); }
    bool openBrowser(const std::string& url) override { return current().openBrowser(url); }

private:
    platform::Ui& current() {
        platform::Ui* target = target_.load();
        return target != nullptr ? *target : silent_;
    }

    std::atomic<platform::Ui*> target_{nullptr};
    platform::SilentUi silent_;
};

} // namespace rk::testing
