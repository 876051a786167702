#include "cli/history_steps.h"

#include "platform/text.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

namespace rk::cli {

std::filesystem::path historyFolder(const std::optional<std::string>& option) {
    if (option) return *option;
    return history::defaultHistoryFolder();
}

void reportSnapshot(const history::SnapshotOutcome& outcome, link::TransferDirection direction) {
    if (!outcome.attempted || outcome.kept) return;
    std::fprintf(stderr, "rkdial-cli: the history could not keep this %s: %s\n",
                 direction == link::TransferDirection::Read ? "read" : "write", outcome.problem.c_str());
}

std::optional<std::string> fileContent(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) return std::nullopt;
    return content;
}

std::optional<history::PhonebookSide> snapshotSide(const history::Snapshot& snapshot) {
    history::PhonebookSide side{fileContent(snapshot.commonFile()), fileContent(snapshot.myFile())};
    if (!side.common || !side.my) {
        std::fprintf(stderr, "rkdial-cli: cannot read the snapshot %s\n", snapshot.folder.c_str());
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
