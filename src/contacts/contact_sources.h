// A contact list as the operator hands it in: a file whose format is told by its content.
#pragma once

#include "contacts/contact.h"
#include "contacts/import_options.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace rk::contacts {

struct ContactSource {
    std::string name;  // as the report names it (the file's name)
    std::string bytes; // the whole file
};

struct SourceContacts {
    std::vector<Contact> contacts;
    std::string format;  // "vCard", "Google CSV", "Outlook CSV", "mapped CSV", "mapped TSV", "phonebook file"
    std::string problem; // why the source could not be read (then no contacts)
};

// Reads a file into a source; nullopt when it cannot be read.
std::optional<ContactSource> loadContactSource(const std::filesystem::path& path);

// Tells the format by the content and reads every contact of it.
SourceContacts readContactSource(const ContactSource& source, const ColumnMap& map);

// The header cells (UTF-8) of a spreadsheet that is read only with a column map: a CSV or TSV of
// two columns or more whose layout is no address book's. Empty for every other source.
std::vector<std::string> spreadsheetColumns(const ContactSource& source);

} // namespace rk::contacts
