// rkdial-cli read and write: the main window's read and write procedures without windows. The
// host and password come from options, the confirmation is answered yes, messages go to stderr,
// and the communication progress is drawn as a bar on a terminal (plain lines otherwise).
#include "cli/commands.h"
#include "cli/file_steps.h"

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
    "                       [--save-common FILE] [--save-my FILE]\n"
    "\n"
    "Reads both phonebooks from the main unit H (four-digit password P). D is the work directory:\n"
    "it receives sys-tan.txt, tel-tan.txt and data-set.txt. --save-common and --save-my save the\n"
    "phonebooks read as the program's own files afterwards. --memory is the count of common\n"
    "memories the main unit is set to (default 600).\n";

constexpr const char* kWriteHelp =
    "Usage: rkdial-cli write --host H --password P --dir D [--memory 600|990]\n"
    "                        [--common FILE] [--my FILE]\n"
    "\n"
    "Writes both phonebooks to the main unit H (four-digit password P). --common and --my load\n"
    "save files first. D is the work directory: it receives sys-tan.txt, tel-tan.txt and the\n"
    "page files sys-tan000.txt, sys-tan500.txt, tel-tan101.txt ... tel-tan176.txt that are sent.\n"
    "--memory is the count of common memories the main unit is set to (default 600).\n";

constexpr const char* kSimulatorHelp =
    "\n"
    "For simulators and tests only:\n"
    "  --port N         the main unit's port (default 9000)\n"
    "  --listen-port N  the port on which the main unit connects back (default 9000)\n"
    "  --no-pauses      skip the fixed pauses of the exchange (a real main unit needs them)\n";

const platform::Owner kOwner{nullptr, "CMainMenuDlg"};

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
};

std::optional<int> portNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

// nullopt on a malformed command line, after saying what is wrong.
std::optional<TransferOptions> parseOptions(Arguments arguments, bool read) {
    TransferOptions options;
    const char* commonName = read ? "--save-common" : "--common";
    const char* myName = read ? "--save-my" : "--my";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--no-pauses") {
            options.pauses = false;
            continue;
        }
        if (i + 1 >= arguments.size()) return std::nullopt;
        const std::string& value = arguments[++i];
        if (name == "--host") {
            options.host = value;
        } else if (name == "--password") {
            options.password = value;
        } else if (name == "--dir") {
            options.directory = value;
        } else if (name == "--memory") {
            if (value != "600" && value != "990") return std::nullopt;
            options.memorySelection = value == "600" ? 1 : 2;
        } else if (name == commonName) {
            options.commonFile = value;
        } else if (name == myName) {
            options.myFile = value;
        } else if (name == "--port" || name == "--listen-port") {
            const std::optional<int> port = portNumber(value);
            if (!port) return std::nullopt;
            (name == "--port" ? options.port : options.listenPort) = *port;
        } else {
            return std::nullopt;
        }
    }
    if (options.directory.empty()) return std::nullopt;
    return options;
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

// What the host and password windows would let through; the host is then handed to the session.
// The work directory takes the place of the directory the program starts in.
bool prepareTransfer(Context& context, const TransferOptions& options,
                     link::PhonebookProcedures& procedures) {
    platform::Ui& ui = context.seam.ui;
    // The host window takes at most 64 characters (UTF-8 continuation bytes are not characters).
    const auto characters = std::count_if(options.host.begin(), options.host.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    });
    if (characters > static_cast<long>(link::kHostTextLimit)) {
        std::fprintf(stderr, "rkdial-cli: --host takes at most %zu characters\n", link::kHostTextLimit);
        return false;
    }
    const std::optional<std::string> host = text::tryToCp932(options.host);
    if (!link::acceptHostText(ui, kOwner, host)) return false;
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
    return true;
}

// Runs the transfer of a procedure under the progress bar; then the procedure's ending message.
// The transfer's result decides the exit status.
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
    return result == 0 ? 0 : 1;
}

int run(Context& context, Arguments arguments, bool read) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::printf("%s%s", read ? kReadHelp : kWriteHelp, kSimulatorHelp);
        return 0;
    }
    const std::optional<TransferOptions> options = parseOptions(arguments, read);
    if (!options) {
        std::fprintf(stderr, "%s%s", read ? kReadHelp : kWriteHelp, kSimulatorHelp);
        return 1;
    }
    if (!options->pauses) context.seam.clock.setPauseScale(0);

    link::DeviceSession session(context.workspace, context.seam);
    link::PhonebookProcedures procedures(context.workspace, session);
    if (!prepareTransfer(context, *options, procedures)) return 1;
    platform::Ui& ui = context.seam.ui;

    if (read) {
        if (!link::confirmTransfer(ui, kOwner, link::TransferDirection::Read)) return 1;
        procedures.applyMemorySelection(options->memorySelection);
        const std::string password = options->password;
        if (transferWithProgress(context, link::TransferDirection::Read,
                                 [&] { return procedures.runRead(password); }) != 0)
            return 1;
        if (!options->commonFile.empty() &&
            !saveOperatorFile(context, options->commonFile, phonebook::kCommonPhonebookFile))
            return 1;
        if (!options->myFile.empty() &&
            !saveOperatorFile(context, options->myFile, phonebook::kMyPhonebookFile))
            return 1;
        return 0;
    }

    // As the edit entry would before the file window: with nothing loaded yet, the count is
    // switched without a question.
    procedures.applyMemorySelection(options->memorySelection);
    if (!options->commonFile.empty() &&
        !loadOperatorFile(context, options->commonFile, phonebook::kCommonPhonebookFile))
        return 1;
    if (!options->myFile.empty() && !loadOperatorFile(context, options->myFile, phonebook::kMyPhonebookFile))
        return 1;
    if (!link::confirmTransfer(ui, kOwner, link::TransferDirection::Write)) return 1;
    procedures.applyMemorySelection(options->memorySelection);
    procedures.prepareWrite(options->password);
    return transferWithProgress(context, link::TransferDirection::Write,
                                [&] { return procedures.runWrite(); });
}

} // namespace

int runRead(Context& context, Arguments arguments) {
    return run(context, arguments, true);
}

int runWrite(Context& context, Arguments arguments) {
    return run(context, arguments, false);
}

} // namespace rk::cli
