// The subcommands of rkdial-cli. Each takes its own arguments (after the subcommand name) and
// returns the process's exit status: 0 success, 1 failure (the comparing ones as diff(1) does),
// 2 for a command line that cannot be used.
#pragma once

#include "cli/terminal_ui.h"
#include "history/snapshot_store.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::cli {

// What every command works with: the command line's own workspace and seam. The seam's Ui is the
// terminal, whose line handling the progress bar needs. The history folder is the one the
// environment names, resolved once when the program starts (--history DIR moves it).
struct Context {
    Workspace& workspace;
    platform::Seam seam;
    TerminalUi& terminal;
    std::filesystem::path historyFolder;
    // Where a read or write of this run leaves its snapshot, and what became of it.
    history::SnapshotLog snapshots{seam.clock};
};

using Arguments = std::span<const std::string>;

struct Command {
    std::string_view name;
    std::string_view usage;   // arguments, shown after the name
    std::string_view summary; // one line
    int (*run)(Context& context, Arguments arguments);
};

// Every subcommand, in the order --help lists them.
std::span<const Command> commands();

// Runs the program: the arguments without the program name, the terminal for its messages and
// questions, the history folder the environment names (empty: none).
int runCli(Arguments arguments, TerminalUi& terminal, const std::filesystem::path& historyFolder);

// convert: loads phonebook files into a fresh image and saves the result.
int runConvert(Context& context, Arguments arguments);

// check: loads a phonebook file and reports everything the load stores otherwise than written.
// 0 when it loads exactly as written, 1 with findings, 2 when a file cannot be read.
int runCheck(Context& context, Arguments arguments);

// exec: runs data-set command strings on one console of a fresh image, one display line each.
int runExec(Context& context, Arguments arguments);

// dataset: writes the data-set files of one group into a directory.
int runDataset(Context& context, Arguments arguments);

// read: reads both phonebooks from the main unit, as the main window's read does.
int runRead(Context& context, Arguments arguments);

// write: writes both phonebooks to the main unit, as the main window's write does; with
// --dry-run only shows what it would change, with --verify reads back and compares.
int runWrite(Context& context, Arguments arguments);

// restore: writes a snapshot's phonebook back to the main unit after showing what it changes.
int runRestore(Context& context, Arguments arguments);

// history: lists the snapshots of completed reads and writes, newest first.
int runHistory(Context& context, Arguments arguments);

// diff: compares two phonebooks memory by memory; exits 0 equal, 1 different, 2 on trouble.
int runDiff(Context& context, Arguments arguments);

// import: contact lists into a phonebook file, with readings made and numbers made dialable;
// exits 0 when stored exactly as given, 1 when anything was changed, 2 when a file cannot be read.
int runImport(Context& context, Arguments arguments);

// serve: browser editing without the desktop, until SIGINT or SIGTERM.
int runServe(Context& context, Arguments arguments);

} // namespace rk::cli
