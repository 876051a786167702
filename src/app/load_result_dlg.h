// The window that follows a file load whose load report is not empty ("読込結果"): the summary
// line, then every finding (line, memory, field, value in the file, stored value, what the load
// did, why), sortable by any column, and "CSVで保存".
#pragma once

#include "phonebook/load_report.h"
#include "platform/seam.h"

#include <QDialog>

#include <vector>

class QTableView;

namespace rk::app {

class CLoadResultDlg : public QDialog {
    Q_OBJECT

public:
    CLoadResultDlg(std::vector<phonebook::LoadFinding> findings, const phonebook::LoadSummary& summary,
                   const platform::Seam& seam, QWidget* parent = nullptr);

    const std::vector<phonebook::LoadFinding>& findings() const { return findings_; }

private slots:
    void onSaveCsv();

private:
    std::vector<phonebook::LoadFinding> findings_;
    platform::Seam seam_;
    QTableView* table_ = nullptr;
};

} // namespace rk::app
