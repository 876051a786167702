#include "phonebook/page_files.h"

#include "phonebook/line_table.h"
#include "platform/file_writer.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace rk::phonebook {
namespace {

constexpr std::size_t kRecordsPerPage = 500;
constexpr std::size_t kSkippedLines = 2; // the header line and the column header

struct PageFormat {
    std::string_view element; // "systan" or "teltan"
    std::size_t pages;
    bool joinPosition; // per telephone: "101_980" instead of "101,980"
};

std::string openingTags(std::string_view element) {
    return "<root>\n\n<" + std::string(element) + ">\n\n";
}

std::string closingTags(std::string_view element) {
    return "</" + std::string(element) + ">\n\n</root>\n";
}

std::vector<std::string> makePages(std::span<const char> source, bool separatorFlag,
                                   const PageFormat& format) {
    std::vector<std::string> pages(1, openingTags(format.element));
    std::size_t lineNumber = 0;
    std::size_t recordsInPage = 0;
    std::string_view rest(source.data(), source.size());
    bool pendingSeparator = false; // the comma after the previous record, unless it ends its page
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (lineNumber++ < kSkippedLines) continue;
        if (line.empty() || line[0] < '0' || line[0] > '9') continue;
        if (line.ends_with('\r')) line.remove_suffix(1);

        std::string record(line);
        if (separatorFlag) std::ranges::replace(record, ',', 's');
        if (format.joinPosition && record.size() > 3) record[3] = '_';
        std::string& page = pages.back();
        if (pendingSeparator) page.insert(page.size() - 2, 1, ',');
        page += record;
        page += "\n\n";
        pendingSeparator = true;
        if (++recordsInPage == kRecordsPerPage && pages.size() < format.pages) {
            page += closingTags(format.element);
            pages.push_back(openingTags(format.element));
            recordsInPage = 0;
            pendingSeparator = false;
        }
    }
    pages.back() += closingTags(format.element);
    return pages;
}

int writePages(const std::filesystem::path& source, const std::filesystem::path& destination,
               bool separatorFlag, const PageFormat& format, std::span<const std::string_view> names,
               platform::WriteFailure* failure) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(source, error)) return 30;
    std::ifstream input(source, std::ios::binary);
    if (!input) return 30;
    // A speed-dial file is far smaller than the staging area; anything beyond it is not ours.
    std::string bytes(FileHeaderLine::kBytes + LineTable::kTotalBytes, '\0');
    input.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(input.gcount()));
    const std::vector<std::string> pages = makePages(bytes, separatorFlag, format);
    for (std::size_t i = 0; i < pages.size() && i < names.size(); ++i) {
        const std::filesystem::path target = i == 0 ? destination : destination.parent_path() / names[i];
        if (!platform::replaceFile(target, pages[i], failure)) return 30;
    }
    return 0;
}

constexpr PageFormat kSystemFormat{"systan", kSystemPageFiles.size(), false};
constexpr PageFormat kTelephoneFormat{"teltan", kTelephonePageFiles.size(), true};

} // namespace

std::vector<std::string> mainUnitSystemPages(std::span<const char> source, bool separatorFlag) {
    return makePages(source, separatorFlag, kSystemFormat);
}

std::vector<std::string> mainUnitTelephonePages(std::span<const char> source, bool separatorFlag) {
    return makePages(source, separatorFlag, kTelephoneFormat);
}

int makeMainUnitSystemFiles(const std::filesystem::path& source, const std::filesystem::path& destination,
                            bool separatorFlag, platform::WriteFailure* failure) {
    return writePages(source, destination, separatorFlag, kSystemFormat, kSystemPageFiles, failure);
}

int makeMainUnitTelephoneFiles(const std::filesystem::path& source, const std::filesystem::path& destination,
                               bool separatorFlag, platform::WriteFailure* failure) {
    return writePages(source, destination, separatorFlag, kTelephoneFormat, kTelephonePageFiles, failure);
}

} // namespace rk::phonebook
