// The progress window of a transfer with the main unit ("データ通信実行中"): what is being
// done, a bar and the percentage.
#pragma once

#include "app/progress_dlg.h"

#include <QString>

namespace rk::app {

class CCommProgressDlg : public CProgressDlg {
    Q_OBJECT

public:
    // Kind 1 to 4: reading or writing the phonebook or the speed-dial data; a non-zero remote
    // flag puts "リモート" before the text.
    CCommProgressDlg(platform::ProgressRegistry& registry, int kind, int remote, QWidget* parent = nullptr);

    // The window's text for a kind and remote flag; empty for an unknown kind.
    static QString messageText(int kind, int remote);

    int kind() const { return kind_; }
    int remote() const { return remote_; }

private:
    int kind_;
    int remote_;
};

} // namespace rk::app
