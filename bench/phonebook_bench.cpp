// Storing whole phonebooks: the number index upkeep and the duplicate scan are the costly parts.
#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> randomNumbers(int count) {
    std::mt19937 random(7);
    std::vector<std::string> numbers;
    for (int i = 0; i < count; ++i) {
        std::string number = "0";
        const int length = 9 + static_cast<int>(random() % 4);
        for (int digit = 1; digit < length; ++digit) number.push_back("0123456789"[random() % 10]);
        numbers.push_back(number);
    }
    return numbers;
}

void StoreFull990BookWithIndex(benchmark::State& state) {
    const auto numbers = randomNumbers(990);
    rk::image::initialiseImage(rk::image::dataImage());
    rk::image::dataImage().memoryMode = 2;
    for (auto _ : state) {
        rk::phonebook::clearSystemBook(2);
        for (int memory = 0; memory < 990; ++memory) {
            auto text = rk::phonebook::EntryText::make(numbers[memory], "\xB6\xC5", "\x8E\x52\x93\x63", '1');
            benchmark::DoNotOptimize(rk::phonebook::storeSystemEntry(memory, text));
        }
    }
    state.SetItemsProcessed(state.iterations() * 990);
}
BENCHMARK(StoreFull990BookWithIndex)->Unit(benchmark::kMillisecond);

void CheckedStoreFull990BookIntoBackup(benchmark::State& state) {
    const auto numbers = randomNumbers(990);
    rk::image::initialiseImage(rk::image::dataImage());
    rk::image::dataImage().memoryMode = 2;
    rk::sharedState().dupCheckEnabled = 1;
    for (auto _ : state) {
        rk::image::dataImage().backupCopy = rk::image::PhonebookArea{};
        rk::phonebook::resetDuplicateReport();
        for (int memory = 0; memory < 990; ++memory) {
            auto text = rk::phonebook::EntryText::make(numbers[memory], "\xB6\xC5", "\x8E\x52\x93\x63", '1');
            benchmark::DoNotOptimize(
                rk::phonebook::storeSystemEntryChecked(memory, text, rk::phonebook::Copy::Backup));
        }
    }
    rk::sharedState().dupCheckEnabled = 0;
    state.SetItemsProcessed(state.iterations() * 990);
}
BENCHMARK(CheckedStoreFull990BookIntoBackup)->Unit(benchmark::kMillisecond);

} // namespace
