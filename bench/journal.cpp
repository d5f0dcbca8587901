// The trading journal of a heavy paper account: 100,000 fills over 500 trading days on 50 stocks,
// each held all along. Opening it (reading the ledger, drawing the stocks' closes, every figure) and
// exporting its fills as CSV, beside a bare scan of the same fills as the baseline of the run: each
// reports its CPU time a run and that as a multiple of the scan's (x_scan).
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

#include "basesrc/foundation/files.h"
#include "bench/heavy_ledger.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/paper/paper_journal_market.h"
#include "broker/sim/paper/paper_journal_table.h"

namespace ostrada::sim {
namespace {

using bench::Heavy;
using bench::HeavyLedger;
using bench::kAccount;

void BM_Baseline_ScanFills(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  for (auto _ : state) benchmark::DoNotOptimize(bench::ScanFills(heavy));
}
BENCHMARK(BM_Baseline_ScanFills)->Unit(benchmark::kMillisecond);

// The account's market drawn to the ledger's clock, which prices the journal's days.
std::unique_ptr<Market> MarketAt(const JournalLedger& ledger) {
  const uint64_t seed = ExchangeOptions{}.seed;
  auto market = std::make_unique<Market>(ProfilesOf(Listing::Build(seed, 0)), seed);
  market->Sync(ledger.clock.date, ledger.clock.timeMs);
  return market;
}

// What a user waits for, as the command line and the window open it: the ledger read, the account's
// market drawn to its clock, every figure.
Journal OpenHeavy(const HeavyLedger& heavy) {
  std::string problem;
  return *OpenJournal(JournalPlace{heavy.path, kAccount, ExchangeOptions{}.seed, 0}, 0, 0, problem);
}

void BM_JournalOpen(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  const double scanMs = bench::ScanFillsMs();
  size_t fills = 0;
  const ostrada::bench::BaselineRatio ratio;
  for (auto _ : state) {
    const Journal journal = OpenHeavy(heavy);
    fills = journal.fills.size();
    benchmark::DoNotOptimize(journal.totals.realised);
  }
  ratio.Report(state, {{"scan", scanMs}});
  state.counters["fills"] = static_cast<double>(fills);
}
BENCHMARK(BM_JournalOpen)->Unit(benchmark::kMillisecond);

// The parts of an opening: the ledger read alone, and the figures from a read ledger and a drawn market.
void BM_JournalReadLedger(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  const double scanMs = bench::ScanFillsMs();
  const ostrada::bench::BaselineRatio ratio;
  for (auto _ : state) {
    std::string problem;
    benchmark::DoNotOptimize(ReadJournalLedger(heavy.path, kAccount, problem));
  }
  ratio.Report(state, {{"scan", scanMs}});
}
BENCHMARK(BM_JournalReadLedger)->Unit(benchmark::kMillisecond);

void BM_JournalFigures(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  std::string problem;
  const std::optional<JournalLedger> ledger = ReadJournalLedger(heavy.path, kAccount, problem);
  const std::unique_ptr<Market> market = MarketAt(*ledger);
  MarketJournal prices(*market);
  const double scanMs = bench::ScanFillsMs();
  const ostrada::bench::BaselineRatio ratio;
  for (auto _ : state) benchmark::DoNotOptimize(BuildJournal(*ledger, prices, 0, 0).totals.realised);
  ratio.Report(state, {{"scan", scanMs}});
}
BENCHMARK(BM_JournalFigures)->Unit(benchmark::kMillisecond);

void BM_JournalCsvExport(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  const Journal journal = OpenHeavy(heavy);
  const std::string path = heavy.folder + "/fills.csv";
  size_t bytes = 0;
  const double scanMs = bench::ScanFillsMs();
  const ostrada::bench::BaselineRatio ratio;
  for (auto _ : state) {
    const std::string csv = JournalCsv(TableOf(journal, JournalView::kFill));
    bytes = csv.size();
    ReplaceFileWith(path.c_str(), csv);
  }
  ratio.Report(state, {{"scan", scanMs}});
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_JournalCsvExport)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada::sim
