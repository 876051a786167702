#include "cli/commands.h"
#include "cli/options.h"

#include "platform/clock.h"
#include "platform/progress.h"
#include "platform/system_facts.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace rk::cli {
namespace {

void printUsage(std::FILE* stream) {
    std::fprintf(stream, "Usage: rkdial-cli COMMAND [OPTIONS]\n"
                         "\n"
                         "Maintains the speed-dial phonebooks of the Rk/L main unit without windows.\n"
                         "Messages are the program's own, shown in UTF-8 on stderr. The exit status is 0\n"
                         "on success and 1 on failure; diff and write --dry-run exit as diff(1) does: 0\n"
                         "when equal, 1 when different, 2 on trouble; check exits 1 with findings and 2\n"
                         "when a file cannot be read. A command line that cannot be used exits 2 with the\n"
                         "reason on stderr; COMMAND --help shows a command's options.\n"
                         "\n"
                         "Commands:\n");
    for (const Command& command : commands()) {
        std::string line = std::string(command.name);
        if (!command.usage.empty()) line += " " + std::string(command.usage);
        std::fprintf(stream, "  %-34s %.*s\n", line.c_str(), static_cast<int>(command.summary.size()),
                     command.summary.data());
    }
    std::fprintf(stream,
                 "\nOptions:\n  --help     show this text\n  --version  show the program's version\n");
}

int runHelp(Context&, Arguments arguments) {
    CommandLine line("help", "Usage: rkdial-cli help\n\nShows the commands and what they do.\n");
    if (const std::optional<int> status = line.parse(arguments)) return *status;
    printUsage(stdout);
    return 0;
}

int runVersion(Context&, Arguments arguments) {
    CommandLine line("version", "Usage: rkdial-cli version\n\nShows the program's version.\n");
    if (const std::optional<int> status = line.parse(arguments)) return *status;
    std::printf("rkdial-cli %s\n", RKDIAL_VERSION);
    return 0;
}

constexpr std::array kCommands = {
    Command{"help", "", "show this text", runHelp},
    Command{"version", "", "show the program's version", runVersion},
    Command{"convert", "--kind common|my --memory 600|990 --in FILE... --out FILE",
            "load phonebook files in order and save the result", runConvert},
    Command{"check", "--kind common|my [--memory 600|990] FILE [--against REFERENCE] [--json]",
            "load a phonebook file and report everything it stores otherwise than written (check --help; "
            "exit 2 when a file cannot be read)",
            runCheck},
    Command{"exec", "[--memory 600|990] COMMAND...", "run data-set command strings, print each display",
            runExec},
    Command{"dataset", "--group N --dir DIR", "write the data-set files of group N (0..9)", runDataset},
    Command{"read", "--host H --password P --dir D [...]",
            "read both phonebooks from the main unit into D (read --help; --port, --listen-port and "
            "--no-pauses are for simulators and tests only)",
            runRead},
    Command{"write", "--host H --password P --dir D [--dry-run | --verify] [...]",
            "write both phonebooks to the main unit; --dry-run shows what it would change against the "
            "newest read and sends nothing, --verify reads back and shows every memory that differs "
            "(write --help; --port, --listen-port and --no-pauses are for simulators and tests only)",
            runWrite},
    Command{"history", "[--host H]", "list the snapshots every read and write leaves, newest first",
            runHistory},
    Command{"diff", "A B [--kind common|my] [--memory 600|990] [--json]",
            "compare two snapshots or phonebook files memory by memory (A, B may be \"last\": the newest "
            "read of --host)",
            runDiff},
    Command{"restore", "SNAPSHOT --host H --password P --dir D",
            "write a snapshot's phonebook back after showing what it changes (--yes: without asking)",
            runRestore},
    Command{"import", "SOURCE... --kind common|my --out FILE [...]",
            "contact lists (vCard, Google or Outlook CSV, a spreadsheet, phonebook files) into a phonebook "
            "file, readings made and numbers made dialable (import --help; exit 1 when anything was changed, "
            "2 when a file cannot be read)",
            runImport},
    Command{"serve", "[--port N] [--address A] [--common F] [--my F] [...]",
            "serve the edit pages to a web browser until SIGINT or SIGTERM, then save (serve --help)",
            runServe},
};

} // namespace

std::span<const Command> commands() {
    return kCommands;
}

int runCli(Arguments arguments, TerminalUi& terminal, const std::filesystem::path& historyFolder) {
    // The program's own options come before the command; everything from the command on is the
    // command's.
    CLI::App program("", "rkdial-cli");
    program.prefix_command();
    program.set_help_flag();
    bool help = false;
    bool version = false;
    program.add_flag("-h,--help", help);
    program.add_flag("--version", version);
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        program.parse(reversed);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "rkdial-cli: %s\n", error.what());
        return kUsageError;
    }
    if (help) {
        printUsage(stdout);
        return 0;
    }
    if (version) {
        std::printf("rkdial-cli %s\n", RKDIAL_VERSION);
        return 0;
    }
    const std::vector<std::string> rest = program.remaining();
    if (rest.empty()) {
        printUsage(stderr);
        return kUsageError;
    }
    const std::string& name = rest.front();
    for (const Command& command : commands()) {
        if (command.name != name) continue;
        // The process starts as the desktop program does: a factory-fresh image, the current
        // directory as the work directory.
        Workspace workspace;
        std::error_code error;
        workspace.flags().startupDir = std::filesystem::current_path(error).string();
        platform::ProgressRegistry progress;
        platform::Clock clock;
        platform::SystemFacts system;
        Context context{workspace, {terminal, progress, clock, system}, terminal, historyFolder};
        return command.run(context, Arguments(rest).subspan(1));
    }
    std::fprintf(stderr, "rkdial-cli: unknown command \"%s\" (see rkdial-cli --help)\n", name.c_str());
    return kUsageError;
}

} // namespace rk::cli
