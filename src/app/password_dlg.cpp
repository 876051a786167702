#include "app/password_dlg.h"

#include "app/dialog_layout.h"
#include "link/phonebook_procedures.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace rk::app {

CPasswordDlg::CPasswordDlg(platform::Ui& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
    const DialogUnits units = prepareFixedDialog(*this, 150, 110);
    setWindowTitle(QStringLiteral(u"パスワード入力"));

    auto* frame = new QGroupBox(QStringLiteral(u"パスワード"), this);
    frame->setGeometry(units.rect(13, 30, 124, 50));
    frame->setFocusPolicy(Qt::NoFocus);

    password_ = new QLineEdit(this);
    placeControl(*password_, 2568, units, 32, 51, 85, 14);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(static_cast<int>(link::kPasswordLength));
    // Digits 0 to 9 only, as the field of a digit-only edit control takes them.
    password_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), password_));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    placeControl(*ok, 1, units, 13, 89, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(u"ｷｬﾝｾﾙ"), this);
    placeControl(*cancel, 2, units, 86, 89, 50, 14);

    auto* prompt = new QLabel(QStringLiteral(u"パスワードを入力してください。"), this);
    prompt->setGeometry(units.rect(13, 10, 122, 15));

    connect(ok, &QPushButton::clicked, this, &CPasswordDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    frame->lower();
    password_->setFocus();
}

std::string CPasswordDlg::password() const {
    return password_->text().toStdString();
}

void CPasswordDlg::accept() {
    if (!link::acceptPasswordText(ui_, {this, "CPasswordDlg"}, password())) {
        password_->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace rk::app
