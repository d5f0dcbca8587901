#pragma once
// The market's one price process. Every listed stock starts on the first day of the process from
// its listing price and is run forward day by day; the history is its past and today's session its
// present: a session expands the day's draw into minutes and contracts, so a finished day's bar is
// exactly that session's prices and volume, and the next day starts from its close.
//
// Each stock's return is a market factor times its beta plus its own shock. Both volatilities
// cluster (a GARCH-like recursion), the shocks have fat tails, news jumps now and then, and a move
// beyond the daily limit closes at the limit and carries part of the excess into the next day, so
// limit streaks continue. Volume persists and rises with volatility and big moves. The two exchange
// indexes are the value-weighted moves of their own markets' stocks.
//
// Deterministic from the market's seed: a stock's path depends on its own seed and the factor
// alone, never on which stock or day was asked first.
#include <cstdint>
#include <string_view>
#include <vector>

#include "broker/sim/market_history.h"
#include "broker/sim/market_stock.h"

namespace ostrada::sim {

// The first trading day of the process.
constexpr int32_t kProcessStart = 20241101;

// One trading day of a stock as the process decided it.
struct DayDraw {
  DailyBar bar;         // change against the day's base: the previous close, adjusted on a split day
  bool halted = false;  // no trading: the bar stands at the base with no volume
  float pressure = 0;   // who pushed the price: -1 sellers .. 1 buyers
  float activity = 1;   // contracts relative to an ordinary day
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

 private:
  struct FactorDay {
    double move = 0;       // the market's log return
    bool selloff = false;  // a day on which bad news spreads
  };
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

// The minutes of an index's day (hundredths): they open at the day's open, reach its high and low
// and end at its close. Their volumes are its stocks' (`shares` of each regular minute, the closing
// auction in the last), in thousands, and add up to the day's.
std::vector<IndexMinute> IndexMinutes(const DailyBar& day, uint64_t seed, const std::vector<int64_t>& shares);

// Turnover. A stock's ordinary day trades a value (won) that grows with its liquidity and size, the
// largest companies' about as much as a real board's largest. Its shares are that value at the
// price, and an ordinary day turns over a few parts in a hundred of the listed shares at most, the
// busiest day half of them and a real board's busiest day's value at most (all bounds smooth, so
// volumes never pile up at a bound).
constexpr double kRegularSeconds = 21000;      // of the regular session, as the liquidity counts them
constexpr double kValuePerContract = 1.0e6;    // won in an average contract
constexpr double kMostOrdinaryValue = 6.0e11;  // won
constexpr double kUsualTurnover = 0.03;
constexpr double kMostTurnover = 0.5;
constexpr double kMostDayValue = 3.0e12;  // won
constexpr double kMostDayVolume = 1.5e9;  // shares, within the 32 bits of a day's volume
// The value a stock trades on an ordinary day, of a company of the given size (1: typical).
double OrdinaryValue(const StockProfile& stock, double size);
// The shares of an ordinary day at a price, of the listed shares (0: not known).
double OrdinaryShares(double value, int32_t price, double listedShares);
// A day's volume at a price from the shares its activity asks for, within the bounds.
int32_t DayVolume(double shares, int32_t price, double listedShares);

}  // namespace ostrada::sim
