// rkdial-mainunit: the test main unit as a program a person can run, so that rkdial can be seen
// reading and writing a phonebook without an exchange. It serves one transfer after another on
// loopback until it is stopped; files a write delivers are kept in the store directory.
#include "mainunit/main_unit_simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void usage() {
    std::fprintf(stderr,
                 "Usage: rkdial-mainunit [--port N] [--pc-port N] [--address A] [--pc-address A]\n"
                 "                       [--password PPPP] [--fw VERSION]\n"
                 "                       [--model TEXT] [--memory 600|990] [--store DIR] [--once]\n"
                 "\n"
                 "A stand-in main unit for trying rkdial without an exchange. It answers the log-in on\n"
                 "--address (default 127.0.0.1) port --port (default 9100), connects back to the PC at\n"
                 "--pc-address (default 127.0.0.1) port --pc-port (default 9000), hands out a sample\n"
                 "phonebook on a read, and stores the pages of a write in --store (default\n"
                 "./mainunit-store). --fw 1.00 uses the older separators; --memory is the unit's\n"
                 "common phonebook size (default 600).\n");
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
        else {
            usage();
            return argument == "--help" ? 0 : 1;
        }
    }
    const bool separators = options.firmwareVersion == "1.00";
    options.systan = rk::mainunit::systanText(sampleBook(memories), separators);
    options.teltan = rk::mainunit::teltanText(sampleBook(memories), separators);
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });

    std::fprintf(stderr, "rkdial-mainunit: model %s, firmware %s, password %s, listening on %s:%d\n",
                 options.deviceType.c_str(), options.firmwareVersion.c_str(), options.password.c_str(),
                 options.listenAddress.c_str(), options.port);
    while (stopRequested == 0) {
        rk::mainunit::MainUnitSimulator unit(options);
        if (!unit.start()) {
            std::fprintf(stderr, "rkdial-mainunit: cannot listen on port %d\n", options.port);
            return 1;
        }
        // One transfer at a time; a transfer that never started just waits for the next try.
        unit.finish(3600);
        for (const auto& line : unit.log()) std::fprintf(stderr, "rkdial-mainunit: %s\n", line.c_str());
        const auto uploads = unit.uploads();
        if (!uploads.empty()) {
            std::filesystem::create_directories(store);
            for (const auto& [name, body] : uploads)
                std::ofstream(std::filesystem::path(store) / name, std::ios::binary) << body;
            std::fprintf(stderr, "rkdial-mainunit: stored %zu files in %s\n", uploads.size(), store.c_str());
        }
        if (once) break;
    }
    return 0;
}
