// Where the contacts go in the book: the memories a book has and which of them are in use, and
// the rules of the three modes (append into free memories, update the memory that has the same
// number, replace the whole book), duplicates and capacity.
#pragma once

#include "contacts/import.h"

#include <map>
#include <string>
#include <vector>

namespace rk::contacts {

struct BookState {
    std::vector<int> memories;          // of the book, in order
    std::map<int, std::string> numbers; // memories in use: their numbers
    std::map<int, std::string> names;   // and their kanji names (CP932), for the report
};

BookState readBook(const Workspace& workspace, BookKind kind, int position);

// Gives each row whose status is still Stored its memory, or marks it duplicate or over capacity.
// The rows are in the order of the import; with sortByReading the appended rows are placed in
// gojuon order of their readings.
void placeRows(std::vector<ImportRow>& rows, const BookState& book, const ImportOptions& options,
               const ImportPlan& plan);

} // namespace rk::contacts
