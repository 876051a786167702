// rkdial-mainunit: the test main unit as a program a person can run, so that rkdial can be seen
// reading and writing a phonebook without an exchange. It serves one transfer after another on
// loopback until it is stopped. Like a real unit it keeps what a write delivers: the pages go into
// the store directory, and every later read, in this run or the next, answers with them.
#include "mainunit/main_unit_simulator.h"
#include "mainunit/unit_store.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

constexpr const char* kHelp =
    "Usage: rkdial-mainunit [--port N] [--pc-port N] [--address A] [--pc-address A]\n"
    "                       [--password PPPP] [--fw VERSION]\n"
    "                       [--model TEXT] [--memory 600|990] [--store DIR] [--once]\n"
    "                       [--test-change-memory NNN]\n"
    "\n"
    "A stand-in main unit for trying rkdial without an exchange. It answers the log-in on\n"
    "--address (default 127.0.0.1) port --port (default 9100; 0 takes a free port, which\n"
    "it names), connects back to the PC at --pc-address (default 127.0.0.1) port --pc-port\n"
    "(default 9000), and keeps the pages of every complete write in --store (default\n"
    "./mainunit-store): a read answers with what was last written there, or with a sample\n"
    "phonebook while the store is empty. --fw 1.00 uses the older separators; --memory is\n"
    "the size of the sample's common phonebook (default 600). It ends within a moment of\n"
    "SIGTERM or SIGINT, after --once with the first transfer.\n"
    "--test-change-memory NNN is for testing the check of a write: every read then\n"
    "answers with common memory NNN of the stored write changed (its last digit).\n"
    "A command line that cannot be used exits 2 with the reason on stderr.\n";

// A whole number in decimal digits within a range.
CLI::Validator numberFrom(int lowest, int highest) {
    return CLI::Validator(
        [lowest, highest](std::string& value) -> std::string {
            const bool digits = !value.empty() && value.size() <= 9 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            if (digits && std::stoi(value) >= lowest && std::stoi(value) <= highest) return {};
            return "must be a number from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                   ", not \"" + value + "\"";
        },
        std::to_string(lowest) + ".." + std::to_string(highest));
}

// A complete book, as a real unit sends it: every memory of the common phonebook and all 2,000
// my-phonebook memories, a few of them filled (names in Shift-JIS), the rest empty.
std::vector<rk::mainunit::UnitRecord> sampleBook(int commonMemories) {
    std::vector<rk::mainunit::UnitRecord> book;
    for (int memory = 0; memory < commonMemories; ++memory) book.push_back({0, memory, "", "", "", 1});
    book[0] = {0, 0, "0312345678", "\x8E\x52\x93\x63\x8F\xA4\x8E\x96", "\xD4\xCF\xC0\xDE\xBC\xAE\xB3\xBC\xDE",
               1};
    book[1] = {0, 1, "0451112222", "\x89\xA1\x95\x6C\x8E\x78\x93\x58", "\xD6\xBA\xCA\xCF\xBC\xC3\xDD", 2};
    book[2] = {0, 2, "117", "\x8E\x9E\x95\xF1", "\xBC\xDE\xCE\xB3", 1};
    for (int position = 101; position <= 200; ++position)
        for (int memory = 980; memory <= 999; ++memory) book.push_back({position, memory, "", "", "", 0});
    const std::size_t telephones = static_cast<std::size_t>(commonMemories);
    book[telephones + 0] = {101, 980, "09012345678", "\x90\x56\x88\xE4", "\xB1\xD7\xB2", 0};
    book[telephones + 20 + 1] = {102, 981, "0667778888", "\x91\xE5\x8D\xE3", "\xB5\xB5\xBB\xB6", 0};
    return book;
}

} // namespace

int main(int argc, char** argv) {
    rk::mainunit::MainUnitSimulator::Options options;
    options.port = 9100;
    std::string store = "mainunit-store";
    bool once = false;
    int memories = 600;
    int changedMemory = -1;
    CLI::App line("", "rkdial-mainunit");
    line.set_help_flag();
    bool help = false;
    line.add_flag("-h,--help", help);
    const auto single = [](CLI::Option* option) {
        // Given twice, an option is refused rather than silently taking its last value.
        return option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    };
    single(line.add_option("--port", options.port)->check(numberFrom(0, 65535)));
    single(line.add_option("--pc-port", options.pcPort)->check(numberFrom(1, 65535)));
    single(line.add_option("--address", options.listenAddress));
    single(line.add_option("--pc-address", options.pcAddress));
    single(line.add_option("--password", options.password));
    single(line.add_option("--fw", options.firmwareVersion));
    single(line.add_option("--model", options.deviceType));
    single(line.add_option("--store", store));
    single(line.add_option("--memory", memories)
               ->check(CLI::Validator(
                   [](std::string& value) -> std::string {
                       return value == "600" || value == "990" ? ""
                                                               : "must be 600 or 990, not \"" + value + "\"";
                   },
                   "600|990")));
    line.add_flag("--once", once);
    single(line.add_option("--test-change-memory", changedMemory)->check(numberFrom(0, 989)));
    const auto usageError = [](const std::string& message) {
        std::fprintf(stderr, "rkdial-mainunit: %s\n(rkdial-mainunit --help shows the options)\n",
                     message.c_str());
        return 2;
    };
    try {
        line.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    if (help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    for (const CLI::Option* option : line.get_options())
        if (option->get_expected_max() == 1 && option->count() > 1)
            return usageError(option->get_name() + " is given " + std::to_string(option->count()) +
                              " times: give it once");
    const bool separators = options.firmwareVersion == "1.00";
    // The phonebook a read answers with: the last complete write, else the sample.
    const auto answerWith = [&](std::string& systan, std::string& teltan) {
        std::optional<std::vector<rk::mainunit::UnitRecord>> book =
            rk::mainunit::loadStore(store, separators);
        if (book && changedMemory >= 0) rk::mainunit::changeMemory(*book, changedMemory);
        if (!book) book = sampleBook(memories);
        systan = rk::mainunit::systanText(*book, separators);
        teltan = rk::mainunit::teltanText(*book, separators);
    };
    answerWith(options.systan, options.teltan);
    options.serveRepeatedly = !once;
    options.afterTransfer = [&](const rk::mainunit::TransferOutcome& outcome, std::string& systan,
                                std::string& teltan) {
        for (const auto& line : outcome.log) std::fprintf(stderr, "rkdial-mainunit: %s\n", line.c_str());
        // Only a complete write replaces the phonebook, as on the exchange.
        if (outcome.uploadComplete) {
            if (rk::mainunit::saveStore(store, outcome.uploads))
                std::fprintf(stderr, "rkdial-mainunit: stored %zu files in %s\n", outcome.uploads.size(),
                             store.c_str());
            else
                std::fprintf(stderr, "rkdial-mainunit: cannot store the write in %s\n", store.c_str());
        }
        answerWith(systan, teltan);
    };
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });

    rk::mainunit::MainUnitSimulator unit(options);
    if (!unit.start()) {
        std::fprintf(stderr, "rkdial-mainunit: cannot listen on port %d\n", options.port);
        return 1;
    }
    std::fprintf(stderr, "rkdial-mainunit: model %s, firmware %s, password %s, listening on %s:%d\n",
                 options.deviceType.c_str(), options.firmwareVersion.c_str(), options.password.c_str(),
                 options.listenAddress.c_str(), unit.port());
    while (stopRequested == 0 && !unit.completed())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    unit.finish(0);
    return 0;
}
