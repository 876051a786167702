// The GUI's side of the operator seam: real message boxes, the error notice window and the wait
// cursor. Deep code may call it from any thread; the windows are always made on the GUI thread.
#pragma once

#include "platform/ui.h"

#include <memory>

namespace rk::app {

class GuiDispatcher;

class QtUi : public platform::Ui {
public:
    // Made on the GUI thread once the application exists; made without one, it asks nobody.
    QtUi();
    ~QtUi() override;
    QtUi(const QtUi&) = delete;
    QtUi& operator=(const QtUi&) = delete;

    platform::Answer messageBox(const platform::MessageRequest& request) override;
    void errorNotice(const std::string& text) override;
    void setWaitCursor(bool waiting) override;
    // Qt cannot look at other programs' windows: none is ever found, so a message meant for a
    // browser window is shown in the program's own error notice, above every window.
    void* findWindow(const std::string& title) override;
    // The desktop's default browser.
    bool openBrowser(const std::string& url) override;
    // The desktop's file manager.
    bool openFolder(const std::string& path) override;

private:
    platform::Answer showMessageBox(const platform::MessageRequest& request);
    void showErrorNotice(const std::string& text);
    bool showBrowser(const std::string& url);
    bool showFolder(const std::string& path);
    void changeWaitCursor(bool waiting);
    template <typename Work> auto onGuiThreadBlocking(Work&& work);

    std::unique_ptr<GuiDispatcher> dispatcher_;
    int waitCursorDepth_ = 0; // touched on the GUI thread only
};

} // namespace rk::app
