// rkdial-mainunit: the test main unit as a program a person can run, so that rkdial can be seen
// reading and writing a phonebook without an exchange. It serves one transfer after another on
// loopback until it is stopped. Like a real unit it keeps what a write delivers: the pages go into
// the store directory, and every later read, in this run or the next, answers with them.
#include "mainunit/main_unit_simulator.h"
#include "mainunit/unit_store.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void usage() {
    std::fprintf(stderr,
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
                 "answers with common memory NNN of the stored write changed (its last digit).\n");
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
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(1);
            }
            return argv[++i];
        };
        if (argument == "--port")
            options.port = std::atoi(value().c_str());
        else if (argument == "--pc-port")
            options.pcPort = std::atoi(value().c_str());
        else if (argument == "--address")
            options.listenAddress = value();
        else if (argument == "--pc-address")
            options.pcAddress = value();
        else if (argument == "--password")
            options.password = value();
        else if (argument == "--fw")
            options.firmwareVersion = value();
        else if (argument == "--model")
            options.deviceType = value();
        else if (argument == "--store")
            store = value();
        else if (argument == "--memory")
            memories = std::atoi(value().c_str()) == 990 ? 990 : 600;
        else if (argument == "--once")
            once = true;
        else if (argument == "--test-change-memory")
            changedMemory = std::atoi(value().c_str());
        else {
            usage();
            return argument == "--help" ? 0 : 1;
        }
    }
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
