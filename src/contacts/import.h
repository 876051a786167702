// Contact lists into a workspace's phonebook: the one entry point that the command line's
// `import` and the desktop program's window both stand on. A preview works out every contact's
// entry and memory without touching the phonebook; storing puts the previewed rows (as a window
// may have edited them) into the working copy with the plain stores, as a file load does.
#pragma once

#include "contacts/contact_entry.h"
#include "contacts/contact_sources.h"
#include "contacts/import_options.h"
#include "contacts/reading_maker.h"
#include "phonebook/workspace.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

enum class ImportStatus { Stored, Updated, Duplicate, OverCapacity, InvalidNumber, NoNumber };

constexpr std::size_t kNotPlaced = static_cast<std::size_t>(-1);

// One contact (with allNumbers: one number of a contact) and what becomes of it.
struct ImportRow {
    std::string source; // the file's name
    int record = 0;     // 1-based within its file
    int memory = -1;    // -1: not stored
    std::string kanji;  // CP932, at most 20 bytes
    std::string kana;   // CP932 half-width, at most 20 bytes
    KanaSource kanaSource = KanaSource::None;
    std::vector<std::string> kanaCandidates; // CP932, the first being kana; only for made readings
    std::string number; // dialable; the number as given (CP932) when it is not valid; empty: none
    int group = kDefaultGroup;
    ImportStatus status = ImportStatus::Stored;
    std::vector<std::string> changes; // UTF-8: what was changed, made or left out, and why

    // What placing the row again needs (after an edit or with other placement options): the
    // number as the contact gave it (UTF-8), the list's own group, and where in `changes` the
    // number's texts and the placement's texts stand.
    std::string given;
    std::optional<int> listGroup;
    std::size_t numberChangesAt = 0;
    std::size_t numberChangesCount = 0;
    std::size_t placementChangesAt = kNotPlaced;
};

struct SourceProblem {
    std::string source;
    std::string problem;
};

struct ImportPlan {
    BookKind kind = BookKind::Common;
    int position = 0;
    PlacementMode mode = PlacementMode::Append;
    std::vector<ImportRow> rows;
    std::vector<SourceProblem> problems; // sources that could not be read: nothing of them is in the rows
    std::vector<std::string> formats;    // the format of each source read, in the order given
};

// Reads every source and works out each contact's entry, placing nothing: the slow part of a
// preview (readings are made here), which needs no phonebook. placeImport then places the rows.
ImportPlan readImport(std::span<const ContactSource> sources, const ImportOptions& options,
                      ReadingMaker& maker);

// Reads every source and works out each contact's entry and memory against the workspace's
// working copy (in its memory count), changing nothing. The options must have passed
// checkOptions.
ImportPlan previewImport(const Workspace& workspace, std::span<const ContactSource> sources,
                         const ImportOptions& options, ReadingMaker& maker);

// Works out every row's memory and status again against the workspace's working copy, for the
// placement options given (kind, position, mode, from, sort, group), the rows' names and numbers
// staying as they are (edited ones included). The options must have passed checkOptions.
void placeImport(ImportPlan& plan, const Workspace& workspace, const ImportOptions& options);

// A field of a previewed row that the operator may change.
enum class RowField { Kanji, Kana, Number };

// The operator's text (UTF-8) for a field of a row, taken by the import's own rules: a kanji name
// in common forms fitted to 20 bytes, a reading in half-width katakana fitted to 20 bytes (a
// character without a half-width form left out), a number made dialable with the options' prefix
// (empty: no number). The number's earlier texts in the row's changes give way to the new
// number's; the other edits are noted. Every row is then placed again (placeImport). Nothing
// happens for a row index out of range.
void editImportRow(ImportPlan& plan, std::size_t row, RowField field, std::string_view utf8,
                   const Workspace& workspace, const ImportOptions& options);

// Stores the rows marked stored or updated into the working copy; replace empties the book
// first. The rows are stored as they are, so that names a window edited go in as edited (cut to
// 20 bytes where a character ends, a voiced mark staying with its kana). The backup copy becomes
// a copy of the result, as after a file load.
void storeImport(Workspace& workspace, const ImportPlan& plan);

// previewImport, then storeImport.
ImportPlan importContacts(Workspace& workspace, std::span<const ContactSource> sources,
                          const ImportOptions& options, ReadingMaker& maker);

// The memory as the report names it: "000".."989", or "101_980"; empty when not stored.
std::string memoryLabel(const ImportPlan& plan, const ImportRow& row);

// "stored", "updated", "duplicate", "over_capacity", "invalid_number", "no_number".
const char* statusName(ImportStatus status);
// "contact", "made", "none".
const char* kanaSourceName(KanaSource source);
// The same for the operator's window (UTF-8): "登録", "更新", "重複", "空きなし", "番号不正",
// "番号なし"; "連絡先", "作成", "なし".
const char* statusLabel(ImportStatus status);
const char* kanaSourceLabel(KanaSource source);

// 0 when every contact was stored exactly as given, 1 when anything was changed, made or left
// out, 2 when a source could not be read.
int importExitStatus(const ImportPlan& plan);

struct ImportSummary {
    int contacts = 0; // rows
    int stored = 0;
    int updated = 0;
    int duplicate = 0;
    int overCapacity = 0;
    int invalidNumber = 0;
    int noNumber = 0;
    int readingsMade = 0;
    int changed = 0; // rows with changes
};
ImportSummary summarize(const ImportPlan& plan);

} // namespace rk::contacts
