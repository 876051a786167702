#include "app/file_progress_dlg.h"

#include "app/dialog_layout.h"

#include <QLabel>

namespace rk::app {

CFileProgressDlg::CFileProgressDlg(platform::ProgressRegistry& registry, QWidget* parent)
    : CProgressDlg(registry, QStringLiteral(u"ファイル作成中"), platform::fileProgressTitle(), 187, 67) {
    if (parent != nullptr) setParent(parent, windowFlags());
    auto* text = new QLabel(QStringLiteral(u"ダウンロード用ファイルを作成中です。"), this);
    text->setObjectName(QStringLiteral("text"));
    text->setGeometry(units().rect(18, 7, 149, 15));
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    addPercentage(131, 26, 15, 9, 149, 26, 10, 8);
    addBar(31, 38, 129, 15);
}

} // namespace rk::app
