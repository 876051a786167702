#include "contacts/contact_sources.h"

#include "contacts/csv_contacts.h"
#include "contacts/csv_table.h"
#include "contacts/phonebook_source.h"
#include "contacts/unicode.h"
#include "contacts/vcard_reader.h"

#include <fstream>
#include <iterator>

namespace rk::contacts {

std::optional<ContactSource> loadContactSource(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    ContactSource source;
    source.name = path.filename().string();
    source.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) return std::nullopt;
    return source;
}

SourceContacts readContactSource(const ContactSource& source, const ColumnMap& map) {
    SourceContacts result;
    if (trimBlanks(source.bytes).empty()) {
        result.problem = "the file is empty";
        return result;
    }
    if (const std::optional<PhonebookFileShape> shape = phonebookFileShape(source.bytes)) {
        result.format = "phonebook file";
        result.contacts = readPhonebookContacts(source.bytes, *shape, source.name);
        return result;
    }
    if (looksLikeVCard(source.bytes)) {
        result.format = "vCard";
        result.contacts = readVCards(source.bytes, source.name);
        return result;
    }
    const std::string text = decodeUnlabelled(source.bytes);
    const char separator = guessSeparator(text);
    const CsvTable table = parseCsv(text, separator);
    const std::optional<CsvLayout> layout = recogniseLayout(table.header, map);
    if (!layout) {
        if (!map.empty()) {
            std::string missing;
            for (const std::string& column : missingColumns(table.header, map))
                missing += (missing.empty() ? "" : ", ") + ("\"" + column + "\"");
            result.problem =
                "the columns --map names are not all in the first line (missing " + missing + ")";
        } else {
            result.problem =
                "neither a vCard, a Google or Outlook CSV, nor a phonebook file (a spreadsheet needs "
                "--map)";
        }
        return result;
    }
    result.format = *layout == CsvLayout::Google    ? "Google CSV"
                    : *layout == CsvLayout::Outlook ? "Outlook CSV"
                    : separator == '\t'             ? "mapped TSV"
                                                    : "mapped CSV";
    result.contacts = readCsvContacts(table, *layout, map, source.name);
    return result;
}

std::vector<std::string> spreadsheetColumns(const ContactSource& source) {
    if (trimBlanks(source.bytes).empty() || phonebookFileShape(source.bytes) || looksLikeVCard(source.bytes))
        return {};
    const std::string text = decodeUnlabelled(source.bytes);
    CsvTable table = parseCsv(text, guessSeparator(text));
    if (table.header.size() < 2 || recogniseLayout(table.header, {})) return {};
    return std::move(table.header);
}

} // namespace rk::contacts
