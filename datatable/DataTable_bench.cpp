// Init of a file-table-like text: the time per row must stay flat as the
// table grows.
#include <benchmark/benchmark.h>

#include "datatable/DataTable.h"
#include "support/Text.h"

namespace {

// rows rows of five cells: folder, file name, two sizes and a flag.
std::u16string TableText(int rows) {
  std::u16string text = u"#Files," + IntToStr(rows) + u"#";
  for (int i = 0; i < rows; ++i) {
    if (i > 0) text += u'|';
    text += u"bin\\plugins,module" + IntToStr(i) + u".dll," + IntToStr(1000 + i) + u"," +
            IntToStr(4000 + i) + u"," + IntToStr(i % 2);
  }
  return text;
}

void BM_TableInit(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::u16string text = TableText(rows);
  for (auto _ : state) {
    TDataTable table(u"", TColumnSet{1});
    table.Init(text);
    benchmark::DoNotOptimize(table.ItemCount());
  }
  state.counters["per_row"] = benchmark::Counter(
      rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_TableInit)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
