#include "app/error_notice_dlg.h"

#include "app/dialog_layout.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace rk::app {

CErrorNoticeDlg::CErrorNoticeDlg(QWidget* parent) : QDialog(parent) {
    const DialogUnits units = prepareFixedDialog(*this, 270, 60);
    setWindowTitle(QStringLiteral(u"エラー"));
    setModal(true);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    icon->setObjectName(QStringLiteral("icon"));
    icon->setGeometry(units.toPixelsX(14), units.toPixelsY(8), iconSize, iconSize);

    text_ = new QLabel(this);
    placeControl(*text_, 2568, units, 40, 16, 223, 14);
    text_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true); // a centred static text breaks long lines rather than cutting them

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    placeControl(*ok_, 1, units, 109, 39, 50, 14);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void CErrorNoticeDlg::setMessage(const QString& message) {
    message_ = message;
}

void CErrorNoticeDlg::showEvent(QShowEvent* event) {
    text_->setText(message_);
    ok_->setFocus();
    QDialog::showEvent(event);
}

} // namespace rk::app
