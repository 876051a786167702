#include "cli/terminal_ui.h"

#include "platform/text.h"

namespace rk::cli {

std::string terminalText(const std::string& cp932) {
    std::string text = text::cp932ToUtf8(cp932);
    const auto first = text.find_first_not_of('\n');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of('\n');
    return text.substr(first, last - first + 1);
}

void TerminalUi::setBeforeMessage(std::function<void()> hook) {
    const std::lock_guard lock(mutex_);
    beforeMessage_ = std::move(hook);
}

void TerminalUi::write(const std::string& cp932) {
    const std::lock_guard lock(mutex_);
    if (beforeMessage_) beforeMessage_();
    std::fprintf(stream_, "%s\n", terminalText(cp932).c_str());
    std::fflush(stream_);
}

platform::Answer TerminalUi::messageBox(const platform::MessageRequest& request) {
    write(request.text);
    switch (request.buttons) {
    case platform::Buttons::YesNo:
        return answerYes_ ? platform::Answer::Yes : platform::Answer::No;
    case platform::Buttons::OkCancel:
        return answerYes_ ? platform::Answer::Ok : platform::Answer::Cancel;
    case platform::Buttons::Ok:
        break;
    }
    return platform::Answer::Ok;
}

void TerminalUi::errorNotice(const std::string& text) {
    write(text);
}

} // namespace rk::cli
