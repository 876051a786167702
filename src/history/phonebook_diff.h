// The one comparison of two phonebooks, memory by memory, behind the command line's diff, the
// dry run and the check of a write, and the restore. Each side is given as the PC-side files of
// its books (sys-tan.txt / tel-tan.txt, save files, snapshots: the column order is taken from the
// file's column header); both are taken in the same memory count.
#pragma once

#include "phonebook/workspace.h"

#include <optional>
#include <string>
#include <vector>

namespace rk::history {

enum class Book { Common, My };
enum class Change { Added, Cleared, Changed };

// One side of a comparison: the file of each book it has.
struct PhonebookSide {
    std::optional<std::string> common;
    std::optional<std::string> my;
};

// One field of a memory that differs, with both values (CP932; the group as its digit).
struct FieldDifference {
    const char* field; // "number", "kanji name", "kana name", "group"
    std::string before;
    std::string after;
};

// A memory that differs. A memory is in use when it holds a number: one that comes into use is
// added, one that goes out of use is cleared (every field listed, with the values it had or
// has), one in use on both sides is changed in the fields listed. Memories in use on neither side
// are equal, whatever else they hold.
struct MemoryDifference {
    Book book = Book::Common;
    int position = 0; // my phonebook: 101..200
    int memory = 0;
    Change change = Change::Changed;
    std::vector<FieldDifference> fields;
};

struct BookSummary {
    bool compared = false;
    int added = 0;
    int cleared = 0;
    int changed = 0;
    int unchanged = 0;
};

struct PhonebookDiff {
    int memoryCount = 600;
    std::vector<MemoryDifference> differences; // common phonebook first, each in memory order
    BookSummary common;
    BookSummary my;

    bool equal() const { return differences.empty(); }
};

// Compares the books both sides have, in a memory count (600 or 990): the common phonebook's
// memories 000..599 or 000..989, my phonebook's 980..999 or 990..999 of positions 101..200.
PhonebookDiff comparePhonebooks(const PhonebookSide& before, const PhonebookSide& after, int memoryCount);

// The same, parsing in a workspace of the caller's, whose phonebooks and memory count it overwrites:
// for callers that compare many times (making a workspace costs about as much as parsing a book).
PhonebookDiff comparePhonebooks(const PhonebookSide& before, const PhonebookSide& after, int memoryCount,
                                Workspace& scratch);

// The comparison as text, in UTF-8: one line per memory that differs, in order, then one summary
// line per book compared. Values stand in double quotes; a '"', '\' or control byte in them is
// written as \", \\ or \xNN.
//   common 005 added: number "0312345678", kanji name "山田", kana name "ﾔﾏﾀﾞ", group 1
//   common 010 changed: number "0312345678" -> "0312345679"
//   my 105_982 cleared: number "09011112222", kanji name "営業", kana name "ｴｲｷﾞｮｳ"
//   common: 1 added, 0 cleared, 1 changed, 598 unchanged
std::string formatDiffText(const PhonebookDiff& diff);

// The same as one JSON object (UTF-8):
//   {"memories":600,"equal":false,"differences":[{"book":"common","memory":5,"change":"added",
//    "fields":[{"field":"number","old":"","new":"0312345678"},...]},...],
//    "summary":{"common":{"added":1,"cleared":0,"changed":1,"unchanged":598}}}
// A my-phonebook difference also names its "position".
std::string formatDiffJson(const PhonebookDiff& diff);

} // namespace rk::history
