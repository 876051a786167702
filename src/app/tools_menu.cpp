#include "app/tools_menu.h"

#include "app/dialog_layout.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QWidget>

namespace rk::app {
namespace {

QSettings settings() {
    // Named here rather than taken from the application object, so that every program that
    // shows the window (tests included) reads and writes the same keys.
    return QSettings(QStringLiteral("rkdial"), QStringLiteral("rkdial"));
}

QAction* addCheckMark(QMenu& menu, const QString& text, const char* key, bool byDefault) {
    QAction* action = menu.addAction(text);
    action->setCheckable(true);
    action->setChecked(settings().value(QString::fromLatin1(key), byDefault).toBool());
    QObject::connect(action, &QAction::toggled,
                     [key](bool checked) { settings().setValue(QString::fromLatin1(key), checked); });
    return action;
}

} // namespace

ToolsMenu::ToolsMenu(QWidget& window) : QObject(&window) {
    bar_ = new QMenuBar(&window);
    bar_->setObjectName(QStringLiteral("menuBar"));
    bar_->setFont(dialogFont());
    menu_ = bar_->addMenu(QStringLiteral(u"ツール(&T)"));
    menu_->setObjectName(QStringLiteral("menuTools"));
    menu_->setFont(dialogFont());
    checksSeparator_ = menu_->addSeparator();
    preview_ = addCheckMark(*menu_, QStringLiteral(u"書込前に変更内容を確認(&P)"), kPreviewKey, true);
    preview_->setObjectName(QStringLiteral("actionPreviewBeforeWrite"));
    verify_ = addCheckMark(*menu_, QStringLiteral(u"書込後に読み戻して確認(&V)"), kVerifyKey, false);
    verify_->setObjectName(QStringLiteral("actionVerifyAfterWrite"));
}

QAction* ToolsMenu::addTool(const QString& text, std::function<void()> open) {
    auto* action = new QAction(text, menu_);
    menu_->insertAction(checksSeparator_, action);
    connect(action, &QAction::triggered, this, [open = std::move(open)] { open(); });
    return action;
}

bool ToolsMenu::previewBeforeWrite() const {
    return preview_->isChecked();
}

bool ToolsMenu::verifyAfterWrite() const {
    return verify_->isChecked();
}

} // namespace rk::app
