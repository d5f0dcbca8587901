#pragma once
// The market's one price process. Every listed stock starts on the first day of the process from
// its listing price and is run forward day by day; the history is its past and today's session its
// present: a session expands the day's draw into minutes and contracts, so a finished day's bar is
// exactly that session's prices and volume, and the next day starts from its close.
//
// Each stock's return is a market factor times its beta plus its own shock. Both volatilities
// cluster (a GARCH-like recursion), the shocks have fat tails, news jumps now and then, and a move
// beyond the daily limit closes at the limit and carries part of the excess into the next day, so
// limit streaks continue. Volume persists and rises with volatility and big moves, within the listed
// shares and a real board's value, a part of what the company is worth. Shares that closed below 500
// won are consolidated the next day, so a stock never stands where the limit leaves it no step; a
// company splits only dear shares and consolidates only cheap ones. The two exchange indexes are the
// capitalisation-weighted moves of their own markets' stocks, and trade their volume.
//
// Deterministic from the market's seed: a stock's path depends on its own seed and the factor
// alone, never on which stock or day was asked first.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "broker/sim/market/market_history.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada::sim {

// The first trading day of the process.
constexpr int32_t kProcessStart = 20241101;

// One trading day of a stock as the process decided it.
struct DayDraw {
  DailyBar bar;         // change against the day's base: the previous close, adjusted on a split day
  bool halted = false;  // no trading: the bar stands at the base with no volume
  // A split or consolidation taking effect today: `sharesBefore` shares of yesterday are `sharesAfter`
  // today (1 and 1 on every other day).
  int32_t sharesBefore = 1;
  int32_t sharesAfter = 1;
  float pressure = 0;   // who pushed the price: -1 sellers .. 1 buyers
  float activity = 1;   // contracts relative to an ordinary day
  float beta = 1;       // how far the stock follows its board's moves within the day too
  int64_t shares = 0;   // listed that day
  // What the company was worth at the day's base (won): its weight in its board's index.
  double Worth() const { return static_cast<double>(shares) * (bar.close - bar.change); }
};

// The moves a day's stocks share: the market's, and each board's own beside it (U001's stocks the
// first, U201's the second), with the volatility each was drawn with.
struct FactorDay {
  double move = 0;       // the market's log return
  bool selloff = false;  // a day on which bad news spreads
  double sigma = 0;      // the market's daily volatility that day
  std::array<double, 2> board{};  // each board's log return beside the market's
  std::array<double, 2> boardSigma{};
  double small = 0;  // the small companies' own move beside the market's
  // The log return a stock of `market` ('1'..'4') shares with its board (the market's alone off the two boards).
  double Of(char market) const;
  double SigmaOf(char market) const;
};

// The index's day: its bar (hundredths, thousands of shares), which its minutes reproduce.
struct IndexDraw {
  DailyBar bar;
};

class MarketProcess {
 public:
  MarketProcess(const std::vector<StockProfile>& stocks, uint64_t seed);

  // The dates of the process up to and including `date` (the trading days from the start, then
  // `date` itself even when the exchange does not usually trade on it).
  const std::vector<int32_t>& DatesThrough(int32_t date);
  // Every day of the stock from the start through `date`, oldest first. Days before `detailFrom`
  // carry only their date, close, change and halt: no volume, and the open, high and low at the close.
  void Run(int index, int32_t date, std::vector<DayDraw>& days, size_t detailFrom = 0);
  // Every day of an index ("U001", "U201") through `date`; the whole market is run once per date. An
  // index's volume is its stocks' (the first or second board's) in thousands of shares.
  const std::vector<IndexDraw>& IndexDays(std::string_view code, int32_t date);
  // What the stocks share on `date`.
  const FactorDay& Factor(int32_t date);

 private:
  static std::vector<int32_t> DatesOfProcess(int32_t date);
  void ExtendFactor(size_t days);
  void RunIndexes(int32_t date);

  const std::vector<StockProfile>& stocks_;
  uint64_t seed_;
  int32_t datesThrough_ = 0;
  std::vector<int32_t> dates_;
  std::vector<FactorDay> factor_;
  double factorVariance_ = 0;
  int32_t indexDate_ = 0;
  std::vector<IndexDraw> indexes_[2];
};

}  // namespace ostrada::sim
