#include "contacts/placement.h"

#include "contacts/kana.h"
#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <algorithm>
#include <numeric>

namespace rk::contacts {

BookState readBook(const Workspace& workspace, BookKind kind, int position) {
    BookState book;
    book.memories = bookMemories(kind, phonebook::memoryMode(workspace));
    for (int memory : book.memories) {
        phonebook::EntryText entry;
        const bool loaded = kind == BookKind::Common
                                ? phonebook::loadSystemEntry(workspace, memory, entry)
                                : phonebook::loadTelephoneEntry(workspace, position, memory, entry);
        if (!loaded) continue;
        const std::string number = entry.numberText();
        if (number.empty()) continue;
        book.numbers[memory] = number;
        book.names[memory] = entry.kanjiText();
    }
    return book;
}

void placeRows(std::vector<ImportRow>& rows, const BookState& book, const ImportOptions& options,
               const ImportPlan& plan) {
    const bool replace = options.mode == PlacementMode::Replace;
    // The numbers in the book, and with a prefix also as they were before it was put in front.
    std::map<std::string, int> inBook;
    if (!replace)
        for (const auto& [memory, number] : book.numbers) inBook.emplace(number, memory);
    const auto findInBook = [&](const std::string& number) -> std::optional<int> {
        if (const auto found = inBook.find(number); found != inBook.end()) return found->second;
        if (!options.prefix.empty() && number.starts_with(options.prefix))
            if (const auto found = inBook.find(number.substr(options.prefix.size())); found != inBook.end())
                return found->second;
        return std::nullopt;
    };

    std::map<std::string, std::size_t> firstInImport;
    std::vector<std::size_t> appended;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        ImportRow& row = rows[index];
        if (row.status != ImportStatus::Stored) continue;
        if (const auto earlier = firstInImport.find(row.number); earlier != firstInImport.end()) {
            const ImportRow& first = rows[earlier->second];
            row.status = ImportStatus::Duplicate;
            row.changes.push_back("not stored: the same number as " + first.source + ":" +
                                  std::to_string(first.record));
            continue;
        }
        firstInImport.emplace(row.number, index);
        if (const std::optional<int> memory = findInBook(row.number)) {
            ImportRow probe;
            probe.memory = *memory;
            const std::string label = memoryLabel(plan, probe);
            if (options.mode == PlacementMode::Update) {
                row.status = ImportStatus::Updated;
                row.memory = *memory;
                const auto name = book.names.find(*memory);
                if (name != book.names.end() && name->second != row.kanji)
                    row.changes.push_back("memory " + label + " had this number as \"" +
                                          text::cp932ToUtf8(name->second) + "\": its names are updated");
            } else {
                row.status = ImportStatus::Duplicate;
                row.changes.push_back("not stored: the number is already in memory " + label);
            }
            continue;
        }
        appended.push_back(index);
    }

    if (options.sortByReading) {
        std::stable_sort(appended.begin(), appended.end(), [&rows](std::size_t a, std::size_t b) {
            const std::string& first = rows[a].kana;
            const std::string& second = rows[b].kana;
            if (first.empty() || second.empty()) return !first.empty() && second.empty();
            return gojuonKey(first) < gojuonKey(second);
        });
    }

    const int from = options.from.value_or(book.memories.front());
    std::vector<int> free;
    for (int memory : book.memories)
        if (memory >= from && (replace || !book.numbers.contains(memory))) free.push_back(memory);
    std::size_t next = 0;
    for (std::size_t index : appended) {
        ImportRow& row = rows[index];
        if (next < free.size()) {
            row.memory = free[next++];
            continue;
        }
        row.status = ImportStatus::OverCapacity;
        ImportRow probe;
        probe.memory = from;
        row.changes.push_back("not stored: no free memory left from " + memoryLabel(plan, probe) + " on");
    }
}

} // namespace rk::contacts
