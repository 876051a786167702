// Comma- or tab-separated tables as spreadsheets and address books write them: fields in double
// quotes may hold separators, doubled quotes and line ends; lines end with CR LF, LF or CR.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows; // without rows that are wholly empty
    std::vector<int> rowLines;                  // the line each row starts on, 1 being the header
};

// The separator of a table: a tab when the first line has more tabs than commas.
char guessSeparator(std::string_view text);

// Parses UTF-8 text; the first row is the header.
CsvTable parseCsv(std::string_view text, char separator);

} // namespace rk::contacts
