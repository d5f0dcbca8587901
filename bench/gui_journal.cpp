// The 매매일지 window on the heavy paper account (100,000 fills over 500 days): opening it (the
// journal read as the command line reads it, the first tab's columns sized, the totals and the
// equity curve), beside opening the journal alone and a bare scan of the ledger's fills as the
// baselines of the run: each reports its CPU time a run and that as a multiple of the baselines'
// (x_open, x_scan).
#include <benchmark/benchmark.h>

#include "app/journalmodel.h"
#include "app/journalwnd.h"
#include "bench/gui_bench.h"
#include "bench/heavy_ledger.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

sim::JournalPlace HeavyPlace() {
  return {sim::bench::Heavy().path, sim::bench::kAccount, sim::ExchangeOptions{}.seed, 0};
}

void OpenTheJournal(const sim::JournalPlace& place) {
  std::string problem;
  benchmark::DoNotOptimize(sim::OpenJournal(place, 0, 0, problem));
}

void BM_Baseline_OpenJournal(benchmark::State& state) {
  const sim::JournalPlace place = HeavyPlace();
  const double scanMs = sim::bench::ScanFillsMs();
  const bench::BaselineRatio ratio;
  for (auto _ : state) OpenTheJournal(place);
  ratio.Report(state, {{"scan", scanMs}});
}
BENCHMARK(BM_Baseline_OpenJournal)->Unit(benchmark::kMillisecond);

void BM_JournalWindowOpen(benchmark::State& state) {
  bench::HeadlessApplication();
  testing::RecordingScope recording;
  const sim::JournalPlace place = HeavyPlace();
  const double scanMs = sim::bench::ScanFillsMs();
  const double openMs = bench::MedianCpuMs(3, [&place] { OpenTheJournal(place); });
  int rows = 0;
  const bench::BaselineRatio ratio;
  for (auto _ : state) {
    CJournalWnd window(place);
    rows = window.Model(sim::JournalView::kFill).rowCount();
  }
  ratio.Report(state, {{"open", openMs}, {"scan", scanMs}});
  state.counters["fills"] = rows;
}
BENCHMARK(BM_JournalWindowOpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada
