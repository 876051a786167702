// rkdial-cli history and diff: the snapshots that every completed read and write leaves, and the
// comparison of two phonebooks memory by memory.
#include "cli/commands.h"
#include "cli/file_steps.h"
#include "cli/history_steps.h"
#include "cli/options.h"

#include "phonebook/phonebook_file.h"
#include "platform/text.h"

#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

namespace rk::cli {
namespace {

constexpr const char* kHistoryHelp =
    "Usage: rkdial-cli history [--host H] [--history DIR]\n"
    "\n"
    "Lists the snapshots that completed reads and writes have left, newest first: local time,\n"
    "direction, main unit, memories in use in the common phonebook and in my phonebook, and the\n"
    "snapshot's folder (which diff and restore take). --host lists one main unit only. The history\n"
    "is in DIR, else in $RKDIAL_HISTORY, else in $XDG_DATA_HOME/rkdial/history, else in\n"
    "~/.local/share/rkdial/history; the newest 100 snapshots of each main unit are kept.\n";

constexpr const char* kDiffHelp =
    "Usage: rkdial-cli diff A B [--kind common|my] [--memory 600|990] [--json]\n"
    "                       [--host H] [--history DIR]\n"
    "\n"
    "Compares two phonebooks memory by memory. A and B are snapshot folders (or their names, with\n"
    "--host), phonebook files (sys-tan.txt, tel-tan.txt or save files), or the word last: the newest\n"
    "read of the main unit --host. Every memory that was added, cleared or changed is shown with its\n"
    "fields (number, kanji name, kana name, group) in memory order, then one summary line per\n"
    "phonebook. --kind compares one phonebook only; --memory is the count of common memories to\n"
    "compare in (default: that of the snapshots, else 600). --json prints one JSON object instead.\n"
    "Exit status: 0 when equal, 1 when different, 2 on trouble.\n";

struct DiffOptions {
    std::vector<std::string> operands;
    int kind = 0; // 0: every book both sides have
    int memoryCount = 0;
    bool json = false;
    std::string host; // as typed
    std::optional<std::string> history;
};

// One side of the comparison as the command line names it.
struct Operand {
    history::PhonebookSide side;
    std::optional<int> memoryCount; // a snapshot's
};

// A host text for the history, in CP932; nullopt after saying why.
std::optional<std::string> hostOf(const std::string& typed) {
    const std::optional<std::string> host = text::tryToCp932(typed);
    if (!host || host->empty()) std::fprintf(stderr, "rkdial-cli: --host needs a host name or address\n");
    return host && !host->empty() ? host : std::nullopt;
}

std::optional<Operand> snapshotOperand(const history::Snapshot& snapshot) {
    std::optional<history::PhonebookSide> side = usableSnapshot(snapshot);
    if (!side) return std::nullopt;
    return Operand{std::move(*side), snapshot.info.memoryCount};
}

std::optional<Operand> resolveOperand(const Context& context, const std::string& word,
                                      const DiffOptions& options) {
    const std::filesystem::path folder = historyFolder(context, options.history);
    if (word == "last") {
        if (options.host.empty()) {
            std::fprintf(stderr, "rkdial-cli: last needs --host\n");
            return std::nullopt;
        }
        const std::optional<std::string> host = hostOf(options.host);
        if (!host) return std::nullopt;
        const std::optional<history::Snapshot> read = newestRead(folder, *host);
        if (!read) return std::nullopt;
        return snapshotOperand(*read);
    }
    std::error_code error;
    if (std::filesystem::is_directory(word, error)) {
        const std::optional<history::Snapshot> snapshot = history::openSnapshot(word);
        if (!snapshot) {
            std::fprintf(stderr, "rkdial-cli: %s is no snapshot\n", word.c_str());
            return std::nullopt;
        }
        return snapshotOperand(*snapshot);
    }
    if (std::filesystem::exists(word, error)) {
        // No more of it than a load reads, whatever its size; the kind is the one whose load would
        // take the file. A file that neither load takes is refused with what each found.
        history::BookProblems problems;
        if (std::optional<history::PhonebookSide> side = history::phonebookFileSide(word, &problems))
            return Operand{std::move(*side), std::nullopt};
        if (problems.size() == 2 && problems[0].finding->reason == problems[1].finding->reason)
            problems.pop_back();
        tellProblems(problems);
        return std::nullopt;
    }
    if (!options.host.empty()) {
        const std::optional<std::string> host = hostOf(options.host);
        if (!host) return std::nullopt;
        if (const std::optional<history::Snapshot> snapshot =
                history::SnapshotStore(folder).find(*host, word))
            return snapshotOperand(*snapshot);
    }
    std::fprintf(stderr, "rkdial-cli: %s is neither a file nor a snapshot\n", word.c_str());
    return std::nullopt;
}

// Keeps the books that are to be compared; false (after saying why) when one side lacks them.
bool chooseBooks(Operand& a, Operand& b, const DiffOptions& options) {
    const bool common = options.kind != phonebook::kMyPhonebookFile && a.side.common && b.side.common;
    const bool my = options.kind != phonebook::kCommonPhonebookFile && a.side.my && b.side.my;
    if (!common) {
        a.side.common.reset();
        b.side.common.reset();
    }
    if (!my) {
        a.side.my.reset();
        b.side.my.reset();
    }
    const bool wanted = options.kind == phonebook::kCommonPhonebookFile ? common
                        : options.kind == phonebook::kMyPhonebookFile   ? my
                                                                        : common || my;
    if (wanted) return true;
    std::fprintf(stderr, "rkdial-cli: %s and %s hold no phonebook of the same kind to compare\n",
                 options.operands[0].c_str(), options.operands[1].c_str());
    return false;
}

} // namespace

int runHistory(Context& context, Arguments arguments) {
    CommandLine line("history", kHistoryHelp);
    std::string host;
    std::optional<std::string> folderOption;
    line.value("--host", host, "one main unit only");
    line.app()
        .add_option_function<std::string>(
            "--history", [&folderOption](const std::string& value) { folderOption = value; },
            "the history folder")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    if (const std::optional<int> status = line.parse(arguments)) return *status;

    std::string unit;
    if (!host.empty()) {
        const std::optional<std::string> cp932 = hostOf(host);
        if (!cp932) return 1;
        unit = *cp932;
    }
    const std::filesystem::path folder = historyFolder(context, folderOption);
    const std::vector<history::Snapshot> snapshots = history::SnapshotStore(folder).list(unit);
    if (snapshots.empty()) std::fprintf(stderr, "rkdial-cli: no snapshots in %s\n", folder.c_str());
    for (const history::Snapshot& snapshot : snapshots) {
        const history::SnapshotInfo& info = snapshot.info;
        std::printf("%s  %-5s  %s  common %d/%d  my %d/%d  %s\n", info.time.c_str(),
                    history::directionName(info.direction), text::cp932ToUtf8(info.host).c_str(),
                    info.commonInUse, info.memoryCount, info.myInUse, info.myMemoryCount(),
                    snapshot.folder.c_str());
    }
    return 0;
}

int runDiff(Context& context, Arguments arguments) {
    CommandLine line("diff", kDiffHelp);
    DiffOptions options;
    std::string first;
    std::string second;
    int memoryMode = 0;
    line.app().add_option("A", first, "a snapshot, a phonebook file or last")->required();
    line.app().add_option("B", second, "a snapshot, a phonebook file or last")->required();
    addKindOption(line.app(), options.kind);
    CLI::Option* memory = addMemoryOption(line.app(), memoryMode);
    line.app().add_flag("--json", options.json, "one JSON object");
    line.value("--host", options.host, "the main unit of last and of snapshot names");
    line.app()
        .add_option_function<std::string>(
            "--history", [&options](const std::string& value) { options.history = value; },
            "the history folder")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    if (const std::optional<int> status = line.parse(arguments)) return *status;
    options.operands = {first, second};
    if (memory->count() > 0) options.memoryCount = memoryMode == 2 ? 990 : 600;

    std::optional<Operand> a = resolveOperand(context, options.operands[0], options);
    if (!a) return kTrouble;
    std::optional<Operand> b = resolveOperand(context, options.operands[1], options);
    if (!b) return kTrouble;
    if (!chooseBooks(*a, *b, options)) return kTrouble;
    const int memoryCount = options.memoryCount != 0 ? options.memoryCount
                                                     : b->memoryCount.value_or(a->memoryCount.value_or(600));
    return printDiff(history::comparePhonebooks(a->side, b->side, memoryCount), options.json);
}

} // namespace rk::cli
