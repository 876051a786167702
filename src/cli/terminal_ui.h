// The command line's side of the operator seam: message boxes become lines on stderr in UTF-8;
// questions are answered from the command's options, or, where a command wants the operator's
// own answer, asked on the terminal.
#pragma once

#include "platform/ui.h"

#include <cstdio>
#include <functional>
#include <mutex>

namespace rk::cli {

class TerminalUi : public platform::Ui {
public:
    // AnswerYes / AnswerNo: every question is shown and answered so (the command's options have
    // decided). Ask: the question waits for a line from the answers stream; "y" or "yes" (either
    // case) is yes, anything else no.
    enum class Questions { AnswerYes, AnswerNo, Ask };

    explicit TerminalUi(std::FILE* messages = stderr, std::FILE* answers = stdin,
                        Questions questions = Questions::AnswerYes)
        : messages_(messages), answers_(answers), questions_(questions) {}

    platform::Answer messageBox(const platform::MessageRequest& request) override;
    void errorNotice(const std::string& text) override;
    void setWaitCursor(bool) override {}

    void setQuestions(Questions questions);
    // Whether someone can answer a question asked on the terminal (the answers come from one).
    bool canAsk() const;

    // Runs before every message is written, for example to end a progress bar's line so that the
    // message starts on its own. An empty function removes it.
    void setBeforeMessage(std::function<void()> hook);

private:
    void write(const std::string& cp932, const char* ending);

    std::FILE* messages_;
    std::FILE* answers_;
    Questions questions_;
    std::mutex mutex_; // messages may come from the server's workers
    std::function<void()> beforeMessage_;
};

// The text of a message as the terminal shows it: UTF-8, the leading and trailing line feeds
// that frame the dialog text dropped, inner line feeds kept.
std::string terminalText(const std::string& cp932);

} // namespace rk::cli
