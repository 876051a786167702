#include "mainunit/unit_store.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace rk::mainunit {
namespace {

// The text between <tag> and </tag>, empty when there is none.
std::string elementText(const std::string& page, const std::string& tag) {
    const std::string open = "<" + tag + ">";
    const std::size_t start = page.find(open);
    if (start == std::string::npos) return {};
    const std::size_t end = page.find("</" + tag + ">", start);
    if (end == std::string::npos) return {};
    return page.substr(start + open.size(), end - start - open.size());
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

// The records of one element: each ends with LF LF, the last one of a page without its comma.
std::vector<std::string> recordTexts(const std::string& element) {
    std::vector<std::string> records;
    std::size_t start = 0;
    while (start < element.size()) {
        std::size_t end = element.find("\n\n", start);
        if (end == std::string::npos) end = element.size();
        std::string record = element.substr(start, end - start);
        start = end + 2;
        if (!record.empty() && record.back() == ',') record.pop_back();
        if (!record.empty()) records.push_back(record);
    }
    return records;
}

} // namespace

std::vector<UnitRecord> recordsFromPages(const std::vector<std::pair<std::string, std::string>>& pages,
                                         bool separatorConvention) {
    const char separator = separatorConvention ? 's' : ',';
    std::vector<UnitRecord> records;
    for (const char* name : kPageFiles) {
        const std::string page(name);
        const auto found =
            std::find_if(pages.begin(), pages.end(), [&](const auto& entry) { return entry.first == page; });
        if (found == pages.end()) continue;
        const bool common = page.starts_with("sys-tan");
        for (const std::string& text :
             recordTexts(elementText(found->second, common ? "systan" : "teltan"))) {
            const std::vector<std::string> fields = split(text, separator);
            if (fields.size() < 4) continue;
            UnitRecord record;
            if (common) {
                record.memory = std::atoi(fields[0].c_str());
                record.group = fields.size() > 4 ? std::atoi(fields[4].c_str()) : 1;
            } else {
                // "101_980": position and memory.
                record.position = std::atoi(fields[0].c_str());
                record.memory = fields[0].size() > 4 ? std::atoi(fields[0].c_str() + 4) : 0;
                record.group = 0;
            }
            record.number = fields[1];
            record.kanji = fields[2];
            record.kana = fields[3];
            records.push_back(record);
        }
    }
    return records;
}

bool saveStore(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& uploads) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const auto& [name, body] : uploads) {
        // Into a file of its own first, so that a half-written page never replaces a whole one.
        const std::filesystem::path target = std::filesystem::path(folder) / name;
        const std::filesystem::path partial = target.string() + ".partial";
        {
            std::ofstream file(partial, std::ios::binary | std::ios::trunc);
            file << body;
            if (!file.flush()) return false;
        }
        std::filesystem::rename(partial, target, error);
        if (error) return false;
    }
    return true;
}

std::optional<std::vector<UnitRecord>> loadStore(const std::string& folder, bool separatorConvention) {
    std::vector<std::pair<std::string, std::string>> pages;
    for (const char* name : kPageFiles) {
        std::ifstream file(std::filesystem::path(folder) / name, std::ios::binary);
        if (!file) return std::nullopt;
        pages.emplace_back(
            name, std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    }
    return recordsFromPages(pages, separatorConvention);
}

bool changeMemory(std::vector<UnitRecord>& records, int memory) {
    for (UnitRecord& record : records) {
        if (record.position != 0 || record.memory != memory) continue;
        if (record.number.empty()) {
            record.number.push_back('1');
        } else {
            char& last = record.number.back();
            if (last >= '0' && last <= '9')
                last = last == '9' ? '0' : static_cast<char>(last + 1);
            else
                last = '0';
        }
        return true;
    }
    return false;
}

} // namespace rk::mainunit
