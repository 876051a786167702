// The contact import window ("連絡先の取込"): the contacts of the chosen lists as the import would
// store them (memory, kanji name, reading with the made reading's candidates, number, status),
// editable, the placement options, and "電話帳へ反映", which stores them into the working copy and
// shows what changed in the compare window.
#pragma once

#include "contacts/import.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;

namespace rk::app {

class ImportTableModel;

class CImportDlg : public QDialog {
    Q_OBJECT

public:
    // Reads the sources (a spreadsheet with `map`) and places the contacts against the working copy
    // under the edit lock. `maker` makes the readings and must outlive the window.
    CImportDlg(Workspace& workspace, const platform::Seam& seam,
               const std::vector<contacts::ContactSource>& sources, contacts::ReadingMaker& maker,
               contacts::ColumnMap map = {}, QWidget* parent = nullptr);
    ~CImportDlg() override;

    const contacts::ImportPlan& plan() const { return plan_; }
    const contacts::ImportOptions& options() const { return options_; }

    // Columns of the table.
    enum Column { MemoryColumn, KanjiColumn, KanaColumn, KanaSourceColumn, NumberColumn, StatusColumn };

    // The operator's text for a row's field, taken by the import's rules; every row is placed again.
    void editRow(int row, contacts::RowField field, const QString& text);

private slots:
    void onOptionChanged();
    void onReflect();

private:
    void createControls();
    void placeAgain();
    void showPlan();
    void showReadingChoices();
    platform::Owner owner();

    Workspace& workspace_;
    platform::Seam seam_;
    contacts::ImportOptions options_;
    contacts::ImportPlan plan_;

    ImportTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QComboBox* kind_ = nullptr;
    QSpinBox* position_ = nullptr;
    QComboBox* mode_ = nullptr;
    QComboBox* from_ = nullptr;
    QCheckBox* sort_ = nullptr;
    QSpinBox* group_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* reflect_ = nullptr;
};

// "ツール(T)" → "連絡先の取込(I)…": the file dialog (several files), the columns of a
// spreadsheet, then the window. Files that cannot be read, and lists whose format is not known,
// are told before the window opens.
void openContactImport(QWidget& parent, Workspace& workspace, const platform::Seam& seam);

} // namespace rk::app
