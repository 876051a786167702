// Storing whole phonebooks: the number index upkeep and the duplicate scan are the costly parts.
#include "image/data_image.h"
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
    rk::Workspace workspace;
    workspace.image().memoryMode = 2;
    for (auto _ : state) {
        rk::phonebook::clearSystemBook(workspace, 2);
        for (int memory = 0; memory < 990; ++memory) {
            auto text = rk::phonebook::EntryText::make(numbers[memory], "\xB6\xC5", "\x8E\x52\x93\x63", '1');
            benchmark::DoNotOptimize(rk::phonebook::storeSystemEntry(workspace, memory, text));
        }
    }
    state.SetItemsProcessed(state.iterations() * 990);
}
BENCHMARK(StoreFull990BookWithIndex)->Unit(benchmark::kMillisecond);

void CheckedStoreFull990BookIntoBackup(benchmark::State& state) {
    const auto numbers = randomNumbers(990);
    rk::Workspace workspace;
    workspace.image().memoryMode = 2;
    workspace.flags().dupCheckEnabled = 1;
    for (auto _ : state) {
        workspace.image().backupCopy = rk::image::PhonebookArea{};
        rk::phonebook::resetDuplicateReport(workspace);
        for (int memory = 0; memory < 990; ++memory) {
            auto text = rk::phonebook::EntryText::make(numbers[memory], "\xB6\xC5", "\x8E\x52\x93\x63", '1');
            benchmark::DoNotOptimize(
                rk::phonebook::storeSystemEntryChecked(workspace, memory, text, rk::phonebook::Copy::Backup));
        }
    }
    state.SetItemsProcessed(state.iterations() * 990);
}
BENCHMARK(CheckedStoreFull990BookIntoBackup)->Unit(benchmark::kMillisecond);

} // namespace
