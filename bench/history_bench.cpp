// Comparing two full phonebooks from their files, as diff, the dry run and the check of a write do:
// 990 common memories and 2,000 my-phonebook lines on each side, every memory in use.
#include "full_books.h"
#include "history/phonebook_diff.h"

#include <benchmark/benchmark.h>

namespace {

using rk::bench::fullBooks;

// Arguments: the memory count, and every how many memories one differs (0: identical books).
void DiffFullBooks(benchmark::State& state) {
    const int memoryCount = static_cast<int>(state.range(0));
    const int mode = memoryCount == 990 ? 2 : 1;
    const rk::history::PhonebookSide before = fullBooks(mode, 0);
    const rk::history::PhonebookSide after = fullBooks(mode, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        const rk::history::PhonebookDiff diff = rk::history::comparePhonebooks(before, after, memoryCount);
        benchmark::DoNotOptimize(rk::history::formatDiffText(diff));
    }
}
BENCHMARK(DiffFullBooks)
    ->ArgNames({"memories", "every"})
    ->Args({990, 0})
    ->Args({990, 10})
    ->Args({990, 1})
    ->Args({600, 0})
    ->Unit(benchmark::kMicrosecond);

} // namespace
