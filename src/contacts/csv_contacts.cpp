#include "contacts/csv_contacts.h"

#include "contacts/unicode.h"
#include "contacts/vcard_reader.h"

#include <algorithm>
#include <array>
#include <map>

namespace rk::contacts {
namespace {

// A header cell as it is looked up: ASCII in lower case, without blanks, brackets, hyphens and
// underscores, full-width ASCII as ASCII ("Phone 1 - Value" → "phone1value", "姓 (ふりがな)" →
// "姓ふりがな").
std::string columnKey(std::string_view cell) {
    std::string key;
    std::size_t at = 0;
    while (at < cell.size()) {
        const Utf8Character character = decodeUtf8(cell.substr(at));
        char32_t codePoint = character.codePoint;
        if (codePoint >= 0xFF01 && codePoint <= 0xFF5E) codePoint -= 0xFEE0;
        at += character.length;
        if (codePoint == ' ' || codePoint == 0x3000 || codePoint == '(' || codePoint == ')' ||
            codePoint == '-' || codePoint == '_' || codePoint == '\t' || codePoint == 0xFEFF ||
            codePoint == '\'')
            continue;
        if (codePoint >= 'A' && codePoint <= 'Z') codePoint += 'a' - 'A';
        appendUtf8(key, codePoint);
    }
    return key;
}

class Columns {
public:
    explicit Columns(const std::vector<std::string>& header) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            byKey_.emplace(columnKey(header[i]), i);
            byText_.emplace(std::string(trimBlanks(header[i])), i);
        }
    }
    // The first of the names (as keys) that the header has.
    std::optional<std::size_t> find(std::initializer_list<std::string_view> keys) const {
        for (std::string_view key : keys)
            if (const auto found = byKey_.find(std::string(key)); found != byKey_.end()) return found->second;
        return std::nullopt;
    }
    bool has(std::initializer_list<std::string_view> keys) const { return find(keys).has_value(); }
    // A column named by the operator: its exact text, or failing that its key.
    std::optional<std::size_t> named(const std::string& text) const {
        if (text.empty()) return std::nullopt;
        if (const auto found = byText_.find(std::string(trimBlanks(text))); found != byText_.end())
            return found->second;
        if (const auto found = byKey_.find(columnKey(text)); found != byKey_.end()) return found->second;
        return std::nullopt;
    }

private:
    std::multimap<std::string, std::size_t> byKey_;
    std::multimap<std::string, std::size_t> byText_;
};

std::string cell(const std::vector<std::string>& row, std::optional<std::size_t> column) {
    if (!column || *column >= row.size()) return {};
    return std::string(trimBlanks(row[*column]));
}

// The first of the " ::: "-joined values of a Google cell.
std::string firstValue(const std::string& text) {
    return std::string(trimBlanks(std::string_view(text).substr(0, text.find(" ::: "))));
}

std::vector<std::string> allValues(const std::string& text) {
    std::vector<std::string> values;
    std::string_view rest = text;
    for (;;) {
        const std::size_t at = rest.find(":::");
        const std::string_view value = trimBlanks(rest.substr(0, at));
        if (!value.empty()) values.emplace_back(value);
        if (at == std::string_view::npos) return values;
        rest.remove_prefix(at + 3);
    }
}

Contact googleContact(const Columns& columns, const std::vector<std::string>& row) {
    Contact contact;
    contact.family = {firstValue(cell(row, columns.find({"familyname", "lastname"}))),
                      firstValue(cell(row, columns.find({"familynameyomi", "phoneticlastname"})))};
    contact.given = {firstValue(cell(row, columns.find({"givenname", "firstname"}))),
                     firstValue(cell(row, columns.find({"givennameyomi", "phoneticfirstname"})))};
    contact.fullName = {firstValue(cell(row, columns.find({"name", "fileas"}))),
                        firstValue(cell(row, columns.find({"yominame"})))};
    contact.organisation = {
        firstValue(cell(row, columns.find({"organization1name", "organizationname"}))),
        firstValue(cell(row, columns.find({"organization1yominame", "phoneticorganizationname",
                                           "organizationphoneticname", "organization1phoneticname"})))};
    for (int index = 1; index < 100; ++index) {
        const std::string base = "phone" + std::to_string(index);
        const std::optional<std::size_t> value = columns.find({base + "value"});
        if (!value) {
            if (index > 1) break;
            continue;
        }
        std::string type = cell(row, columns.find({base + "type", base + "label"}));
        // "* Mobile": the primary number.
        if (type.starts_with("* ")) type = type.substr(2);
        const NumberKind kind = numberKindFromLabels({type});
        for (const std::string& number : allValues(cell(row, value)))
            contact.numbers.push_back({kind, number, false});
    }
    return contact;
}

struct OutlookPhone {
    std::array<std::string_view, 4> keys;
    NumberKind kind;
};

// Outlook's telephone columns, in English and Japanese, by kind.
constexpr std::array kOutlookPhones = std::to_array<OutlookPhone>({
    {{"mobilephone", "携帯電話", "", ""}, NumberKind::Mobile},
    {{"carphone", "自動車電話", "", ""}, NumberKind::Mobile},
    {{"businessphone", "勤務先電話", "会社電話", ""}, NumberKind::Work},
    {{"businessphone2", "勤務先電話2", "会社電話2", ""}, NumberKind::Work},
    {{"companymainphone", "会社代表電話", "代表電話", ""}, NumberKind::Work},
    {{"homephone", "自宅電話", "", ""}, NumberKind::Home},
    {{"homephone2", "自宅電話2", "", ""}, NumberKind::Home},
    {{"primaryphone", "電話優先", "優先電話", ""}, NumberKind::Other},
    {{"otherphone", "その他の電話", "その他電話", ""}, NumberKind::Other},
    {{"assistantsphone", "アシスタントの電話", "", ""}, NumberKind::Other},
    {{"callback", "コールバック", "", ""}, NumberKind::Other},
    {{"radiophone", "無線電話", "", ""}, NumberKind::Other},
    {{"pager", "ポケットベル", "", ""}, NumberKind::Other},
    {{"isdn", "", "", ""}, NumberKind::Other},
    {{"businessfax", "勤務先ファックス", "会社ファックス", ""}, NumberKind::Fax},
    {{"homefax", "自宅ファックス", "", ""}, NumberKind::Fax},
    {{"otherfax", "その他のファックス", "", ""}, NumberKind::Fax},
});

Contact outlookContact(const Columns& columns, const std::vector<std::string>& row) {
    Contact contact;
    contact.family = {cell(row, columns.find({"lastname", "姓"})),
                      cell(row, columns.find({"surnameyomi", "lastnameyomi", "姓ふりがな", "ふりがな姓",
                                              "姓フリガナ", "フリガナ姓", "姓よみ"}))};
    contact.given = {cell(row, columns.find({"firstname", "名"})),
                     cell(row, columns.find({"givenyomi", "firstnameyomi", "名ふりがな", "ふりがな名",
                                             "名フリガナ", "フリガナ名", "名よみ"}))};
    contact.organisation = {cell(row, columns.find({"company", "会社名", "会社"})),
                            cell(row, columns.find({"companyyomi", "会社名ふりがな", "ふりがな会社名",
                                                    "会社名フリガナ", "フリガナ会社名"}))};
    contact.fullName = {cell(row, columns.find({"name", "displayname", "名前", "表示名"})), {}};
    for (const OutlookPhone& phone : kOutlookPhones) {
        std::optional<std::size_t> column;
        for (std::string_view key : phone.keys)
            if (!key.empty() && !column) column = columns.find({key});
        const std::string number = cell(row, column);
        if (!number.empty()) contact.numbers.push_back({phone.kind, number, false});
    }
    return contact;
}

Contact mappedContact(const Columns& columns, const ColumnMap& map, const std::vector<std::string>& row) {
    Contact contact;
    contact.fullName = {cell(row, columns.named(map.name)), cell(row, columns.named(map.reading))};
    contact.organisation.text = cell(row, columns.named(map.company));
    const std::pair<const std::string*, NumberKind> numbers[] = {{&map.mobile, NumberKind::Mobile},
                                                                 {&map.work, NumberKind::Work},
                                                                 {&map.home, NumberKind::Home},
                                                                 {&map.number, NumberKind::Other}};
    for (const auto& [column, kind] : numbers) {
        const std::string number = cell(row, columns.named(*column));
        if (!number.empty()) contact.numbers.push_back({kind, number, false});
    }
    if (!map.group.empty()) {
        const std::string group = cell(row, columns.named(map.group));
        std::string digits;
        for (std::size_t at = 0; at < group.size();) {
            const Utf8Character character = decodeUtf8(std::string_view(group).substr(at));
            at += character.length;
            char32_t codePoint = character.codePoint;
            if (codePoint >= 0xFF10 && codePoint <= 0xFF19) codePoint -= 0xFEE0;
            digits.push_back(codePoint >= '0' && codePoint <= '9' ? static_cast<char>(codePoint) : 'x');
        }
        const std::size_t significant = digits.find_first_not_of('0');
        const std::string value =
            significant == std::string::npos ? (digits.empty() ? "" : "0") : digits.substr(significant);
        if (value.size() == 1 && value[0] >= '0' && value[0] <= '7')
            contact.group = value[0] - '0';
        else if (!group.empty())
            contact.notes.push_back("group \"" + group +
                                    "\" is not a group 0..7: the import's group is taken");
    }
    return contact;
}

} // namespace

std::vector<std::string> missingColumns(const std::vector<std::string>& header, const ColumnMap& map) {
    const Columns columns(header);
    std::vector<std::string> missing;
    for (const std::string* column :
         {&map.name, &map.reading, &map.number, &map.group, &map.company, &map.mobile, &map.work, &map.home})
        if (!column->empty() && !columns.named(*column)) missing.push_back(*column);
    return missing;
}

std::optional<CsvLayout> recogniseLayout(const std::vector<std::string>& header, const ColumnMap& map) {
    if (!map.empty() && missingColumns(header, map).empty()) return CsvLayout::Mapped;
    const Columns columns(header);
    if (columns.has({"phone1value"}) && columns.has({"givenname", "familyname", "firstname", "lastname",
                                                     "name", "organizationname", "organization1name"}))
        return CsvLayout::Google;
    for (const OutlookPhone& phone : kOutlookPhones)
        for (std::string_view key : phone.keys)
            if (!key.empty() && columns.has({key}) &&
                columns.has({"lastname", "firstname", "姓", "名", "company", "会社名"}))
                return CsvLayout::Outlook;
    return std::nullopt;
}

std::vector<Contact> readCsvContacts(const CsvTable& table, CsvLayout layout, const ColumnMap& map,
                                     std::string_view sourceName) {
    const Columns columns(table.header);
    std::vector<Contact> contacts;
    for (const std::vector<std::string>& row : table.rows) {
        Contact contact = layout == CsvLayout::Google    ? googleContact(columns, row)
                          : layout == CsvLayout::Outlook ? outlookContact(columns, row)
                                                         : mappedContact(columns, map, row);
        contact.source = std::string(sourceName);
        contact.record = static_cast<int>(contacts.size()) + 1;
        contacts.push_back(std::move(contact));
    }
    return contacts;
}

} // namespace rk::contacts
