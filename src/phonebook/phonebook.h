// The two speed-dial phonebooks held in the data image: the common phonebook (600 or 990
// memories from 000) and the per-telephone "my phonebooks" (20 or 10 memories for each
// telephone position). Every other part of the program reaches them only through these
// operations, which act on the image of the workspace they are given.
#pragma once

#include "image/speed_dial_tables.h"
#include "phonebook/entry_text.h"
#include "phonebook/page_rules.h"
#include "phonebook/workspace.h"

#include <vector>

namespace rk::phonebook {

enum class Copy { Working, Backup };

void resetDuplicateReport(Workspace& workspace);

// Block index 1..216 of a telephone position, 0 when the position has no block.
int positionToIndex(int position);

// Stores into the working copy and keeps the number index. False (nothing changed) for mode 0
// or an index outside the current table. The text is normalised in place.
bool storeSystemEntry(Workspace& workspace, int memory, EntryText& text);

// Into the working copy the number bytes 0..23 of the text are taken as already packed; into
// the backup copy the number is packed from text. Detects duplicates when the duplicate check
// is on; keeps the number index only for the working copy.
bool storeSystemEntryChecked(Workspace& workspace, int memory, EntryText& text, Copy target);

// Per-telephone stores; memory is 980..999 (600 mode) or 990..999 (990 mode). The checked
// variant always looks for the same number within the telephone's block.
bool storeTelephoneEntry(Workspace& workspace, int position, int memory, EntryText& text);
bool storeTelephoneEntryChecked(Workspace& workspace, int position, int memory, EntryText& text, Copy target);

// Loads fill the text; outside the current table it is all zero with group "1" and the result
// is false.
bool loadSystemEntry(const Workspace& workspace, int memory, EntryText& text, Copy source = Copy::Working);
bool loadTelephoneEntry(const Workspace& workspace, int position, int memory, EntryText& text,
                        Copy source = Copy::Working);

// Empties a phonebook laid out for a memory-count value (1 = 600, 2 = 990).
void clearSystemBook(Workspace& workspace, int mode);
void clearTelephoneBooks(Workspace& workspace, int mode);

void commitBackup(Workspace& workspace);      // backup := working
void restoreFromBackup(Workspace& workspace); // working := backup

// Restores the working copy from the backup copy and then stores the entries of one edit page
// (see page_rules.h) again with the checked store. Page 0 stands for everything and only
// restores; a my-phonebook page the book does not have stands for its first page.
void applyPageFromBackup(Workspace& workspace, int page, PageKind kind);

// MemoryMode, the memory-count byte of the image (1 = 600 common memories, 2 = 990), for code
// above the phonebook that works on a workspace of its own. Setting it clears nothing.
int memoryMode(const Workspace& workspace);
void setMemoryMode(Workspace& workspace, int mode);

// Free memories of the common phonebook (position 0) or of one telephone. For a telephone the
// first free memory is reported by its last two digits (80..99 or 90..99). Also kept in the
// image for the page generator.
image::FreeEntryStats countFreeEntries(Workspace& workspace, int position);

} // namespace rk::phonebook
