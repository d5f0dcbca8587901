#pragma once
// Daily history of stocks and of the two exchange indexes, decided by the seed: each bar is drawn
// from the stock's seed and its date, walking back from the previous close, so the newest bars are
// the same however many are asked for. Rare splits and consolidations leave a jump in the prices
// (the change of that day is against the adjusted base, as an exchange reports it).
#include <cstdint>
#include <string_view>
#include <vector>

#include "broker/sim/market_stock.h"

namespace ostrada::sim {

struct DailyBar {
  int32_t date = 0;  // YYYYMMDD
  int32_t open = 0;  // won; hundredths of a point for an index
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
  int32_t change = 0;  // against the day's base price
  int32_t volume = 0;  // shares; thousands of shares for an index
};

// The `count` bars of the trading days before `tradingDate`, oldest first. The newest close is the
// stock's previous close.
std::vector<DailyBar> StockHistory(const StockProfile& stock, int32_t tradingDate, int count);
// The stock's previous close (the newest history bar's close) and that day's bar.
DailyBar PreviousDay(const StockProfile& stock, int32_t tradingDate);

// The exchange indexes "U001" and "U201".
bool IsIndexCode(std::string_view code);
std::vector<DailyBar> IndexHistory(std::string_view code, uint64_t seed, int32_t tradingDate, int count);

// An index's trading day in hundredths: one bar per regular minute, drawn from the seed.
struct IndexMinute {
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
  int32_t volume = 0;  // thousands of shares in the minute
};
std::vector<IndexMinute> IndexDay(std::string_view code, uint64_t seed, int32_t tradingDate);

// Hundredths whose single-precision value reads back as the same hundredths however the reader
// multiplies by 100 (float or double arithmetic, truncated), at or above the given value.
int32_t ExactHundredths(int32_t hundredths);
// The same, such that the difference to `base` reads back exactly too.
int32_t ExactHundredthsAgainst(int32_t hundredths, int32_t base);
// The float the server sends for hundredths; it reads back as them as above (also for values that
// are not exact, by taking a neighbouring float).
float HundredthsValue(int32_t hundredths);

}  // namespace ostrada::sim
