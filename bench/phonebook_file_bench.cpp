// Writing and parsing whole phonebook files: 990 common records and 2,000 my-phonebook records,
// every memory in use, as a save or load of a full phonebook does.
#include "image/data_image.h"
#include "phonebook/load_report.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

namespace {

std::string numberFor(int seed) {
    std::string number = "03";
    for (int digit = 0; digit < 8; ++digit)
        number.push_back(static_cast<char>('0' + (seed * 7 + digit * 3) % 10));
    return number;
}

// Every common memory of the 990 layout in use.
void fillFullCommonBook(rk::Workspace& workspace) {
    workspace.image().memoryMode = 2;
    rk::phonebook::clearSystemBook(workspace, 2);
    for (int memory = 0; memory < 990; ++memory) {
        auto text = rk::phonebook::EntryText::make(numberFor(memory), "\xD4\xCF\xC0\xDE \xC0\xDB\xB3",
                                                   "\x8E\x52\x93\x63\x91\xBE\x98\x59",
                                                   static_cast<char>('0' + memory % 8));
        static_cast<void>(rk::phonebook::storeSystemEntry(workspace, memory, text));
    }
}

// Every per-telephone memory of the 600 layout in use: 2,000 entries.
void fillFullMyBooks(rk::Workspace& workspace) {
    workspace.image().memoryMode = 1;
    for (int position = 101; position <= 200; ++position) {
        for (int memory = 980; memory < 1000; ++memory) {
            auto text = rk::phonebook::EntryText::make(numberFor(position * 20 + memory), "\xD4\xCF\xC0\xDE",
                                                       "\x8E\x52\x93\x63", 0);
            static_cast<void>(rk::phonebook::storeTelephoneEntry(workspace, position, memory, text));
        }
    }
}

rk::phonebook::FileHeaderLine::Line header(const rk::Workspace& workspace) {
    std::tm time{};
    time.tm_year = 124;
    return workspace.fileHeaderLine().format(time);
}

void WriteCommonFile(benchmark::State& state) {
    rk::Workspace workspace;
    fillFullCommonBook(workspace);
    for (auto _ : state)
        benchmark::DoNotOptimize(rk::phonebook::formatPhonebookFile(workspace, 1, header(workspace), 0));
    state.SetItemsProcessed(state.iterations() * 990);
}
BENCHMARK(WriteCommonFile)->Unit(benchmark::kMicrosecond);

void ParseCommonFile(benchmark::State& state) {
    rk::Workspace workspace;
    fillFullCommonBook(workspace);
    const std::string file = rk::phonebook::formatPhonebookFile(workspace, 1, header(workspace), 0);
    for (auto _ : state) rk::phonebook::parsePhonebookFile(workspace, 1, file, 0);
    state.SetItemsProcessed(state.iterations() * 990);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(ParseCommonFile)->Unit(benchmark::kMicrosecond);

// The same load with the load report listening, as rkdial-cli check runs it.
void ParseCommonFileReported(benchmark::State& state) {
    rk::Workspace workspace;
    fillFullCommonBook(workspace);
    const std::string file = rk::phonebook::formatPhonebookFile(workspace, 1, header(workspace), 0);
    for (auto _ : state) {
        rk::phonebook::LoadReport report(workspace, 1);
        rk::phonebook::parsePhonebookFile(workspace, 1, file, 0, &report);
        report.finish();
        benchmark::DoNotOptimize(report.findings().data());
    }
    state.SetItemsProcessed(state.iterations() * 990);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(ParseCommonFileReported)->Unit(benchmark::kMicrosecond);

void WriteMyPhonebookFile(benchmark::State& state) {
    rk::Workspace workspace;
    fillFullMyBooks(workspace);
    for (auto _ : state)
        benchmark::DoNotOptimize(rk::phonebook::formatPhonebookFile(workspace, 2, header(workspace), 0));
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(WriteMyPhonebookFile)->Unit(benchmark::kMicrosecond);

void ParseMyPhonebookFile(benchmark::State& state) {
    rk::Workspace workspace;
    fillFullMyBooks(workspace);
    const std::string file = rk::phonebook::formatPhonebookFile(workspace, 2, header(workspace), 0);
    for (auto _ : state) rk::phonebook::parsePhonebookFile(workspace, 2, file, 0);
    state.SetItemsProcessed(state.iterations() * 2000);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(ParseMyPhonebookFile)->Unit(benchmark::kMicrosecond);

} // namespace
