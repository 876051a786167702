// The load report for the operator's window: the Japanese names of the fields and of what the load
// did, the summary line, and the findings as the CSV file the window saves (UTF-8 with the
// byte-order mark, so that a spreadsheet opens it as such, CR LF line ends).
#pragma once

#include "phonebook/load_report.h"

#include <string>
#include <string_view>
#include <vector>

namespace rk::phonebook {

// UTF-8: "行全体", "電話番号", "漢字名称", "カナ名称", "グループ番号".
std::string_view fieldLabel(FindingField field);
// UTF-8: "読み飛ばし", "変更", "切り詰め", "消去", "要確認".
std::string_view actionLabel(FindingAction action);

// "格納したメモリー 990・読込で変わったもの 2・格納されなかった行 1[・要確認 3]" (UTF-8).
std::string summaryLabel(const LoadSummary& summary);

// The columns of the window and of the CSV file, in order.
std::vector<std::string_view> findingColumnLabels();

// The findings as CSV: the column labels, then one record per finding.
std::string formatFindingsCsv(const std::vector<LoadFinding>& findings);

} // namespace rk::phonebook
