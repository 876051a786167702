#include "platform/ui.h"

#include "platform/text.h"

namespace rk::platform {

Answer SilentUi::messageBox(const MessageRequest& request) {
    switch (request.buttons) {
    case Buttons::YesNo:
        return Answer::Yes;
    case Buttons::Ok:
    case Buttons::OkCancel:
        break;
    }
    return Answer::Ok;
}

Answer showError(Ui& ui, const Owner& owner, const std::string& text) {
    static const std::string caption = text::toCp932("エラー");
    return ui.messageBox({owner, text, caption, Buttons::Ok, Icon::Exclamation});
}

Answer askQuestion(Ui& ui, const Owner& owner, const std::string& text, const std::string& caption,
                   Buttons buttons) {
    return ui.messageBox({owner, text, caption, buttons, Icon::Question});
}

Answer showInformation(Ui& ui, const Owner& owner, const std::string& text, const std::string& caption) {
    return ui.messageBox({owner, text, caption, Buttons::Ok, Icon::Information});
}

} // namespace rk::platform
