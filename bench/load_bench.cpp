// Loading a file into the line store, against `wc -l` on the same file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "bench/bench.h"
#include "bigview/line_store.h"

namespace varlo::bench {
namespace {

int64_t gLines = 0;
double gIndexBytes = 0;

void BM_LoadFromFile(benchmark::State& state) {
  // One untimed load first: the file into the page cache, and the memory
  // the loads use touched once (a fresh virtual machine's first touch of
  // memory costs far more than the load itself).
  TBvStrings().LoadFromFile(Corpus());
  for (auto _ : state) {
    auto store = std::make_unique<TBvStrings>();
    store->LoadFromFile(Corpus());
    state.PauseTiming();
    gLines = store->Count();
    gIndexBytes = static_cast<double>(store->IndexBytes());
    store.reset();
    state.ResumeTiming();
  }
  state.counters["lines"] = static_cast<double>(gLines);
}
BENCHMARK(BM_LoadFromFile)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

const Figures kFigures([] {
  const std::string quoted = "'" + Corpus().string() + "'";
  TimeCommand("cat " + quoted + " > /dev/null", 1);  // page cache
  const double wc = TimeCommand("wc -l < " + quoted + " > /dev/null", 5);
  const double load = Seconds("BM_LoadFromFile/iterations:5/real_time");
  const double peak = PeakBytes([] {
    TBvStrings store;
    store.LoadFromFile(Corpus());
  });
  const double mib = 1024.0 * 1024.0;
  Print("wc_s", wc, 3);
  Print("load_s", load, 3);
  Print("load_vs_wc", load / wc);
  Print("load_lines", static_cast<double>(gLines), 0);
  Print("load_peak_mib", peak / mib, 0);
  Print("load_peak_budget_mib", 8.0 * static_cast<double>(gLines) / mib + 96.0, 0);
  Print("store_bytes_per_line", gIndexBytes / static_cast<double>(gLines));
});

}  // namespace
}  // namespace varlo::bench
