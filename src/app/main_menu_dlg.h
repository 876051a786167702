// The main window ("パソコン短縮設定用プログラム（Rk3/L）"): the three procedures, the exit
// button and the two option groups. The program lives as long as this window.
#pragma once

#include "history/snapshot_store.h"
#include "platform/ui.h"

#include <QDialog>

#include <memory>

class QButtonGroup;
class QCloseEvent;
class QPushButton;
class QRadioButton;

namespace rk::link {
class PhonebookProcedures;
}

namespace rk::app {

class CSpeedDialApp;
class ToolsMenu;

class CMainMenuDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMainMenuDlg(CSpeedDialApp& application, QWidget* parent = nullptr);
    ~CMainMenuDlg() override;

    // The memory count chosen with the radio buttons: 1 = 600, 2 = 990. It reaches MemoryMode only
    // when a procedure starts.
    int memorySelection() const { return memorySelection_; }

    // The read and write procedures over the application's device session.
    link::PhonebookProcedures& procedures() { return *procedures_; }
    // The history that every completed read and write of the procedures leaves its snapshot in.
    history::SnapshotLog& snapshots() { return snapshots_; }

    // True while a procedure runs: no other may start, and the window does not end.
    bool procedureRunning() const { return procedureRunning_; }

    // The "ツール(T)" menu: the tools and the check marks that guard a write.
    ToolsMenu& tools() { return *tools_; }

    // Shows MemoryMode in the memory radio buttons and takes it as the memory selection, after
    // something beyond the documents' procedures changed it (a restored snapshot).
    void followMemoryMode();

    // Escape and the close request arrive here; both ask before the program ends.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onReadPhonebook();
    void onWritePhonebook();
    void onEditPhonebook();
    void onExit();
    void onDuplicatesAllowed();
    void onDuplicatesRefused();
    void onMemories600();
    void onMemories990();
    void onHistory();

private:
    void createControls();
    void initialiseDialog();
    bool confirmExit();
    platform::Owner owner();
    template <typename Procedure> void runProcedure(Procedure procedure);

    CSpeedDialApp& application_;
    int memorySelection_;
    // Set once the operator agreed to end, so that the closing that follows asks no second time.
    bool ending_ = false;
    bool procedureRunning_ = false;
    history::SnapshotLog snapshots_;
    std::unique_ptr<link::PhonebookProcedures> procedures_;
    ToolsMenu* tools_ = nullptr;

    QButtonGroup* duplicateGroup_ = nullptr;
    QButtonGroup* memoryGroup_ = nullptr;
    QRadioButton* duplicatesAllowed_ = nullptr;
    QRadioButton* duplicatesRefused_ = nullptr;
    QRadioButton* memories600_ = nullptr;
    QRadioButton* memories990_ = nullptr;
};

} // namespace rk::app
