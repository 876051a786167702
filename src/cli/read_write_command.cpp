// rkdial-cli read and write: the main window's read and write procedures without windows. The
// host and password come from options, the confirmation is answered yes, messages go to stderr,
// and the communication progress is drawn as a bar on a terminal (plain lines otherwise).
#include "cli/commands.h"
#include "cli/file_steps.h"

#include "image/data_image.h"
#include "image/shared_state.h"
#include "link/device_session.h"
#include "link/phonebook_procedures.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/clock.h"
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
std::optional<TransferOptions> parseOptions(std::span<const std::string> arguments, bool read) {
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
    TerminalProgress(std::FILE* stream, const std::string& title)
        : stream_(stream), interactive_(::isatty(::fileno(stream)) == 1), label_(text::cp932ToUtf8(title)),
          registration_(title, *this) {}
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
            constexpr int kCells = 40;
            const int filled = std::clamp(percent, 0, 100) * kCells / 100;
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

// Puts every message of the procedure below the progress bar, then shows it as before.
class BelowTheBar : public platform::Ui {
public:
    BelowTheBar(platform::Ui& inner, TerminalProgress& bar) : inner_(inner), bar_(bar) {
        platform::setUi(this);
    }
    ~BelowTheBar() override { platform::setUi(&inner_); }
    BelowTheBar(const BelowTheBar&) = delete;
    BelowTheBar& operator=(const BelowTheBar&) = delete;

    platform::Answer messageBox(const platform::MessageRequest& request) override {
        bar_.endLine();
        return inner_.messageBox(request);
    }
    void errorNotice(const std::string& text) override {
        bar_.endLine();
        inner_.errorNotice(text);
    }
    void setWaitCursor(bool waiting) override { inner_.setWaitCursor(waiting); }

private:
    platform::Ui& inner_;
    TerminalProgress& bar_;
};

// What the host and password windows would let through; the host is then handed to the session.
// The work directory takes the place of the directory the program starts in.
bool prepareTransfer(const TransferOptions& options, link::PhonebookProcedures& procedures) {
    // The host window takes at most 64 characters (UTF-8 continuation bytes are not characters).
    const auto characters = std::count_if(options.host.begin(), options.host.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    });
    if (characters > static_cast<long>(link::kHostTextLimit)) {
        std::fprintf(stderr, "rkdial-cli: --host takes at most %zu characters\n", link::kHostTextLimit);
        return false;
    }
    const std::optional<std::string> host = text::tryToCp932(options.host);
    if (!link::acceptHostText(kOwner, host)) return false;
    const bool digitsOnly = options.password.find_first_not_of("0123456789") == std::string::npos;
    if (!digitsOnly || options.password.size() > link::kPasswordLength) {
        std::fprintf(stderr, "rkdial-cli: --password takes four digits\n");
        return false;
    }
    if (!link::acceptPasswordText(kOwner, options.password)) return false;

    std::error_code error;
    std::filesystem::create_directories(options.directory, error);
    const std::filesystem::path directory = std::filesystem::absolute(options.directory, error);
    if (error || !std::filesystem::is_directory(directory, error)) {
        std::fprintf(stderr, "rkdial-cli: cannot use the directory %s\n", options.directory.c_str());
        return false;
    }
    sharedState().startupDir = directory.lexically_normal().string();

    procedures.setPort(options.port);
    link::DeviceSession& session = procedures.session();
    session.SetHost(*host, procedures.port());
    session.setListenPort(options.listenPort);
    // A main unit on this machine connects back over loopback: nothing else need reach the port.
    if (host->starts_with("127.") || *host == "localhost") session.setListenAddress("127.0.0.1");
    return true;
}

bool confirm(const char* text, const char* caption) {
    return platform::askQuestion(kOwner, text::toCp932(text), text::toCp932(caption),
                                 platform::Buttons::OkCancel) == platform::Answer::Ok;
}

// Runs the transfer of a procedure under the progress bar; shows the summary message of a
// failure or the completion notice. The transfer's result decides the exit status.
int transferWithProgress(const std::function<int()>& transfer, const char* doneText,
                         const char* doneCaption) {
    int result = 0;
    {
        TerminalProgress bar(stderr, platform::communicationProgressTitle());
        BelowTheBar below(platform::ui(), bar);
        result = transfer();
        if (result == 0) bar.show(100);
    }
    if (result != 0) {
        platform::showError(kOwner, text::toCp932("\n通信エラーが発生しました。\n"));
        return 1;
    }
    platform::showInformation(kOwner, text::toCp932(doneText), text::toCp932(doneCaption));
    return 0;
}

int run(std::span<const std::string> arguments, bool read) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::printf("%s%s", read ? kReadHelp : kWriteHelp, kSimulatorHelp);
        return 0;
    }
    const std::optional<TransferOptions> options = parseOptions(arguments, read);
    if (!options) {
        std::fprintf(stderr, "%s%s", read ? kReadHelp : kWriteHelp, kSimulatorHelp);
        return 1;
    }
    std::optional<platform::ScopedPaceScale> noPauses;
    if (!options->pauses) noPauses.emplace(0);

    link::DeviceSession session;
    link::PhonebookProcedures procedures(session);
    if (!prepareTransfer(*options, procedures)) return 1;

    if (read) {
        if (!confirm("\n電話帳データの読込を開始します。\n", "電話帳データの読込確認")) return 1;
        link::PhonebookProcedures::applyMemorySelection(options->memorySelection);
        const std::string password = options->password;
        if (transferWithProgress([&] { return procedures.runRead(password); },
                                 "\n電話帳データの読込が正常に終了しました。\n",
                                 "電話帳データの読込の終了") != 0)
            return 1;
        if (!options->commonFile.empty() &&
            !saveOperatorFile(options->commonFile, phonebook::kCommonPhonebookFile))
            return 1;
        if (!options->myFile.empty() && !saveOperatorFile(options->myFile, phonebook::kMyPhonebookFile))
            return 1;
        return 0;
    }

    // As the edit entry would before the file window: with nothing loaded yet, the count is
    // switched without a question.
    link::PhonebookProcedures::applyMemorySelection(options->memorySelection);
    if (!options->commonFile.empty() &&
        !loadOperatorFile(options->commonFile, phonebook::kCommonPhonebookFile))
        return 1;
    if (!options->myFile.empty() && !loadOperatorFile(options->myFile, phonebook::kMyPhonebookFile)) return 1;
    if (!confirm("\n電話帳データの書込を開始します。\n", "電話帳データの書込確認")) return 1;
    link::PhonebookProcedures::applyMemorySelection(options->memorySelection);
    procedures.prepareWrite(options->password);
    return transferWithProgress([&] { return procedures.runWrite(); },
                                "\n電話帳データの書込が正常に終了しました。\n", "電話帳データの書込の終了");
}

} // namespace

int runRead(std::span<const std::string> arguments) {
    return run(arguments, true);
}

int runWrite(std::span<const std::string> arguments) {
    return run(arguments, false);
}

} // namespace rk::cli
