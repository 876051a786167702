// The seam through which deep code talks to the operator: message boxes, the error notice
// window and the wait cursor. The GUI hands down an implementation that shows real windows, the
// command line one that writes to the terminal, tests one that records every request.
#pragma once

#include <optional>
#include <string>

namespace rk::platform {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Icon { None, Information, Exclamation, Question };
enum class Answer { Ok, Cancel, Yes, No };

// The window that owns a message box. `native` is whatever the front end uses to find the
// window (a widget pointer in the GUI); `name` identifies it in logs and recordings.
struct Owner {
    void* native = nullptr;
    std::string name;
};

// One message box as the program asks for it. Text and caption are CP932 bytes.
struct MessageRequest {
    Owner owner;
    std::string text;
    std::string caption;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    // Kept above every other window and brought to the front (a message over the browser).
    bool topmost = false;
};

class Ui {
public:
    virtual ~Ui() = default;

    // Shows a modal message box and returns the operator's answer.
    virtual Answer messageBox(const MessageRequest& request) = 0;

    // Shows the modal error notice window (caption "エラー", one OK button) with a CP932 text,
    // above every other window.
    virtual void errorNotice(const std::string& text) = 0;

    // Shows the hourglass (true) or the normal arrow (false).
    virtual void setWaitCursor(bool waiting) = 0;

    // The top-level window of another program whose title is exactly this (CP932), so that a
    // message can be owned by it; nullptr when the platform finds none (or cannot look).
    virtual void* findWindow(const std::string& title) {
        static_cast<void>(title);
        return nullptr;
    }

    // Opens the desktop's web browser on an address. False when no browser could be started.
    virtual bool openBrowser(const std::string& url) {
        static_cast<void>(url);
        return false;
    }

    // Shows a folder of this machine in the desktop's file manager. False when none could be
    // started.
    virtual bool openFolder(const std::string& path) {
        static_cast<void>(path);
        return false;
    }
};

// A Ui that answers every question with its default (OK, or Yes for Yes/No) and shows nothing.
class SilentUi : public Ui {
public:
    Answer messageBox(const MessageRequest& request) override;
    void errorNotice(const std::string&) override {}
    void setWaitCursor(bool) override {}
};

// Shorthands for the three kinds of box the program uses. Texts are CP932.
Answer showError(Ui& ui, const Owner& owner, const std::string& text); // "エラー", OK, !
Answer askQuestion(Ui& ui, const Owner& owner, const std::string& text, const std::string& caption,
                   Buttons buttons); // ?
Answer showInformation(Ui& ui, const Owner& owner, const std::string& text, const std::string& caption);

// Shows the wait cursor for the lifetime of the object and restores the arrow on every path.
class WaitCursor {
public:
    explicit WaitCursor(Ui& ui) : ui_(ui) { ui_.setWaitCursor(true); }
    ~WaitCursor() { ui_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Ui& ui_;
};

} // namespace rk::platform
