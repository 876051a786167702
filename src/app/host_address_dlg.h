// The host window ("ホスト名/IPアドレス入力"): the operator names the main unit, and OK hands
// the name with the port to the device session.
#pragma once

#include <QDialog>

class QLineEdit;

namespace rk::link {
class DeviceSession;
}

namespace rk::app {

class CHostAddressDlg : public QDialog {
    Q_OBJECT

public:
    // `port` is the main unit's port: 9000 in the program.
    CHostAddressDlg(link::DeviceSession& session, int port, QWidget* parent = nullptr);

    QString hostText() const;

public slots:
    void accept() override;

private:
    link::DeviceSession& session_;
    int port_;
    QLineEdit* host_ = nullptr;
};

} // namespace rk::app
