#include "app/progress_dlg.h"

#include "app/dialog_layout.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>

#include <algorithm>

namespace rk::app {

CProgressDlg::CProgressDlg(platform::ProgressRegistry& registry, const QString& title,
                           const std::string& registeredTitle, int width, int height) {
    units_ = std::make_unique<DialogUnits>(prepareFixedDialog(*this, width, height));
    // A title bar without close box, above every other window, as the transfer's own display.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(title);
    registration_ = std::make_unique<platform::ProgressRegistration>(registry, registeredTitle, *this);
}

CProgressDlg::~CProgressDlg() {
    // No sender finds the window any more; what was already queued dies with the object.
    registration_.reset();
}

void CProgressDlg::addBar(int x, int y, int width, int height) {
    bar_ = new QProgressBar(this);
    placeControl(*bar_, 2164, *units_, x, y, width, height);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false); // the window shows the percentage beside it
    bar_->setFocusPolicy(Qt::StrongFocus);
    bar_->setFocus();
}

void CProgressDlg::addPercentage(int x, int y, int width, int height, int signX, int signY, int signWidth,
                                 int signHeight) {
    percentage_ = new QLineEdit(QStringLiteral("0"), this);
    placeControl(*percentage_, 1009, *units_, x, y, width, height);
    percentage_->setReadOnly(true);
    percentage_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    percentage_->setFrame(false);
    percentage_->setFocusPolicy(Qt::NoFocus);
    auto* sign = new QLabel(QStringLiteral("%"), this);
    placeControl(*sign, 2557, *units_, signX, signY, signWidth, signHeight);
}

void CProgressDlg::UpDatePrg(int position) {
    position = platform::ProgressSteps::shownPosition(position);
    // The bar cannot show less than nothing; the figure shows what was sent.
    bar_->setValue(std::max(position, 0));
    percentage_->setText(QString::number(position));
    // The transfer runs on a worker thread, so the window's own event loop repaints it.
    update();
}

void CProgressDlg::handleProgress(int message, std::int64_t value) {
    if (const auto position = steps_.apply(message, value)) UpDatePrg(*position);
}

void CProgressDlg::post(int message, std::int64_t value) {
    // Kept under our own lock and drained on the window's thread; a window deleted in the
    // meantime drops the queued call with its pending messages.
    {
        std::lock_guard lock(pendingMutex_);
        pending_.emplace_back(message, value);
    }
    QMetaObject::invokeMethod(this, "drainProgress", Qt::QueuedConnection);
}

void CProgressDlg::drainProgress() {
    std::vector<std::pair<int, std::int64_t>> messages;
    {
        std::lock_guard lock(pendingMutex_);
        messages.swap(pending_);
    }
    for (const auto& [message, value] : messages) handleProgress(message, value);
}

void* CProgressDlg::nativeWindow() const {
    return static_cast<QWidget*>(const_cast<CProgressDlg*>(this));
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // Neither confirms nor closes the window: only its procedure ends it.
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

} // namespace rk::app
