// Arbitrary bytes as the files the history reads back: snapshot.txt, and two phonebook files of
// either kind compared memory by memory. The first byte picks the memory count (bit 0); the rest
// is split at its first zero byte into the file before and the file after.
#include "history/phonebook_diff.h"
#include "history/phonebook_text.h"
#include "history/snapshot_store.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int memoryCount = (data[0] & 1) ? 990 : 600;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    static_cast<void>(rk::history::parseSnapshotInfo(rest));

    const std::size_t split = rest.find('\0');
    const std::string before = rest.substr(0, split);
    const std::string after = split == std::string::npos ? std::string() : rest.substr(split + 1);
    static_cast<void>(rk::history::phonebookFileKind(before));
    static_cast<void>(rk::history::commonColumnOrder(before));

    // Each file as both books, so that every parser sees it.
    static rk::Workspace scratch;
    const rk::history::PhonebookDiff diff =
        rk::history::comparePhonebooks({before, before}, {after, after}, memoryCount, scratch);
    // Every memory of a book is counted once.
    const int common = memoryCount;
    const int mine = memoryCount == 990 ? 1000 : 2000;
    const auto counted = [](const rk::history::BookSummary& book) {
        return book.added + book.cleared + book.changed + book.unchanged;
    };
    if (counted(diff.common) != common || counted(diff.my) != mine) __builtin_trap();
    if (diff.differences.size() !=
        static_cast<std::size_t>(common + mine - diff.common.unchanged - diff.my.unchanged))
        __builtin_trap();
    static_cast<void>(rk::history::formatDiffText(diff));
    static_cast<void>(rk::history::formatDiffJson(diff));
    return 0;
}
