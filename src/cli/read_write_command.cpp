// rkdial-cli read, write and restore: the main window's read and write procedures without
// windows. The host and password come from options, the confirmation is answered yes, messages go
// to stderr, and the communication progress is drawn as a bar on a terminal (plain lines
// otherwise). Beyond the main window: the write's dry run and its check by reading back, and the
// restore of a snapshot, each showing its comparison on stdout.
#include "cli/commands.h"
#include "cli/file_steps.h"
#include "cli/history_steps.h"
#include "cli/options.h"

#include "history/phonebook_text.h"
#include "history/safeguards.h"
#include "image/data_image.h"
#include "link/device_session.h"
#include "link/phonebook_procedures.h"
#include "phonebook/phonebook_file.h"
#include "platform/progress.h"
#include "platform/progress_steps.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <unistd.h>

namespace rk::cli {
namespace {

constexpr const char* kReadHelp =
    "Usage: rkdial-cli read --host H --password P --dir D [--memory 600|990]\n"
    "                       [--save-common FILE] [--save-my FILE] [--history DIR]\n"
    "\n"
    "Reads both phonebooks from the main unit H (four-digit password P). D is the work directory:\n"
    "it receives sys-tan.txt, tel-tan.txt and data-set.txt. --save-common and --save-my save the\n"
    "phonebooks read as the program's own files afterwards. --memory is the count of common\n"
    "memories the main unit is set to (default 600). The read leaves a snapshot in the history\n"
    "(rkdial-cli history --help says where).\n";

constexpr const char* kWriteHelp =
    "Usage: rkdial-cli write --host H --password P --dir D [--memory 600|990]\n"
    "                        [--common FILE] [--my FILE] [--dry-run | --verify] [--history DIR]\n"
    "\n"
    "Writes both phonebooks to the main unit H (four-digit password P). --common and --my load\n"
    "save files first. D is the work directory: it receives sys-tan.txt, tel-tan.txt and the\n"
    "page files sys-tan000.txt, sys-tan500.txt, tel-tan101.txt ... tel-tan176.txt that are sent.\n"
    "--memory is the count of common memories the main unit is set to (default 600). The write\n"
    "leaves a snapshot in the history (rkdial-cli history --help says where).\n"
    "\n"
    "--dry-run loads the files and shows what the write would change against the newest read of H\n"
    "in the history, and sends nothing (--password and --dir may then be left out); it exits as\n"
    "diff does: 0 no change, 1 changes, 2 trouble (no read of H, for one).\n"
    "--verify reads both phonebooks back after the write (into D, as a read of its own), compares\n"
    "every memory with what was sent, shows every difference and exits 1 on any.\n";

constexpr const char* kRestoreHelp =
    "Usage: rkdial-cli restore SNAPSHOT --host H --password P --dir D [--yes] [--history DIR]\n"
    "\n"
    "Writes the phonebook of a snapshot back to the main unit H: SNAPSHOT is a snapshot folder, or\n"
    "its name in the history of H (rkdial-cli history --host H lists them). Shows first what it\n"
    "changes against the newest read of H, then asks on the terminal before it sends; --yes\n"
    "answers for scripts. The common memory count is the snapshot's. D is the work directory.\n";

constexpr const char* kSimulatorHelp =
    "\n"
    "For simulators and tests only:\n"
    "  --port N         the main unit's port (default 9000)\n"
    "  --listen-port N  the port on which the main unit connects back (default 9000)\n"
    "  --no-pauses      skip the fixed pauses of the exchange (a real main unit needs them)\n";

const platform::Owner kOwner{nullptr, "CMainMenuDlg"};

enum class Procedure { Read, Write, Restore };

struct TransferOptions {
    std::string host;
    std::string password;
    std::string directory;
    int memorySelection = 1;
    std::string commonFile; // read: saved afterwards; write: loaded before
    std::string myFile;
    int port = link::DeviceSession::kDefaultPort;
    int listenPort = link::DeviceSession::kDefaultPort;
    bool pauses = true;
    bool dryRun = false;
    bool verify = false;
    bool yes = false;
    std::string snapshot; // restore
    std::optional<std::string> history;
};

const char* helpOf(Procedure procedure) {
    return procedure == Procedure::Read    ? kReadHelp
           : procedure == Procedure::Write ? kWriteHelp
                                           : kRestoreHelp;
}

const char* nameOf(Procedure procedure) {
    return procedure == Procedure::Read ? "read" : procedure == Procedure::Write ? "write" : "restore";
}

// The options of a procedure; nullopt to go on, else the status the command ends with (its help,
// or a usage error).
std::optional<int> parseOptions(Arguments arguments, Procedure procedure, TransferOptions& options) {
    const bool read = procedure == Procedure::Read;
    CommandLine line(nameOf(procedure), std::string(helpOf(procedure)) + kSimulatorHelp);
    if (procedure == Procedure::Restore)
        line.app().add_option("SNAPSHOT", options.snapshot, "a snapshot folder or its name")->required();
    line.value("--host", options.host, "the main unit");
    line.value("--password", options.password, "the main unit's four-digit password");
    CLI::Option* directory = line.value("--dir", options.directory, "the work directory");
    if (procedure != Procedure::Restore) {
        addMemoryOption(line.app(), options.memorySelection);
        line.value(read ? "--save-common" : "--common", options.commonFile, "a common-phonebook file");
        line.value(read ? "--save-my" : "--my", options.myFile, "a my-phonebook file");
    }
    line.app()
        .add_option_function<std::string>(
            "--history", [&options](const std::string& value) { options.history = value; },
            "the history folder")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // A main unit is never on port 0: there the system would choose.
    addPortOption(line.app(), "--port", options.port, 1, "the main unit's port");
    addPortOption(line.app(), "--listen-port", options.listenPort, 1, "where the main unit connects back");
    bool noPauses = false;
    line.app().add_flag("--no-pauses", noPauses, "skip the fixed pauses of the exchange");
    if (procedure == Procedure::Write) {
        CLI::Option* dryRun =
            line.app().add_flag("--dry-run", options.dryRun, "show what the write would change");
        line.app().add_flag("--verify", options.verify, "read back and compare")->excludes(dryRun);
    }
    if (procedure == Procedure::Restore) line.app().add_flag("--yes", options.yes, "send without asking");
    if (const std::optional<int> status = line.parse(arguments)) return status;
    options.pauses = !noPauses;

    // A dry run sends nothing: it needs the unit's name only.
    if (options.dryRun) {
        if (options.host.empty()) return line.usageError("--dry-run needs --host");
        return std::nullopt;
    }
    if (directory->count() == 0 || options.directory.empty()) return line.usageError("--dir is required");
    if (read && !options.commonFile.empty() && sameFile(options.commonFile, options.myFile))
        return line.usageError("--save-common and --save-my name the same file");
    return std::nullopt;
}

// The communication progress window of the command line: a bar on a terminal, a line per change
// of the percentage otherwise.
class TerminalProgress : public platform::ProgressReceiver {
public:
    TerminalProgress(platform::ProgressRegistry& registry, std::FILE* stream, const std::string& title)
        : stream_(stream), interactive_(::isatty(::fileno(stream)) == 1), label_(text::cp932ToUtf8(title)),
          registration_(registry, title, *this) {}
    ~TerminalProgress() override { endLine(); }

    void post(int message, std::int64_t value) override {
        if (const auto position = steps_.apply(message, value)) show(*position);
    }

    void show(int percent) {
        if (percent == shown_) return;
        shown_ = percent;
        if (!interactive_) {
            std::fprintf(stream_, "%s %d%%\n", label_.c_str(), percent);
        } else {
            constexpr std::size_t kCells = 40;
            const std::size_t filled = static_cast<std::size_t>(std::clamp(percent, 0, 100)) * kCells / 100;
            std::fprintf(stream_, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
                         std::string(kCells - filled, '.').c_str(), percent);
            lineOpen_ = true;
        }
        std::fflush(stream_);
    }

    // Ends a bar drawn on the terminal's current line, so that a message starts on its own.
    void endLine() {
        if (!lineOpen_) return;
        std::fputc('\n', stream_);
        std::fflush(stream_);
        lineOpen_ = false;
    }

private:
    std::FILE* stream_;
    bool interactive_;
    std::string label_;
    platform::ProgressSteps steps_;
    int shown_ = -1;
    bool lineOpen_ = false;
    platform::ProgressRegistration registration_;
};

// The host as the host window would let it through, in CP932; nullopt after its message.
std::optional<std::string> checkedHost(Context& context, const TransferOptions& options) {
    // The host window takes at most 64 characters (UTF-8 continuation bytes are not characters).
    const auto characters = std::count_if(options.host.begin(), options.host.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    });
    if (characters > static_cast<long>(link::kHostTextLimit)) {
        std::fprintf(stderr, "rkdial-cli: --host takes at most %zu characters\n", link::kHostTextLimit);
        return std::nullopt;
    }
    const std::optional<std::string> host = text::tryToCp932(options.host);
    if (!link::acceptHostText(context.seam.ui, kOwner, host)) return std::nullopt;
    return host;
}

// What the host and password windows would let through; the host is then handed to the session.
// The work directory takes the place of the directory the program starts in.
bool prepareTransfer(Context& context, const TransferOptions& options,
                     link::PhonebookProcedures& procedures) {
    platform::Ui& ui = context.seam.ui;
    const std::optional<std::string> host = checkedHost(context, options);
    if (!host) return false;
    const bool digitsOnly = options.password.find_first_not_of("0123456789") == std::string::npos;
    if (!digitsOnly || options.password.size() > link::kPasswordLength) {
        std::fprintf(stderr, "rkdial-cli: --password takes four digits\n");
        return false;
    }
    if (!link::acceptPasswordText(ui, kOwner, options.password)) return false;

    std::error_code error;
    std::filesystem::create_directories(options.directory, error);
    const std::filesystem::path directory = std::filesystem::absolute(options.directory, error);
    if (error || !std::filesystem::is_directory(directory, error)) {
        std::fprintf(stderr, "rkdial-cli: cannot use the directory %s\n", options.directory.c_str());
        return false;
    }
    context.workspace.flags().startupDir = directory.lexically_normal().string();

    procedures.setPort(options.port);
    link::DeviceSession& session = procedures.session();
    session.SetHost(*host, procedures.port());
    session.setListenPort(options.listenPort);
    // A main unit on this machine connects back over loopback: nothing else need reach the port.
    if (host->starts_with("127.") || *host == "localhost") session.setListenAddress("127.0.0.1");
    context.snapshots.setFolder(historyFolder(context, options.history));
    procedures.setTransferLog(&context.snapshots);
    return true;
}

// Runs the transfer of a procedure under the progress bar; then the procedure's ending message
// and, when the history could not keep the transfer's snapshot, a line saying so. The transfer's
// result decides the exit status.
int transferWithProgress(Context& context, link::TransferDirection direction,
                         const std::function<int()>& transfer) {
    int result = 0;
    {
        TerminalProgress bar(context.seam.progress, stderr, platform::communicationProgressTitle());
        // Every message of the procedure starts below the bar.
        context.terminal.setBeforeMessage([&bar] { bar.endLine(); });
        result = transfer();
        if (result == 0) bar.show(100);
        context.terminal.setBeforeMessage({});
    }
    link::reportTransferEnd(context.seam.ui, kOwner, direction, result);
    if (result == 0) reportSnapshot(context.snapshots.last(), direction);
    return result == 0 ? 0 : 1;
}

// The read procedure from its confirmation on.
int readProcedure(Context& context, link::PhonebookProcedures& procedures, const TransferOptions& options) {
    if (!link::confirmTransfer(context.seam.ui, kOwner, link::TransferDirection::Read)) return 1;
    procedures.applyMemorySelection(options.memorySelection);
    return transferWithProgress(context, link::TransferDirection::Read,
                                [&] { return procedures.runRead(options.password); });
}

// The write procedure from its confirmation on, the working copy loaded.
int writeProcedure(Context& context, link::PhonebookProcedures& procedures, const TransferOptions& options) {
    if (!link::confirmTransfer(context.seam.ui, kOwner, link::TransferDirection::Write)) return 1;
    procedures.applyMemorySelection(options.memorySelection);
    procedures.prepareWrite(options.password);
    return transferWithProgress(context, link::TransferDirection::Write,
                                [&] { return procedures.runWrite(); });
}

// Loads the save files of a write into the working copy, in the memory count of the write.
bool loadWriteFiles(Context& context, link::PhonebookProcedures& procedures, const TransferOptions& options) {
    // As the edit entry would before the file window: with nothing loaded yet, the count is
    // switched without a question.
    procedures.applyMemorySelection(options.memorySelection);
    if (!options.commonFile.empty() &&
        !loadOperatorFile(context, options.commonFile, phonebook::kCommonPhonebookFile))
        return false;
    if (!options.myFile.empty() && !loadOperatorFile(context, options.myFile, phonebook::kMyPhonebookFile))
        return false;
    return true;
}

int memoryCountOf(const TransferOptions& options) {
    return options.memorySelection == 2 ? 990 : 600;
}

// Prints what a write of the working copy changes against the newest read of the unit: kSame or
// kDifferent; kTrouble (after saying why) when the history holds no usable read. Without any read,
// kSame where the read is `optional`.
int showWritePlan(Context& context, const std::filesystem::path& folder, const std::string& host,
                  int memoryCount, const char* introduction, bool optional = false) {
    const history::WritePlan plan =
        history::planWrite(history::SnapshotStore(folder), host, context.workspace, memoryCount);
    switch (plan.status) {
    case history::WritePlan::Status::NoRead:
        tellNoRead(folder, host);
        return optional ? kSame : kTrouble;
    case history::WritePlan::Status::Unreadable:
        tellProblems(plan.problems);
        std::fprintf(stderr, "rkdial-cli: cannot use the snapshot %s\n", plan.read.folder.c_str());
        return kTrouble;
    case history::WritePlan::Status::Planned:
        break;
    }
    std::fprintf(stderr, introduction, plan.read.info.time.c_str(), plan.read.folder.c_str());
    return printDiff(plan.changes, false);
}

// write --dry-run: the comparison of what the write would send with the newest read of the unit.
int dryRun(Context& context, const TransferOptions& options) {
    const std::optional<std::string> host = checkedHost(context, options);
    if (!host) return kTrouble;
    link::DeviceSession session(context.workspace, context.seam);
    link::PhonebookProcedures procedures(context.workspace, session);
    if (!loadWriteFiles(context, procedures, options)) return kTrouble;
    return showWritePlan(context, historyFolder(context, options.history), *host, memoryCountOf(options),
                         "rkdial-cli: dry run, nothing is sent; compared with the read of %s (%s)\n");
}

// write --verify, once the write has completed: reads both books back, as a read of its own into
// the work directory, and compares them with what was sent there.
int verifyWrite(Context& context, link::PhonebookProcedures& procedures, const TransferOptions& options) {
    const std::filesystem::path directory = context.workspace.flags().startupDir;
    const history::PhonebookSide sent = history::writtenBooks(directory);
    const history::VerifyOutcome outcome =
        history::verifyWrite(sent, memoryCountOf(options), [&](Workspace& into) {
            std::fprintf(stderr, "rkdial-cli: reading the phonebooks back to check the write\n");
            into.flags().startupDir = directory.string();
            link::PhonebookProcedures readBack(into, procedures.session());
            readBack.setPort(procedures.port());
            readBack.setTransferLog(&context.snapshots);
            return readProcedure(context, readBack, options);
        });
    switch (outcome.status) {
    case history::VerifyOutcome::Status::NothingSent:
        std::fprintf(stderr, "rkdial-cli: cannot read what was sent from %s\n", directory.c_str());
        return 1;
    case history::VerifyOutcome::Status::ReadFailed:
        return 1;
    case history::VerifyOutcome::Status::Same:
        printDiff(outcome.differences, false);
        std::fprintf(stderr, "rkdial-cli: the main unit holds every memory as it was written\n");
        return 0;
    case history::VerifyOutcome::Status::Different:
        printDiff(outcome.differences, false);
        std::fprintf(stderr, "rkdial-cli: %zu memories differ from what was written\n",
                     outcome.differences.differences.size());
        return 1;
    }
    return 1;
}

int runReadOrWrite(Context& context, Arguments arguments, Procedure procedure) {
    const bool read = procedure == Procedure::Read;
    std::optional<TransferOptions> options(std::in_place);
    if (const std::optional<int> status = parseOptions(arguments, procedure, *options)) return *status;
    if (options->dryRun) return dryRun(context, *options);
    if (!options->pauses) context.seam.clock.setPauseScale(0);

    link::DeviceSession session(context.workspace, context.seam);
    link::PhonebookProcedures procedures(context.workspace, session);
    if (!prepareTransfer(context, *options, procedures)) return 1;

    if (read) {
        if (readProcedure(context, procedures, *options) != 0) return 1;
        if (!options->commonFile.empty() &&
            !saveOperatorFile(context, options->commonFile, phonebook::kCommonPhonebookFile))
            return 1;
        if (!options->myFile.empty() &&
            !saveOperatorFile(context, options->myFile, phonebook::kMyPhonebookFile))
            return 1;
        return 0;
    }

    if (!loadWriteFiles(context, procedures, *options)) return 1;
    if (writeProcedure(context, procedures, *options) != 0) return 1;
    return options->verify ? verifyWrite(context, procedures, *options) : 0;
}

// Asks the operator whether to send, through the seam; false unless the answer is yes. Where no
// one can answer, the restore says how to send all the same.
bool operatorAgrees(Context& context, const std::string& host) {
    if (!context.terminal.canAsk()) {
        std::fprintf(stderr,
                     "rkdial-cli: restore asks before it sends; give --yes where no one can answer\n");
        return false;
    }
    context.terminal.setQuestions(TerminalUi::Questions::Ask);
    const platform::Answer answer =
        platform::askQuestion(context.seam.ui, kOwner, "Write this phonebook to " + host + "?", "restore",
                              platform::Buttons::YesNo);
    context.terminal.setQuestions(TerminalUi::Questions::AnswerYes);
    return answer == platform::Answer::Yes;
}

} // namespace

int runRead(Context& context, Arguments arguments) {
    return runReadOrWrite(context, arguments, Procedure::Read);
}

int runWrite(Context& context, Arguments arguments) {
    return runReadOrWrite(context, arguments, Procedure::Write);
}

int runRestore(Context& context, Arguments arguments) {
    std::optional<TransferOptions> options(std::in_place);
    if (const std::optional<int> status = parseOptions(arguments, Procedure::Restore, *options))
        return *status;
    if (!options->pauses) context.seam.clock.setPauseScale(0);
    link::DeviceSession session(context.workspace, context.seam);
    link::PhonebookProcedures procedures(context.workspace, session);
    if (!prepareTransfer(context, *options, procedures)) return 1;

    const std::filesystem::path folder = historyFolder(context, options->history);
    const std::string& host = session.host();
    std::error_code error;
    const std::optional<history::Snapshot> snapshot =
        std::filesystem::is_directory(options->snapshot, error)
            ? history::openSnapshot(options->snapshot)
            : history::SnapshotStore(folder).find(host, options->snapshot);
    if (!snapshot) {
        std::fprintf(stderr, "rkdial-cli: %s is no snapshot (of %s in %s)\n", options->snapshot.c_str(),
                     options->host.c_str(), folder.c_str());
        return 1;
    }
    const std::optional<history::PhonebookSide> restored = usableSnapshot(*snapshot);
    if (!restored) return 1;

    // The snapshot's phonebook in the count it was taken in, in place of the working copy.
    options->memorySelection = history::memoryModeOf(snapshot->info.memoryCount);
    history::restoreBooks(context.workspace, *restored, snapshot->info.memoryCount);

    if (showWritePlan(context, folder, host, snapshot->info.memoryCount,
                      "rkdial-cli: what the restore changes against the read of %s (%s):\n",
                      true) == kTrouble)
        return 1;
    if (!options->yes && !operatorAgrees(context, session.host())) {
        std::fprintf(stderr, "rkdial-cli: nothing was sent\n");
        return 1;
    }
    return writeProcedure(context, procedures, *options);
}

} // namespace rk::cli
