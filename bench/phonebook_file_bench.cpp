// Writing and parsing whole phonebook files: 990 common records and 2,000 my-phonebook records,
// every memory in use, as a save or load of a full phonebook does.
#include "image/data_image.h"
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
void fillFullCommonBook() {
    rk::image::initialiseImage(rk::image::dataImage());
    rk::image::dataImage().memoryMode = 2;
    rk::phonebook::clearSystemBook(2);
    for (int memory = 0; memory < 990; ++memory) {
        auto text = rk::phonebook::EntryText::make(numberFor(memory), "\xD4\xCF\xC0\xDE \xC0\xDB\xB3",
                                                   "\x8E\x52\x93\x63\x91\xBE\x98\x59",
                                                   static_cast<char>('0' + memory % 8));
        rk::phonebook::storeSystemEntry(memory, text);
    }
}

// Every per-telephone memory of the 600 layout in use: 2,000 entries.
void fillFullMyBooks() {
    rk::image::initialiseImage(rk::image::dataImage());
    rk::image::dataImage().memoryMode = 1;
    for (int position = 101; position <= 200; ++position) {
        for (int memory = 980; memory < 1000; ++memory) {
            auto text = rk::phonebook::EntryText::make(numberFor(position * 20 + memory), "\xD4\xCF\xC0\xDE",
                                                       "\x8E\x52\x93\x63", 0);
            rk::phonebook::storeTelephoneEntry(position, memory, text);
        }
    }
}

rk::phonebook::FileHeaderLine::Line header() {
    std::tm time{};
    time.tm_year = 124;
    return rk::phonebook::fileHeaderLine().format(time);
}

void WriteCommonFile(benchmark::State& state) {
    fillFullCommonBook();
    for (auto _ : state) benchmark::DoNotOptimize(rk::phonebook::formatPhonebookFile(1, header(), 0));
    state.SetItemsProcessed(state.iterations() * 990);
}
BENCHMARK(WriteCommonFile)->Unit(benchmark::kMicrosecond);

void ParseCommonFile(benchmark::State& state) {
    fillFullCommonBook();
    const std::string file = rk::phonebook::formatPhonebookFile(1, header(), 0);
    for (auto _ : state) rk::phonebook::parsePhonebookFile(1, file, 0);
    state.SetItemsProcessed(state.iterations() * 990);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(ParseCommonFile)->Unit(benchmark::kMicrosecond);

void WriteMyPhonebookFile(benchmark::State& state) {
    fillFullMyBooks();
    for (auto _ : state) benchmark::DoNotOptimize(rk::phonebook::formatPhonebookFile(2, header(), 0));
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(WriteMyPhonebookFile)->Unit(benchmark::kMicrosecond);

void ParseMyPhonebookFile(benchmark::State& state) {
    fillFullMyBooks();
    const std::string file = rk::phonebook::formatPhonebookFile(2, header(), 0);
    for (auto _ : state) rk::phonebook::parsePhonebookFile(2, file, 0);
    state.SetItemsProcessed(state.iterations() * 2000);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(ParseMyPhonebookFile)->Unit(benchmark::kMicrosecond);

} // namespace
