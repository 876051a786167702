#include "cli/history_steps.h"

#include "cli/file_steps.h"
#include "platform/text.h"

#include <cstdio>

namespace rk::cli {

std::filesystem::path historyFolder(const Context& context, const std::optional<std::string>& option) {
    if (option) return *option;
    return context.historyFolder;
}

void reportSnapshot(const history::SnapshotOutcome& outcome, link::TransferDirection direction) {
    if (!outcome.attempted || outcome.kept) return;
    std::fprintf(stderr, "rkdial-cli: the history could not keep this %s: %s\n",
                 direction == link::TransferDirection::Read ? "read" : "write", outcome.problem.c_str());
}

void tellProblems(const history::BookProblems& problems) {
    for (const history::BookProblem& problem : problems) {
        if (problem.finding)
            tellNotPhonebook(problem.file.string(), problem.kind, *problem.finding);
        else
            std::fprintf(stderr, "rkdial-cli: cannot read %s\n", problem.file.c_str());
    }
}

std::optional<history::PhonebookSide> usableSnapshot(const history::Snapshot& snapshot) {
    history::BookProblems problems;
    std::optional<history::PhonebookSide> side = history::snapshotSide(snapshot, &problems);
    if (!side) {
        tellProblems(problems);
        std::fprintf(stderr, "rkdial-cli: cannot use the snapshot %s\n", snapshot.folder.c_str());
    }
    return side;
}

int printDiff(const history::PhonebookDiff& diff, bool json) {
    const std::string text = json ? history::formatDiffJson(diff) : history::formatDiffText(diff);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return diff.equal() ? kSame : kDifferent;
}

void tellNoRead(const std::filesystem::path& folder, const std::string& host) {
    std::fprintf(stderr, "rkdial-cli: the history (%s) holds no read of %s\n", folder.c_str(),
                 text::cp932ToUtf8(host).c_str());
}

std::optional<history::Snapshot> newestRead(const std::filesystem::path& folder, const std::string& host) {
    std::optional<history::Snapshot> read =
        history::SnapshotStore(folder).newest(host, history::Direction::Read);
    if (!read) tellNoRead(folder, host);
    return read;
}

} // namespace rk::cli
