#include "phonebook/load_report_table.h"

namespace rk::phonebook {
namespace {

// A field in double quotes when it holds a separator, a quote or a line end (quotes doubled).
std::string csvField(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
    std::string quoted = "\"";
    for (const char byte : value) {
        if (byte == '"') quoted += '"';
        quoted += byte;
    }
    return quoted + "\"";
}

} // namespace

std::string_view fieldLabel(FindingField field) {
    switch (field) {
    case FindingField::Line:
        return "行全体";
    case FindingField::Number:
        return "電話番号";
    case FindingField::Kanji:
        return "漢字名称";
    case FindingField::Kana:
        return "カナ名称";
    case FindingField::Group:
        return "グループ番号";
    }
    return "行全体";
}

std::string_view actionLabel(FindingAction action) {
    switch (action) {
    case FindingAction::Skipped:
        return "読み飛ばし";
    case FindingAction::Changed:
        return "変更";
    case FindingAction::Cut:
        return "切り詰め";
    case FindingAction::Cleared:
        return "消去";
    case FindingAction::Suspect:
        return "要確認";
    }
    return "変更";
}

std::string summaryLabel(const LoadSummary& summary) {
    std::string text = "格納したメモリー " + std::to_string(summary.stored) + "・読込で変わったもの " +
                       std::to_string(summary.changed) + "・格納されなかった行 " +
                       std::to_string(summary.notStored);
    if (summary.suspect > 0) text += "・要確認 " + std::to_string(summary.suspect);
    return text;
}

std::vector<std::string_view> findingColumnLabels() {
    return {"行", "短縮番号", "項目", "ファイルの値", "格納された値", "処置", "理由"};
}

std::string formatFindingsCsv(const std::vector<LoadFinding>& findings) {
    std::string csv = "\xEF\xBB\xBF";
    const std::vector<std::string_view> labels = findingColumnLabels();
    for (std::size_t i = 0; i < labels.size(); ++i) csv += (i == 0 ? "" : ",") + std::string(labels[i]);
    csv += "\r\n";
    for (const LoadFinding& finding : findings) {
        csv += (finding.line > 0 ? std::to_string(finding.line) : std::string()) + ",";
        csv += memoryLabel(finding) + ",";
        csv += std::string(fieldLabel(finding.field)) + ",";
        csv += csvField(finding.value) + "," + csvField(finding.stored) + ",";
        csv += std::string(actionLabel(finding.action)) + ",";
        csv += csvField(finding.reason) + "\r\n";
    }
    return csv;
}

} // namespace rk::phonebook
