// rkdial-cli serve: browser editing without the desktop. The phonebook files given are loaded as
// the file window loads them, the embedded server serves the edit pages until SIGINT or SIGTERM,
// and then what "戻る" does is done and the phonebooks are saved where asked.
#include "cli/commands.h"
#include "cli/file_steps.h"
#include "cli/options.h"

#include "image/data_image.h"
#include "net/tcp_socket.h"
#include "phonebook/edit_steps.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "web/easy_http_server.h"
#include "web/edit_session.h"
#include "web/request_gate.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <string>

namespace rk::cli {
namespace {

constexpr const char* kServeUsage =
    "Usage: rkdial-cli serve [--port N] [--address ADDR] [--docroot DIR] [--memory 600|990] [--dup-check]\n"
    "                        [--common FILE] [--my FILE] [--save-common FILE] [--save-my FILE] "
    "[--no-pauses]\n"
    "\n"
    "Serves the edit pages of the phonebook to a web browser until SIGINT or SIGTERM, then saves the\n"
    "phonebooks to --save-common / --save-my. Prints the address to open, http://ADDR:PORT/, as its one\n"
    "line on standard output once it listens. Off loopback that address carries the session's access\n"
    "key, http://ADDR:PORT/?key=KEY, without which nothing is served. Every request refused (another\n"
    "site, a foreign host name, a missing key) is named on standard error.\n"
    "\n"
    "  --port N         the port (default 80; when that is refused for lack of permission, one the\n"
    "                   system chooses); 0 lets the system choose\n"
    "  --address ADDR   the address to listen on (default 127.0.0.1, this machine only): one IPv4\n"
    "                   address of this machine, or a name of one (localhost)\n"
    "  --docroot DIR    the edit pages (default: the program's own)\n"
    "  --memory N       memories of the common phonebook, 600 (default) or 990\n"
    "  --dup-check      the same number may not be registered twice (duplicates are reported)\n"
    "  --common FILE    a common-phonebook file to load first (the program's own text format)\n"
    "  --my FILE        a my-phonebook file to load first\n"
    "  --no-pauses      skip the fixed pauses of the server (for tests)\n";

struct ServeOptions {
    int port = 80;
    std::string address = "127.0.0.1";
    std::string documentRoot;
    int memoryMode = 1;
    bool dupCheck = false;
    std::string commonFile;
    std::string myFile;
    std::string saveCommon;
    std::string saveMy;
    bool pauses = true;
};

// The options; nullopt to go on, else the status the command ends with (its help, or a usage
// error).
std::optional<int> parseOptions(Arguments arguments, ServeOptions& options) {
    CommandLine line("serve", kServeUsage);
    addPortOption(line.app(), "--port", options.port, 0, "the port, 0 for one the system chooses");
    line.value("--address", options.address, "the address to listen on");
    line.value("--docroot", options.documentRoot, "the edit pages");
    addMemoryOption(line.app(), options.memoryMode);
    line.app().add_flag("--dup-check", options.dupCheck, "the same number may not be registered twice");
    line.value("--common", options.commonFile, "a common-phonebook file to load first");
    line.value("--my", options.myFile, "a my-phonebook file to load first");
    line.value("--save-common", options.saveCommon, "where the common phonebook is saved");
    line.value("--save-my", options.saveMy, "where my phonebook is saved");
    bool noPauses = false;
    line.app().add_flag("--no-pauses", noPauses, "skip the fixed pauses of the server");
    if (const std::optional<int> status = line.parse(arguments)) return status;
    options.pauses = !noPauses;
    if (!options.saveCommon.empty() && sameFile(options.saveCommon, options.saveMy))
        return line.usageError("--save-common and --save-my name the same file");
    return std::nullopt;
}

// A request's text as one line of a terminal: bytes outside printable ASCII as \xHH, cut short.
std::string printable(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, 200)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        }
    }
    return shown;
}

// One line on standard error for every refused request: the rule, the header that broke it and
// the request line.
void reportRefusal(web::GateRule rule, const web::HttpRequest& request) {
    const web::GateHeader* header = rule == web::GateRule::Host        ? &request.host
                                    : rule == web::GateRule::Origin    ? &request.origin
                                    : rule == web::GateRule::FetchSite ? &request.fetchSite
                                                                       : nullptr;
    std::string detail;
    if (header != nullptr)
        detail = " (" + std::string(web::gateRuleName(rule)) + ": " + printable(header->value) +
                 (header->count > 1 ? ", given twice" : "") + ")";
    const std::string line = "rkdial-cli serve: refused by the " + std::string(web::gateRuleName(rule)) +
                             " rule" + detail + ": " + printable(request.requestLine) + "\n";
    std::fputs(line.c_str(), stderr); // one call: lines of workers at once do not mix
}

} // namespace

int runServe(Context& context, Arguments arguments) {
    std::optional<ServeOptions> options(std::in_place);
    if (const std::optional<int> status = parseOptions(arguments, *options)) return *status;
    // Never every address at once, and never a guess for a text that names none.
    const std::string address = net::resolveIPv4Address(options->address);
    if (address.empty() || address == "0.0.0.0") {
        std::fprintf(stderr, "rkdial-cli serve: --address %s: %s\n", printable(options->address).c_str(),
                     address.empty() ? "not an IPv4 address or the name of one"
                                     : "would listen on every address; give the one address to listen on");
        return 1;
    }
    options->address = address;
    // The two signals end the serving; they are taken by sigwait below, so every thread started
    // from here on must have them blocked.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    Workspace& workspace = context.workspace;
    if (!options->pauses) context.seam.clock.setPauseScale(0);
    workspace.image().memoryMode = static_cast<std::uint8_t>(options->memoryMode);
    workspace.flags().dupCheckEnabled = options->dupCheck ? 1 : 0;
    // Loaded as the file window loads them. Standard error is the duplicate messages' own: the
    // load's summary, which convert and write print, is left to `rkdial-cli check`.
    const auto load = [&](const std::string& path, int kind) {
        phonebook::LoadReport report(workspace, kind);
        return path.empty() || loadOperatorFile(context, path, kind, report);
    };
    if (!load(options->commonFile, phonebook::kCommonPhonebookFile)) return 1;
    if (!load(options->myFile, phonebook::kMyPhonebookFile)) return 1;
    const phonebook::StepRunner locked = phonebook::blockingRunner(workspace);
    locked([&] {
        phonebook::commitBackup(workspace);
        return 0;
    });

    web::EasyHttpServer server(workspace, context.seam);
    server.SetOwnerWindow({nullptr, "serve"});
    server.SetPort(static_cast<std::uint16_t>(options->port));
    server.SetAddress(options->address);
    server.SetDocumentRoot(options->documentRoot.empty()
                               ? web::documentRootFor(context.seam.system.executablePath()).string()
                               : options->documentRoot);
    server.SetDefaultPage("17tansyuku.html");
    server.SetRefusalReporter(reportRefusal);
    if (server.Start() != 1) {
        std::fputs("rkdial-cli serve: the server could not be started\n", stderr);
        return 1;
    }
    std::string url = web::serverAddress(server.listenAddress(), server.listeningPort());
    if (!server.accessKey().empty()) url += "?key=" + server.accessKey();
    std::printf("%s\n", url.c_str());
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&endSignals, &signal) != 0) {
    }

    // As "戻る": no new request, idle connections closed, the ones under way finish, then the
    // phonebook step.
    server.Stop();
    while (!server.waitForWorkers(std::chrono::seconds(1))) {
    }
    locked([&] {
        server.settleEdits();
        return 0;
    });
    bool saved = true;
    if (!options->saveCommon.empty())
        saved = saveOperatorFile(context, options->saveCommon, phonebook::kCommonPhonebookFile) && saved;
    if (!options->saveMy.empty())
        saved = saveOperatorFile(context, options->saveMy, phonebook::kMyPhonebookFile) && saved;
    // A save that failed has said so; the edits it should have kept are not reported as kept.
    return saved ? 0 : 1;
}

} // namespace rk::cli
