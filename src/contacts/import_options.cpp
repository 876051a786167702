#include "contacts/import_options.h"

#include "phonebook/phonebook.h"

#include <cctype>

namespace rk::contacts {
namespace {

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

} // namespace

bool ColumnMap::empty() const {
    return name.empty() && reading.empty() && number.empty() && group.empty() && company.empty() &&
           mobile.empty() && work.empty() && home.empty();
}

std::optional<std::vector<NumberKind>> parseNumberKinds(std::string_view text, std::string& error) {
    std::vector<NumberKind> kinds;
    for (std::string_view name : splitAt(text, ',')) {
        NumberKind kind;
        if (name == "mobile")
            kind = NumberKind::Mobile;
        else if (name == "work")
            kind = NumberKind::Work;
        else if (name == "home")
            kind = NumberKind::Home;
        else if (name == "other")
            kind = NumberKind::Other;
        else if (name == "fax")
            kind = NumberKind::Fax;
        else {
            error = "unknown kind of number \"" + std::string(name) + "\" (mobile, work, home, other, fax)";
            return std::nullopt;
        }
        kinds.push_back(kind);
    }
    return kinds;
}

std::optional<ColumnMap> parseColumnMap(std::string_view text, std::string& error) {
    ColumnMap map;
    for (std::string_view pair : splitAt(text, ',')) {
        const std::size_t equals = pair.find('=');
        const std::string_view field = pair.substr(0, equals);
        const std::string_view column =
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        if (column.empty()) {
            error = "--map " + std::string(field) + ": no column named (FIELD=COLUMN)";
            return std::nullopt;
        }
        std::string* target = nullptr;
        if (field == "name")
            target = &map.name;
        else if (field == "reading")
            target = &map.reading;
        else if (field == "number")
            target = &map.number;
        else if (field == "group")
            target = &map.group;
        else if (field == "company")
            target = &map.company;
        else if (field == "mobile")
            target = &map.mobile;
        else if (field == "work")
            target = &map.work;
        else if (field == "home")
            target = &map.home;
        if (target == nullptr) {
            error = "--map: unknown field \"" + std::string(field) +
                    "\" (name, reading, number, group, company, mobile, work, home)";
            return std::nullopt;
        }
        *target = std::string(column);
    }
    if (map.name.empty() && map.company.empty()) {
        error = "--map: name or company must be mapped";
        return std::nullopt;
    }
    if (map.number.empty() && map.mobile.empty() && map.work.empty() && map.home.empty()) {
        error = "--map: number must be mapped";
        return std::nullopt;
    }
    return map;
}

std::vector<int> bookMemories(BookKind kind, int memoryMode) {
    std::vector<int> memories;
    if (kind == BookKind::Common) {
        const int count = memoryMode == 2 ? 990 : 600;
        for (int memory = 0; memory < count; ++memory) memories.push_back(memory);
    } else {
        for (int memory = memoryMode == 2 ? 990 : 980; memory <= 999; ++memory) memories.push_back(memory);
    }
    return memories;
}

std::string checkOptions(const ImportOptions& options, int memoryMode) {
    // Every placeholder of the template must be one the contacts have.
    std::string_view rest = options.nameTemplate;
    while (!rest.empty()) {
        const std::size_t open = rest.find('{');
        if (open == std::string_view::npos) break;
        const std::size_t close = rest.find('}', open);
        if (close == std::string_view::npos) return "--name: a { without its }";
        const std::string_view placeholder = rest.substr(open + 1, close - open - 1);
        if (placeholder != "family" && placeholder != "given" && placeholder != "company")
            return "--name: unknown placeholder {" + std::string(placeholder) +
                   "} ({family}, {given}, {company})";
        rest.remove_prefix(close + 1);
    }
    if (options.kind == BookKind::My) {
        if (options.position < phonebook::kFirstPhonebookPosition ||
            options.position > phonebook::kLastPhonebookPosition ||
            phonebook::positionToIndex(options.position) == 0)
            return "--position: a telephone position 101..200 is needed for --kind my";
    }
    if (options.from) {
        const std::vector<int> memories = bookMemories(options.kind, memoryMode);
        if (*options.from < memories.front() || *options.from > memories.back())
            return "--from: memory " + std::to_string(*options.from) + " is not in the book (" +
                   std::to_string(memories.front()) + ".." + std::to_string(memories.back()) + ")";
    }
    if (options.group && (*options.group < 0 || *options.group > 7)) return "--group: a group 0..7";
    for (char digit : options.prefix)
        if (!std::isdigit(static_cast<unsigned char>(digit))) return "--prefix: digits only";
    if (options.numberKinds.empty()) return "--numbers: at least one kind";
    return {};
}

} // namespace rk::contacts
