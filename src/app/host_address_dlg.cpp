#include "app/host_address_dlg.h"

#include "app/dialog_layout.h"
#include "link/device_session.h"
#include "link/phonebook_procedures.h"
#include "platform/text.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace rk::app {
namespace {

QLabel* addCentredText(QWidget& parent, const DialogUnits& units, const QString& text, int x, int y,
                       int width, int height) {
    auto* label = new QLabel(text, &parent);
    label->setGeometry(units.rect(x, y, width, height));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

} // namespace

CHostAddressDlg::CHostAddressDlg(link::DeviceSession& session, int port, QWidget* parent)
    : QDialog(parent), session_(session), port_(port) {
    const DialogUnits units = prepareFixedDialog(*this, 187, 107);
    setWindowTitle(QStringLiteral(u"ホスト名/IPアドレス入力"));

    addCentredText(*this, units, QStringLiteral(u"主装置のホスト名/IPアドレスを入力してください。"), 17, 17,
                   152, 15);
    addCentredText(*this, units, QStringLiteral(u"主装置ホスト名/IPアドレス"), 21, 51, 46, 18);

    host_ = new QLineEdit(this);
    placeControl(*host_, 2550, units, 72, 51, 99, 14);
    host_->setMaxLength(static_cast<int>(link::kHostTextLimit));

    // The port is fixed; its field is kept, hidden and never read.
    auto* portCaption = new QLabel(QStringLiteral(u"使用ポート"), this);
    portCaption->setGeometry(units.rect(16, 70, 49, 16));
    portCaption->hide();
    auto* portField = new QLineEdit(this);
    placeControl(*portField, 2548, units, 72, 71, 37, 14);
    portField->setValidator(new QIntValidator(0, 99999, portField));
    portField->setMaxLength(5);
    portField->setText(QStringLiteral("9000"));
    portField->setEnabled(false);
    portField->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    placeControl(*ok, 1, units, 32, 85, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(u"ｷｬﾝｾﾙ"), this);
    placeControl(*cancel, 2, units, 104, 85, 50, 14);

    auto* address = new QLineEdit(this);
    placeControl(*address, 2547, units, 72, 85, 99, 14);
    address->setInputMask(QStringLiteral("000.000.000.000;_"));
    address->hide();

    connect(ok, &QPushButton::clicked, this, &CHostAddressDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    host_->setFocus();
}

QString CHostAddressDlg::hostText() const {
    return host_->text();
}

void CHostAddressDlg::accept() {
    const std::optional<std::string> host = text::tryToCp932(hostText().toStdString());
    if (!link::acceptHostText(session_.seam().ui, {this, "CHostAddressDlg"}, host)) return;
    session_.SetHost(*host, port_);
    QDialog::accept();
}

} // namespace rk::app
