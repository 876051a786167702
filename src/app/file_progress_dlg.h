// The progress window while the upload files are generated ("ファイル作成中").
#pragma once

#include "app/progress_dlg.h"

namespace rk::app {

class CFileProgressDlg : public CProgressDlg {
    Q_OBJECT

public:
    explicit CFileProgressDlg(platform::ProgressRegistry& registry, QWidget* parent = nullptr);
};

} // namespace rk::app
