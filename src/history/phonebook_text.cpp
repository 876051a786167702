#include "history/phonebook_text.h"

#include "phonebook/line_table.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <algorithm>

namespace rk::history {
namespace {

// The bytes after the header line, when the file starts with one.
std::string_view afterHeaderLine(std::string_view file) {
    if (!file.empty() && file.front() == '2')
        return file.substr(std::min(file.size(), phonebook::FileHeaderLine::kBytes));
    return file;
}

// The column header line (without CR LF) and the data after it.
struct Body {
    std::string_view columnHeader;
    std::string_view data;
};

Body splitBody(std::string_view file) {
    const std::string_view body = afterHeaderLine(file);
    const std::size_t end = body.find("\r\n");
    if (end == std::string_view::npos) return {body, {}};
    return {body.substr(0, end), body.substr(end + 2)};
}

} // namespace

int phonebookFileKind(std::string_view file) {
    const std::string_view data = splitBody(file).data;
    if (data.starts_with("0,") || data.starts_with("000")) return phonebook::kCommonPhonebookFile;
    if (data.starts_with("101")) return phonebook::kMyPhonebookFile;
    return 0;
}

int commonColumnOrder(std::string_view file) {
    return splitBody(file).columnHeader == phonebook::commonColumnHeader(1) ? 1 : 0;
}

void parsePhonebookText(Workspace& workspace, int kind, std::string_view file,
                        phonebook::LoadObserver* observer) {
    const int order = kind == phonebook::kCommonPhonebookFile ? commonColumnOrder(file) : 0;
    phonebook::parsePhonebookFile(workspace, kind, std::span<const char>(file.data(), file.size()), order,
                                  observer);
}

std::string commonFileInOwnOrder(Workspace& workspace, std::string_view original) {
    phonebook::FileHeaderLine::Line header = workspace.fileHeaderLine().formatNow();
    if (original.size() >= header.size() && original.front() == '2')
        std::copy_n(original.begin(), header.size(), header.begin());
    return phonebook::formatPhonebookFile(workspace, phonebook::kCommonPhonebookFile, header, 0);
}

int memoriesInUse(const Workspace& workspace, int kind) {
    const bool layout990 = phonebook::memoryMode(workspace) == 2;
    int count = 0;
    phonebook::EntryText entry;
    if (kind == phonebook::kCommonPhonebookFile) {
        for (int memory = 0; memory < (layout990 ? 990 : 600); ++memory)
            if (phonebook::loadSystemEntry(workspace, memory, entry) && entry.number[0] != '\0') ++count;
        return count;
    }
    for (int position = phonebook::kFirstPhonebookPosition; position <= phonebook::kLastPhonebookPosition;
         ++position)
        for (int memory = layout990 ? 990 : 980; memory <= 999; ++memory)
            if (phonebook::loadTelephoneEntry(workspace, position, memory, entry) && entry.number[0] != '\0')
                ++count;
    return count;
}

} // namespace rk::history
