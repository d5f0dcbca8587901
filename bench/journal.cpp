// The trading journal of a heavy paper account: 100,000 fills over 500 trading days on 50 stocks,
// each held all along. Opening it (reading the ledger, drawing the stocks' closes, every figure) and
// exporting its fills as CSV, beside a bare scan of the same fills as the baseline of the run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/foundation/files.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/paper/paper_journal_market.h"
#include "broker/sim/paper/paper_journal_table.h"
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {
namespace {

constexpr int kDays = 500;
constexpr int kStocks = 50;
constexpr int kRoundTripsADay = 100;  // a buy and a sell each: 200 fills a day
constexpr int32_t kLastDay = 20261208;
const std::string kAccount = "5011223302";

struct HeavyLedger {
  std::string folder;
  std::string path;
  int32_t lastDay = 0;
  std::vector<std::string> codes;
};

void Run(sqlite3* db, const char* sql) {
  sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

const HeavyLedger& Heavy() {
  static const HeavyLedger heavy = [] {
    HeavyLedger made;
    made.folder =
        (std::filesystem::temp_directory_path() / ("ostrada_bench_journal_" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(made.folder);
    made.path = made.folder + "/paper.sqlite";
    std::string problem;
    PaperLedger::Open(made.path, {kAccount}, 10'000'000'000, FeeRates{}, problem).reset();
    const Listing listing = Listing::Build(ExchangeOptions{}.seed, 0);
    for (size_t i = 0; made.codes.size() < kStocks; ++i)
      if (!listing.At(i).IsSuspended()) made.codes.push_back(listing.At(i).code);
    std::vector<int32_t> days = TradingDaysBefore(kLastDay, kDays - 1);
    days.push_back(kLastDay);
    made.lastDay = days.back();

    sqlite3* db = nullptr;
    sqlite3_open(made.path.c_str(), &db);
    Run(db, "BEGIN");
    sqlite3_stmt* order = nullptr;
    sqlite3_stmt* fill = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO orders VALUES(?, ?, ?, ?, ?, 0, 10000, 10000, ?, ?, 0, '1', 0, ?, 'F')", -1,
                       &order, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO fills(date, number, start, price, quantity, commission, tax, time_ms) "
                       "VALUES(?, ?, 0, 10000, ?, ?, ?, ?)",
                       -1, &fill, nullptr);
    const auto add = [&](int32_t date, int32_t number, const std::string& code, bool buy, int32_t quantity) {
      const int32_t time = 32'400'000 + number * 1000;
      const int64_t value = 10000LL * quantity;
      sqlite3_bind_int(order, 1, date);
      sqlite3_bind_int(order, 2, number);
      sqlite3_bind_text(order, 3, kAccount.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(order, 4, code.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(order, 5, buy ? "2" : "1", -1, SQLITE_STATIC);
      sqlite3_bind_int(order, 6, quantity);
      sqlite3_bind_int(order, 7, quantity);
      sqlite3_bind_int(order, 8, time);
      sqlite3_step(order);
      sqlite3_reset(order);
      sqlite3_bind_int(fill, 1, date);
      sqlite3_bind_int(fill, 2, number);
      sqlite3_bind_int(fill, 3, quantity);
      sqlite3_bind_int64(fill, 4, value * 150 / 1'000'000);
      sqlite3_bind_int64(fill, 5, buy ? 0 : value * 2000 / 1'000'000);
      sqlite3_bind_int(fill, 6, time);
      sqlite3_step(fill);
      sqlite3_reset(fill);
    };
    for (const int32_t date : days) {
      int32_t number = 0;
      for (int i = 0; i < kRoundTripsADay; ++i) {
        const std::string& code = made.codes[static_cast<size_t>(i % kStocks)];
        add(date, ++number, code, true, 10);
        add(date, ++number, code, false, 10);
      }
    }
    sqlite3_finalize(order);
    sqlite3_finalize(fill);
    const std::string clock = "UPDATE clock SET date = " + std::to_string(made.lastDay) +
                              ", time_ms = 56400000, shares_through = " + std::to_string(made.lastDay);
    Run(db, clock.c_str());
    Run(db, "COMMIT");
    sqlite3_close(db);
    return made;
  }();
  // The folder goes when the run ends.
  static const struct Remover {
    std::string folder;
    ~Remover() { std::filesystem::remove_all(folder); }
  } remover{heavy.folder};
  return heavy;
}

void BM_Baseline_ScanFills(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(heavy.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* scan = nullptr;
    sqlite3_prepare_v2(db, "SELECT date, number, start, price, quantity, commission, tax, time_ms, id FROM fills", -1,
                       &scan, nullptr);
    int64_t sum = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) sum += sqlite3_column_int64(scan, 4);
    sqlite3_finalize(scan);
    sqlite3_close(db);
    benchmark::DoNotOptimize(sum);
  }
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
  size_t fills = 0;
  for (auto _ : state) {
    const Journal journal = OpenHeavy(heavy);
    fills = journal.fills.size();
    benchmark::DoNotOptimize(journal.totals.realised);
  }
  state.counters["fills"] = static_cast<double>(fills);
}
BENCHMARK(BM_JournalOpen)->Unit(benchmark::kMillisecond);

// The parts of an opening: the ledger read alone, and the figures from a read ledger and a drawn market.
void BM_JournalReadLedger(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  for (auto _ : state) {
    std::string problem;
    benchmark::DoNotOptimize(ReadJournalLedger(heavy.path, kAccount, problem));
  }
}
BENCHMARK(BM_JournalReadLedger)->Unit(benchmark::kMillisecond);

void BM_JournalFigures(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  std::string problem;
  const std::optional<JournalLedger> ledger = ReadJournalLedger(heavy.path, kAccount, problem);
  const std::unique_ptr<Market> market = MarketAt(*ledger);
  MarketJournal prices(*market);
  for (auto _ : state) benchmark::DoNotOptimize(BuildJournal(*ledger, prices, 0, 0).totals.realised);
}
BENCHMARK(BM_JournalFigures)->Unit(benchmark::kMillisecond);

void BM_JournalCsvExport(benchmark::State& state) {
  const HeavyLedger& heavy = Heavy();
  const Journal journal = OpenHeavy(heavy);
  const std::string path = heavy.folder + "/fills.csv";
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string csv = JournalCsv(TableOf(journal, JournalView::kFill));
    bytes = csv.size();
    ReplaceFileWith(path.c_str(), csv);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_JournalCsvExport)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada::sim
