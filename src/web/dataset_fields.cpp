#include "web/dataset_fields.h"

#include "image/command_engine.h"
#include "image/command_table.h"

namespace rk::web {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct DigitGroup {
    std::string_view digits;
    bool hashAfter; // ended by 's' or 'n', or the last group
};

std::vector<DigitGroup> digitGroupsOf(std::string_view name) {
    std::vector<DigitGroup> groups;
    std::size_t at = name.empty() ? 0 : 1; // after the field letter
    while (at < name.size()) {
        if (!isDigit(name[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < name.size() && isDigit(name[at])) ++at;
        const bool endedByMark = at < name.size() && (name[at] == 's' || name[at] == 'n');
        groups.push_back({name.substr(start, at - start), endedByMark});
    }
    if (!groups.empty()) groups.back().hashAfter = true;
    return groups;
}

const image::CommandRow* rowOfCommand(std::string_view digits) {
    const std::size_t index = image::rowIndexOf(digits);
    if (index == image::noCommandRow()) return nullptr;
    const image::CommandRow& row = image::commandRows()[index];
    if (row[image::rowbyte::kPair] == image::kPairNothing) return nullptr;
    return &row;
}

// A name made only of the letter 'h', digit groups and the separators '_' and 's'.
struct StoreName {
    std::string_view command;
    std::vector<std::string_view> addresses;
    const image::CommandRow* row = nullptr;
};

std::optional<StoreName> storeNameOf(std::string_view entryName) {
    if (entryName.size() < 2 || entryName[0] != 'h') return std::nullopt;
    for (char c : entryName.substr(1))
        if (!isDigit(c) && c != '_' && c != 's') return std::nullopt;
    const std::vector<DigitGroup> groups = digitGroupsOf(entryName);
    if (groups.empty()) return std::nullopt;
    StoreName name;
    name.command = groups.front().digits;
    name.row = rowOfCommand(name.command);
    if (name.row == nullptr) return std::nullopt;
    for (std::size_t i = 1; i < groups.size(); ++i) name.addresses.push_back(groups[i].digits);
    const image::CommandRow& row = *name.row;
    if (static_cast<int>(name.addresses.size()) != image::addressFieldCount(row)) return std::nullopt;
    for (std::size_t i = 0; i < name.addresses.size(); ++i) {
        const int field = static_cast<int>(i) + 1;
        const auto length = static_cast<int>(name.addresses[i].size());
        if (length < image::fieldMinimum(row, field) || length > image::fieldMaximum(row, field))
            return std::nullopt;
    }
    return name;
}

bool isDataKey(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'F');
}

} // namespace

// Built in one pass: a page shows a value for every field it names.
std::string showKeyOf(std::string_view entryName) {
    std::string key = "*";
    bool hashed = true; // nothing to close yet
    for (std::size_t at = entryName.empty() ? 0 : 1; at < entryName.size();) {
        if (!isDigit(entryName[at])) {
            ++at;
            continue;
        }
        while (at < entryName.size() && isDigit(entryName[at])) key += entryName[at++];
        hashed = at < entryName.size() && (entryName[at] == 's' || entryName[at] == 'n');
        if (hashed) key += '#';
    }
    if (!hashed) key += '#';
    return key;
}

std::vector<std::string> shownValues(image::DataImage& image, std::string_view entryName) {
    // The command: the first digit group after the field letter.
    std::size_t start = entryName.empty() ? 0 : 1;
    while (start < entryName.size() && !isDigit(entryName[start])) ++start;
    std::size_t end = start;
    while (end < entryName.size() && isDigit(entryName[end])) ++end;
    if (end == start) return {};
    const std::optional<std::string> text =
        image::executeCommandString(image, kPageConsole, showKeyOf(entryName));
    if (!text) return {};
    // A shown value: the command, "=", the address fields and "-", the value and the mark "c".
    const std::string_view command = entryName.substr(start, end - start);
    const std::string_view display = *text;
    if (!display.starts_with(command) || display.size() < command.size() + 2 ||
        display[command.size()] != '=' || display.back() != 'c')
        return {};
    std::string_view shown = display.substr(command.size() + 1, display.size() - command.size() - 2);
    const image::CommandRow& row = image::commandRows()[image::rowIndexOf(command)];
    if (image::addressFieldCount(row) > 0) {
        const std::size_t dash = shown.find('-');
        if (dash == std::string_view::npos) return {};
        shown.remove_prefix(dash + 1);
    }
    std::vector<std::string> values;
    for (;;) {
        const std::size_t comma = shown.find(',');
        values.emplace_back(shown.substr(0, comma));
        if (comma == std::string_view::npos) break;
        shown.remove_prefix(comma + 1);
    }
    return values;
}

int dataValueCount(std::string_view entryName) {
    const std::optional<StoreName> name = storeNameOf(entryName);
    return name ? image::dataFieldCount(*name->row) : 0;
}

std::optional<std::string> storeCommandOf(std::string_view entryName, std::span<const std::string> values,
                                          bool subFields) {
    const std::optional<StoreName> name = storeNameOf(entryName);
    if (!name) return std::nullopt;
    const image::CommandRow& row = *name->row;
    const int addressCount = image::addressFieldCount(row);
    const int dataCount = image::dataFieldCount(row);
    // Without sub-fields a pair carries the one value of a one-value command.
    if (dataCount < 1 || static_cast<int>(values.size()) != (subFields ? dataCount : 1) ||
        (!subFields && dataCount != 1))
        return std::nullopt;

    std::string command = "*";
    command += name->command;
    for (std::size_t i = 0; i < name->addresses.size(); ++i) {
        command += name->addresses[i];
        // A field shorter than its most digits is closed by "#".
        if (static_cast<int>(name->addresses[i].size()) < image::fieldMaximum(row, static_cast<int>(i) + 1))
            command += '#';
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto width =
            static_cast<std::size_t>(image::fieldMaximum(row, addressCount + static_cast<int>(i) + 1));
        std::string_view value = values[i];
        if (value.size() > width) value = value.substr(0, width);
        // Without separators between them, every value but a single one must fill its field.
        if (value.empty() || (subFields && value.size() < width)) return std::nullopt;
        for (char c : value)
            if (!isDataKey(c)) return std::nullopt; // "*" or "#" would key in another command
        command += value;
    }
    command += '#';
    return command;
}

} // namespace rk::web
