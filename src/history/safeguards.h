// What guards a write and undoes one, the same for every front end: the books of the working copy
// as a write sends them, what a write would change against the newest read of the same main unit
// (the write plan), the check of a write by reading it back into a workspace of its own, and the
// restore of a snapshot into the working copy. The comparison itself is phonebook_diff.h.
#pragma once

#include "history/phonebook_diff.h"
#include "history/snapshot_store.h"
#include "phonebook/load_report.h"
#include "phonebook/workspace.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rk::history {

// Why a phonebook file cannot be a side of a comparison.
struct BookProblem {
    std::filesystem::path file;
    int kind = 0;                                  // 1 common, 2 my phonebook
    std::optional<phonebook::LoadFinding> finding; // nullopt: the file cannot be read
};
using BookProblems = std::vector<BookProblem>;

// A phonebook file of a kind (1 common, 2 my phonebook) as a side of a comparison: as much of it
// as a load reads. nullopt, the reason added to `problems`, when it cannot be read or is no
// phonebook file of the kind (the load report's finding).
std::optional<std::string> bookFile(const std::filesystem::path& path, int kind, BookProblems* problems);

// A phonebook file of either kind as one side: the book of the kind whose load would take it. When
// neither would, `problems` gets what each load found (common first).
std::optional<PhonebookSide> phonebookFileSide(const std::filesystem::path& path, BookProblems* problems);

// Both books of a snapshot; nullopt when either file cannot be used (each one's reason added).
std::optional<PhonebookSide> snapshotSide(const Snapshot& snapshot, BookProblems* problems = nullptr);

// Both books of the working copy as a write of it sends them, as files of the PC's own column
// order. A write applies its memory count to the bytes the working copy holds, without
// re-laying them out, so the books are taken in `memoryCount` whatever the workspace is set to.
// Read under the edit lock where browser requests may run.
PhonebookSide workingCopySide(const Workspace& workspace, int memoryCount);

// The memory count (600 or 990) a workspace is set to.
int memoryCountOf(const Workspace& workspace);

// ---- the write plan ----

struct WritePlan {
    enum class Status {
        Planned,   // `read` and `changes` hold the comparison
        NoRead,    // the history holds no read of the unit
        Unreadable // the newest read's files cannot be used (`problems` says why)
    };
    Status status = Status::NoRead;
    Snapshot read; // the newest read of the unit, unless NoRead
    PhonebookDiff changes;
    BookProblems problems;
};

// What a write of the working copy in `memoryCount` would change against the newest read of the
// unit `host` (CP932, as typed) in the history.
WritePlan planWrite(const SnapshotStore& store, const std::string& host, const Workspace& workspace,
                    int memoryCount);

// ---- the verified write ----

// Reads both books back from the main unit into the workspace it is given (set to the write's
// memory count, nothing else in it): 0 when read, the read's own result otherwise. The front end
// supplies it over its device link, with its own progress and messages.
using ReadBack = std::function<int(Workspace& into)>;

struct VerifyOutcome {
    enum class Status {
        Same,        // the main unit holds every memory as it was sent
        Different,   // `differences` says where
        ReadFailed,  // the read-back did not complete (`readResult`)
        NothingSent, // the files that were sent were not given
    };
    Status status = Status::NothingSent;
    int readResult = 0;
    PhonebookDiff differences; // sent -> read back
};

// The books a completed write sent, as it generated them in its work directory (sys-tan.txt and
// tel-tan.txt; a read-back replaces them).
PhonebookSide writtenBooks(const std::filesystem::path& workDirectory);

// Once a write has completed: reads the books back into a workspace of this check's own (the
// working copy is never touched) and compares them with what was sent (sys-tan.txt and
// tel-tan.txt as the write generated them) in the write's memory count.
VerifyOutcome verifyWrite(const PhonebookSide& sent, int memoryCount, const ReadBack& readBack);

// ---- restore ----

// What putting `books` into the working copy in `memoryCount` would change there.
PhonebookDiff restoreChanges(const Workspace& workspace, const PhonebookSide& books, int memoryCount);

// Puts the books (a snapshot's, or any pair of phonebook files) into the working copy: the books
// given are emptied in the layout they are held in, MemoryMode becomes `memoryCount`'s, the files
// are parsed as the file window loads them, the backup copy follows and PhonebookPresent is set.
// Run under the edit lock where browser requests may run.
void restoreBooks(Workspace& workspace, const PhonebookSide& books, int memoryCount);

} // namespace rk::history
