// The history window ("履歴と比較"): the main units the history holds snapshots of (the host as
// typed), the chosen unit's snapshots newest first, and what can be done with them: compare two,
// or one with the current phonebook ("比較"), put one into the working copy ("復元"), and open
// the unit's folder ("フォルダを開く").
#pragma once

#include "history/snapshot_store.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <QDialog>

#include <filesystem>
#include <vector>

class QListWidget;
class QPushButton;
class QTreeWidget;

namespace rk::app {

class CHistoryDlg : public QDialog {
    Q_OBJECT

public:
    CHistoryDlg(Workspace& workspace, const platform::Seam& seam, std::filesystem::path historyFolder,
                QWidget* parent = nullptr);

    // "YYYY-MM-DD HH:MM の読込" / "…の書込": how the windows name a snapshot.
    static QString snapshotName(const history::SnapshotInfo& info);

signals:
    // A snapshot was put into the working copy, with its memory count (MemoryMode).
    void restored(int memoryMode);

private slots:
    void onUnitChosen();
    void onSelectionChanged();
    void onCompare();
    void onRestore();
    void onOpenFolder();

private:
    // One main unit: its snapshots newest first.
    struct Unit {
        std::string host; // CP932, as typed at its newest snapshot
        std::filesystem::path folder;
        std::vector<history::Snapshot> snapshots;
    };

    void loadUnits();
    const Unit* currentUnit() const;
    // The chosen snapshots, oldest first.
    std::vector<const history::Snapshot*> chosenSnapshots() const;
    platform::Owner owner();
    // Shows the error box for a snapshot whose files cannot be read.
    void reportUnreadable();

    Workspace& workspace_;
    platform::Seam seam_;
    std::filesystem::path folder_;
    std::vector<Unit> units_;

    QListWidget* unitList_ = nullptr;
    QTreeWidget* snapshotList_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* restore_ = nullptr;
    QPushButton* openFolder_ = nullptr;
};

} // namespace rk::app
