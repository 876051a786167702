// A Ui for tests: records every message box (text bytes, caption, buttons, icon, owner) and
// answers from a queue that the test fills beforehand. A prompt that nobody queued an answer
// for, and an error notice nobody expected, fail the test when the recorder ends (or when the
// test takes them with takeUnexpectedPrompts): a message the test did not foresee is a finding.
#pragma once

#include "platform/ui.h"
#include "support/ui_switch.h"
#include "support/unexpected_prompt.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace rk::testing {

class RecordingUi : public platform::Ui {
public:
    struct Notice {
        std::string text;
    };

    RecordingUi() = default;
    // Answers everything that reaches the switch for as long as it lives.
    explicit RecordingUi(UiSwitch& route) : route_(&route) { route.route(*this); }
    ~RecordingUi() override {
        if (route_ != nullptr) route_->unroute(*this);
        for (const std::string& text : unexpectedPrompts()) failOnUnexpectedPrompt(text);
    }
    RecordingUi(const RecordingUi&) = delete;
    RecordingUi& operator=(const RecordingUi&) = delete;

    // Queues the answer to the next message box.
    void answer(platform::Answer next) {
        std::lock_guard lock(mutex_);
        answers_.push_back(next);
    }

    platform::Answer messageBox(const platform::MessageRequest& request) override {
        std::lock_guard lock(mutex_);
        boxes_.push_back(request);
        if (answers_.empty()) {
            unexpected_.push_back(request.text);
            // An information or error box with only OK needs no decision.
            return request.buttons == platform::Buttons::YesNo ? platform::Answer::No
                                                               : platform::Answer::Cancel;
        }
        platform::Answer next = answers_.front();
        answers_.pop_front();
        return next;
    }

    void errorNotice(const std::string& text) override {
        std::lock_guard lock(mutex_);
        notices_.push_back({text});
        if (expectedNotices_ == 0) {
            unexpected_.push_back(text);
        } else {
            --expectedNotices_;
        }
    }

    // The next `count` error notices are foreseen.
    void expectNotices(int count) {
        std::lock_guard lock(mutex_);
        expectedNotices_ += count;
    }

    void setWaitCursor(bool waiting) override {
        std::lock_guard lock(mutex_);
        cursorChanges_.push_back(waiting);
    }

    bool openBrowser(const std::string& url) override {
        std::lock_guard lock(mutex_);
        browsers_.push_back(url);
        return true;
    }
    std::vector<std::string> browsers() const {
        std::lock_guard lock(mutex_);
        return browsers_;
    }

    bool openFolder(const std::string& path) override {
        std::lock_guard lock(mutex_);
        folders_.push_back(path);
        return true;
    }
    std::vector<std::string> folders() const {
        std::lock_guard lock(mutex_);
        return folders_;
    }

    // Message boxes with only an OK button, and error notices, need no queued answer: they are
    // told, not asked. The test then looks at boxes() and notices() itself.
    void allowPlainMessages() { allowPlain_ = true; }

    std::vector<platform::MessageRequest> boxes() const {
        std::lock_guard lock(mutex_);
        return boxes_;
    }
    std::vector<Notice> notices() const {
        std::lock_guard lock(mutex_);
        return notices_;
    }
    std::vector<bool> cursorChanges() const {
        std::lock_guard lock(mutex_);
        return cursorChanges_;
    }
    // Prompts that found no queued answer, and answers nobody asked for.
    std::vector<std::string> unexpectedPrompts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> result = unexpected_;
        if (allowPlain_) std::erase_if(result, [this](const std::string& text) { return plainTexts(text); });
        return result;
    }
    // The unexpected prompts so far, which then count as seen: for a test of the recorder itself.
    std::vector<std::string> takeUnexpectedPrompts() {
        std::vector<std::string> taken = unexpectedPrompts();
        std::lock_guard lock(mutex_);
        unexpected_.clear();
        return taken;
    }
    std::size_t unusedAnswers() const {
        std::lock_guard lock(mutex_);
        return answers_.size();
    }
    void clear() {
        std::lock_guard lock(mutex_);
        boxes_.clear();
        notices_.clear();
        cursorChanges_.clear();
        unexpected_.clear();
        answers_.clear();
        expectedNotices_ = 0;
    }

private:
    bool plainTexts(const std::string& text) const {
        for (const auto& box : boxes_)
            if (box.text == text && box.buttons == platform::Buttons::Ok) return true;
        for (const auto& notice : notices_)
            if (notice.text == text) return true;
        return false;
    }

    UiSwitch* route_ = nullptr;
    mutable std::mutex mutex_;
    std::deque<platform::Answer> answers_;
    std::vector<platform::MessageRequest> boxes_;
    std::vector<Notice> notices_;
    std::vector<bool> cursorChanges_;
    std::vector<std::string> browsers_;
    std::vector<std::string> folders_;
    std::vector<std::string> unexpected_;
    bool allowPlain_ = false;
    int expectedNotices_ = 0;
};

} // namespace rk::testing
