// The command line's side of the operator seam: message boxes become lines on stderr in
// UTF-8, questions are answered from the command's options.
#pragma once

#include "platform/ui.h"

#include <cstdio>

namespace rk::cli {

class TerminalUi : public platform::Ui {
public:
    explicit TerminalUi(std::FILE* stream = stderr, bool answerYes = true)
        : stream_(stream), answerYes_(answerYes) {}

    platform::Answer messageBox(const platform::MessageRequest& request) override;
    void errorNotice(const std::string& text) override;
    void setWaitCursor(bool) override {}

private:
    std::FILE* stream_;
    bool answerYes_;
};

// The text of a message as the terminal shows it: UTF-8, the leading and trailing line feeds
// that frame the dialog text dropped, inner line feeds kept.
std::string terminalText(const std::string& cp932);

} // namespace rk::cli
