// What the commands around the history share: where it is, what a transfer's snapshot came to,
// the sides of a comparison and how a comparison is shown.
#pragma once

#include "cli/commands.h"
#include "history/phonebook_diff.h"
#include "history/safeguards.h"
#include "history/snapshot_store.h"
#include "link/phonebook_procedures.h"

#include <filesystem>
#include <optional>
#include <string>

namespace rk::cli {

// Exit statuses of the commands that compare, as diff(1) has them.
constexpr int kSame = 0;
constexpr int kDifferent = 1;
constexpr int kTrouble = 2;

// --history DIR when given, else the folder the environment names (see Context).
std::filesystem::path historyFolder(const Context& context, const std::optional<std::string>& option);

// Says on stderr when a completed transfer's snapshot could not be kept; silent otherwise.
void reportSnapshot(const history::SnapshotOutcome& outcome, link::TransferDirection direction);

// Says on stderr why each file cannot be compared: it cannot be read, or the load report's finding.
void tellProblems(const history::BookProblems& problems);

// Both books of a snapshot; nullopt (after saying why on stderr) when a file cannot be read or is
// no phonebook file.
std::optional<history::PhonebookSide> usableSnapshot(const history::Snapshot& snapshot);

// Prints a comparison on stdout (text or JSON) and returns kSame or kDifferent.
int printDiff(const history::PhonebookDiff& diff, bool json);

// Says on stderr that the history holds no read of a unit (CP932 host).
void tellNoRead(const std::filesystem::path& folder, const std::string& host);

// The newest read of a unit for diff's "last"; says on stderr when there is none.
std::optional<history::Snapshot> newestRead(const std::filesystem::path& folder, const std::string& host);

} // namespace rk::cli
