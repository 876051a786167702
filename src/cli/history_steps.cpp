#include "cli/history_steps.h"

#include "cli/file_steps.h"
#include "history/phonebook_text.h"
#include "phonebook/load_report.h"
#include "phonebook/phonebook_file.h"
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

std::optional<std::string> phonebookFileContent(const std::filesystem::path& path, int kind) {
    std::optional<std::string> content = phonebook::readPhonebookFileBytes(path);
    if (!content) {
        std::fprintf(stderr, "rkdial-cli: cannot read %s\n", path.c_str());
        return std::nullopt;
    }
    if (const std::optional<phonebook::LoadFinding> why = phonebook::whyNoPhonebookFile(*content, kind)) {
        tellNotPhonebook(path.string(), kind, *why);
        return std::nullopt;
    }
    return content;
}

std::optional<history::PhonebookSide> snapshotSide(const history::Snapshot& snapshot) {
    history::PhonebookSide side{phonebookFileContent(snapshot.commonFile(), phonebook::kCommonPhonebookFile),
                                phonebookFileContent(snapshot.myFile(), phonebook::kMyPhonebookFile)};
    if (!side.common || !side.my) {
        std::fprintf(stderr, "rkdial-cli: cannot use the snapshot %s\n", snapshot.folder.c_str());
        return std::nullopt;
    }
    return side;
}

int printDiff(const history::PhonebookDiff& diff, bool json) {
    const std::string text = json ? history::formatDiffJson(diff) : history::formatDiffText(diff);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return diff.equal() ? kSame : kDifferent;
}

std::optional<history::Snapshot> newestRead(const std::filesystem::path& folder, const std::string& host) {
    std::optional<history::Snapshot> read =
        history::SnapshotStore(folder).newest(host, history::Direction::Read);
    if (!read)
        std::fprintf(stderr, "rkdial-cli: the history (%s) holds no read of %s\n", folder.c_str(),
                     text::cp932ToUtf8(host).c_str());
    return read;
}

} // namespace rk::cli
