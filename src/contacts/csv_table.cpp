#include "contacts/csv_table.h"

#include <algorithm>

namespace rk::contacts {

char guessSeparator(std::string_view text) {
    const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
    const auto tabs = std::count(first.begin(), first.end(), '\t');
    const auto commas = std::count(first.begin(), first.end(), ',');
    return tabs > commas ? '\t' : ',';
}

CsvTable parseCsv(std::string_view text, char separator) {
    CsvTable table;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> lines;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int rowLine = 1;
    const auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
    };
    const auto endRow = [&] {
        endField();
        rows.push_back(std::move(row));
        lines.push_back(rowLine);
        row.clear();
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char character = text[at];
        if (quoted) {
            if (character == '"') {
                if (at + 1 < text.size() && text[at + 1] == '"') {
                    field.push_back('"');
                    ++at;
                } else {
                    quoted = false;
                }
            } else {
                if (character == '\n' ||
                    (character == '\r' && (at + 1 >= text.size() || text[at + 1] != '\n')))
                    ++line;
                field.push_back(character);
            }
            continue;
        }
        if (character == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            continue;
        }
        if (character == separator) {
            endField();
            continue;
        }
        if (character == '\r' || character == '\n') {
            if (character == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
            endRow();
            ++line;
            rowLine = line;
            continue;
        }
        field.push_back(character);
        fieldStarted = true;
    }
    if (fieldStarted || !field.empty() || !row.empty()) endRow();

    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 0) {
            table.header = std::move(rows[0]);
            continue;
        }
        const bool empty = std::all_of(rows[i].begin(), rows[i].end(), [](const std::string& cell) {
            return cell.find_first_not_of(" \t") == std::string::npos;
        });
        if (empty) continue;
        table.rows.push_back(std::move(rows[i]));
        table.rowLines.push_back(lines[i]);
    }
    return table;
}

} // namespace rk::contacts
