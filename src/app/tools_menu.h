// The main window's menu bar with its one menu, "ツール(T)": the program's tools beyond the
// documents' windows (each opens a window of its own), then the check marks that guard a write.
// The check marks are kept between runs; the documents' two options are not.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace rk::app {

class ToolsMenu : public QObject {
    Q_OBJECT

public:
    // Where the check marks are kept: QSettings of organisation and application "rkdial".
    static constexpr const char* kPreviewKey = "safety/previewBeforeWrite";
    static constexpr const char* kVerifyKey = "safety/verifyAfterWrite";

    // Makes the bar as a child of `window`; the window places it (see addMenuBarAbove).
    explicit ToolsMenu(QWidget& window);

    QMenuBar* bar() const { return bar_; }
    QMenu* menu() const { return menu_; }

    // Adds a tool: an entry above the check marks, in the order added, that runs `open`.
    QAction* addTool(const QString& text, std::function<void()> open);

    // "書込前に変更内容を確認(P)": show what a write changes before it is sent (on unless the
    // operator turned it off).
    bool previewBeforeWrite() const;
    // "書込後に読み戻して確認(V)": read the phonebook back after a write and compare (off unless
    // turned on).
    bool verifyAfterWrite() const;

    QAction* previewAction() const { return preview_; }
    QAction* verifyAction() const { return verify_; }

private:
    QMenuBar* bar_;
    QMenu* menu_;
    QAction* checksSeparator_;
    QAction* preview_;
    QAction* verify_;
};

} // namespace rk::app
