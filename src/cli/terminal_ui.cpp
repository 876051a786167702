#include "cli/terminal_ui.h"

#include "platform/text.h"

#include <unistd.h>

namespace rk::cli {
namespace {

bool isYes(std::string answer) {
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

} // namespace

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

void TerminalUi::setQuestions(Questions questions) {
    const std::lock_guard lock(mutex_);
    questions_ = questions;
}

bool TerminalUi::canAsk() const {
    return answers_ != nullptr && ::isatty(::fileno(answers_)) == 1;
}

void TerminalUi::write(const std::string& cp932, const char* ending) {
    if (beforeMessage_) beforeMessage_();
    std::fprintf(messages_, "%s%s", terminalText(cp932).c_str(), ending);
    std::fflush(messages_);
}

platform::Answer TerminalUi::messageBox(const platform::MessageRequest& request) {
    const std::lock_guard lock(mutex_);
    const bool question = request.buttons != platform::Buttons::Ok;
    if (!question || questions_ != Questions::Ask) {
        write(request.text, "\n");
        if (!question) return platform::Answer::Ok;
        const bool yes = questions_ == Questions::AnswerYes;
        if (request.buttons == platform::Buttons::YesNo)
            return yes ? platform::Answer::Yes : platform::Answer::No;
        return yes ? platform::Answer::Ok : platform::Answer::Cancel;
    }
    write(request.text, " [y/N] ");
    std::string answer;
    char buffer[256];
    while (answers_ != nullptr && std::fgets(buffer, sizeof buffer, answers_) != nullptr) {
        answer += buffer;
        if (answer.back() == '\n') break;
    }
    const bool yes = isYes(answer);
    if (request.buttons == platform::Buttons::YesNo)
        return yes ? platform::Answer::Yes : platform::Answer::No;
    return yes ? platform::Answer::Ok : platform::Answer::Cancel;
}

void TerminalUi::errorNotice(const std::string& text) {
    const std::lock_guard lock(mutex_);
    write(text, "\n");
}

} // namespace rk::cli
