// The small error notice window ("エラー") through which browser editing reports duplicate
// registrations when no browser window can own a message box.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace rk::app {

class CErrorNoticeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CErrorNoticeDlg(QWidget* parent = nullptr);

    // The message is put into the window's text when the window is shown.
    void setMessage(const QString& message);
    QString message() const { return message_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString message_;
    QLabel* text_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace rk::app
