// Contact lists as tables: Google Contacts (the older layout with "Family Name Yomi" and the newer
// with "Phonetic Last Name"; several values of a cell joined by " ::: "), Outlook (English or
// Japanese column names) and any spreadsheet whose columns the operator names (--map).
#pragma once

#include "contacts/contact.h"
#include "contacts/csv_table.h"
#include "contacts/import_options.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

enum class CsvLayout { Google, Outlook, Mapped };

// The layout a table's header says it has. A column map, when given, wins once every column it
// names is in the header. nullopt: none.
std::optional<CsvLayout> recogniseLayout(const std::vector<std::string>& header, const ColumnMap& map);

// The columns a map names that the header lacks (none when the map fits).
std::vector<std::string> missingColumns(const std::vector<std::string>& header, const ColumnMap& map);

// Every row of the table as a contact, numbered from 1.
std::vector<Contact> readCsvContacts(const CsvTable& table, CsvLayout layout, const ColumnMap& map,
                                     std::string_view sourceName);

} // namespace rk::contacts
