#include "app/comm_progress_dlg.h"

#include "app/dialog_layout.h"

#include <QLineEdit>

namespace rk::app {

CCommProgressDlg::CCommProgressDlg(platform::ProgressRegistry& registry, int kind, int remote,
                                   QWidget* parent)
    : CProgressDlg(registry, QStringLiteral(u"データ通信実行中"), platform::communicationProgressTitle(), 159,
                   75),
      kind_(kind), remote_(remote) {
    if (parent != nullptr) setParent(parent, windowFlags());
    auto* text = new QLineEdit(messageText(kind, remote), this);
    placeControl(*text, 1006, units(), 7, 10, 143, 15);
    text->setReadOnly(true);
    text->setFocusPolicy(Qt::NoFocus);
    addPercentage(115, 32, 15, 12, 133, 32, 10, 10);
    addBar(16, 45, 129, 15);
}

QString CCommProgressDlg::messageText(int kind, int remote) {
    QString text;
    switch (kind) {
    case 1:
        text = QStringLiteral(u"電話帳データの読込実行中です。");
        break;
    case 2:
        text = QStringLiteral(u"電話帳データの書込実行中です。");
        break;
    case 3:
        text = QStringLiteral(u"短縮データの読込実行中です。");
        break;
    case 4:
        text = QStringLiteral(u"短縮データの書込実行中です。");
        break;
    default:
        break;
    }
    return remote != 0 ? QStringLiteral(u"リモート") + text : text;
}

} // namespace rk::app
