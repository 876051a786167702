// The menu window ("メニュー選択") of the edit entry procedure: file load, file save and browser
// editing of the phonebook.
#pragma once

#include <QDialog>

class QCloseEvent;
class QPushButton;

namespace rk::app {

class CMenuSelectDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMenuSelectDlg(QWidget* parent = nullptr);

    // "戻る", Escape and the close box all leave the menu here.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onDetailedSettings();
    void onLoadFile();
    void onSaveFile();

private:
    void initialiseDialog();

    QPushButton* detailedSettings_ = nullptr;
    bool leaving_ = false; // the window is already on its way out
};

} // namespace rk::app
