#pragma once
// A heavy paper account for the journal's benchmarks: 100,000 fills over 500 trading days on 50
// stocks, each held all along, written straight into a new ledger in a folder of its own, which
// goes when the run ends.
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/baseline_ratio.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim::bench {

inline constexpr int kDays = 500;
inline constexpr int kStocks = 50;
inline constexpr int kRoundTripsADay = 100;  // a buy and a sell each: 200 fills a day
inline constexpr int32_t kLastDay = 20261208;
inline const std::string kAccount = "5011223302";

struct HeavyLedger {
  std::string folder;
  std::string path;
  int32_t lastDay = 0;
  std::vector<std::string> codes;
};

inline void Run(sqlite3* db, const char* sql) {
  sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

inline const HeavyLedger& Heavy() {
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

// The baseline of the journal's benchmarks: a bare read of every fill of the ledger, as fast as
// SQLite gives them.
inline int64_t ScanFills(const HeavyLedger& heavy) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(heavy.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT date, number, start, price, quantity, commission, tax, time_ms, id FROM fills", -1,
                     &scan, nullptr);
  int64_t sum = 0;
  while (sqlite3_step(scan) == SQLITE_ROW) sum += sqlite3_column_int64(scan, 4);
  sqlite3_finalize(scan);
  sqlite3_close(db);
  return sum;
}

// ScanFills' median CPU time, measured once a run.
inline double ScanFillsMs() {
  static const double ms = ostrada::bench::MedianCpuMs(5, [] { benchmark::DoNotOptimize(ScanFills(Heavy())); });
  return ms;
}

}  // namespace ostrada::sim::bench
