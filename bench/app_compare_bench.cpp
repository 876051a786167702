// The compare window over two full books, computed and shown: the comparison of both files, the
// window made, shown and painted once, as the history window and the preview before a write do.
// Runs on Qt's offscreen platform unless another is named.
#include "app/compare_dlg.h"
#include "app/diff_table_model.h"
#include "full_books.h"
#include "history/phonebook_diff.h"

#include <QApplication>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// Arguments: the memory count, and how the second book differs: 0 identical, 1 every memory's
// number changed, 2 every memory added (the first book empty).
void CompareWindowFullBooks(benchmark::State& state) {
    const int memoryCount = static_cast<int>(state.range(0));
    const int mode = memoryCount == 990 ? 2 : 1;
    const int how = static_cast<int>(state.range(1));
    const rk::history::PhonebookSide before =
        how == 2 ? rk::bench::emptyBooks(mode) : rk::bench::fullBooks(mode, 0);
    const rk::history::PhonebookSide after = rk::bench::fullBooks(mode, how == 1 ? 1 : 0);
    std::size_t rows = 0;
    for (auto _ : state) {
        rk::app::CCompareDlg window(rk::history::comparePhonebooks(before, after, memoryCount),
                                    QStringLiteral(u"2024-03-05 16:09 の読込との比較"),
                                    rk::app::CCompareDlg::Purpose::BeforeWrite);
        window.show();
        window.repaint();
        QCoreApplication::processEvents();
        rows = static_cast<std::size_t>(window.model().rowCount());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(CompareWindowFullBooks)
    ->ArgNames({"memories", "how"})
    ->Args({990, 0})
    ->Args({990, 1})
    ->Args({990, 2})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
