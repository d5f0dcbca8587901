// The 매매일지 window on the heavy paper account (100,000 fills over 500 days): opening it (the
// journal read as the command line reads it, then its four tables formatted and their columns
// sized) and showing a range again, beside opening the journal alone as the baseline of the run.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/journalmodel.h"
#include "app/journalwnd.h"
#include "bench/heavy_ledger.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_gui_journal";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(argc, argv);
  return application;
}

sim::JournalPlace HeavyPlace() {
  return {sim::bench::Heavy().path, sim::bench::kAccount, sim::ExchangeOptions{}.seed, 0};
}

void BM_Baseline_OpenJournal(benchmark::State& state) {
  const sim::JournalPlace place = HeavyPlace();
  for (auto _ : state) {
    std::string problem;
    benchmark::DoNotOptimize(sim::OpenJournal(place, 0, 0, problem));
  }
}
BENCHMARK(BM_Baseline_OpenJournal)->Unit(benchmark::kMillisecond);

void BM_JournalWindowOpen(benchmark::State& state) {
  Application();
  testing::RecordingScope recording;
  const sim::JournalPlace place = HeavyPlace();
  int rows = 0;
  for (auto _ : state) {
    CJournalWnd window(place);
    rows = window.Model(sim::JournalView::kFill).rowCount();
  }
  state.counters["fills"] = rows;
}
BENCHMARK(BM_JournalWindowOpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada
