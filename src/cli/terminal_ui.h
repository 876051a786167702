// The command line's side of the operator seam: message boxes become lines on stderr in
// UTF-8, questions are answered from the command's options.
#pragma once

#include "platform/ui.h"

#include <cstdio>
#include <functional>
#include <mutex>

namespace rk::cli {

class TerminalUi : public platform::Ui {
public:
    explicit TerminalUi(std::FILE* stream = stderr, bool answerYes = true)
        : stream_(stream), answerYes_(answerYes) {}

    platform::Answer messageBox(const platform::MessageRequest& request) override;
    void errorNotice(const std::string& text) override;
    void setWaitCursor(bool) override {}

    // Runs before every message is written, for example to end a progress bar's line so that the
    // message starts on its own. An empty function removes it.
    void setBeforeMessage(std::function<void()> hook);

private:
    void write(const std::string& cp932);

    std::FILE* stream_;
    bool answerYes_;
    std::mutex mutex_; // messages may come from the server's workers
    std::function<void()> beforeMessage_;
};

// The text of a message as the terminal shows it: UTF-8, the leading and trailing line feeds
// that frame the dialog text dropped, inner line feeds kept.
std::string terminalText(const std::string& cp932);

} // namespace rk::cli
