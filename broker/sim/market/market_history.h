#pragma once
// The daily bars of stocks and of the two exchange indexes (the market's process draws them), and
// the hundredths in which the indexes are told. Rare splits and consolidations leave a jump in a
// stock's prices (the change of that day is against the adjusted base, as an exchange reports it).
#include <cstdint>
#include <string_view>
#include <vector>

#include "broker/sim/market/market_stock.h"

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

// The exchange indexes "U001" and "U201".
bool IsIndexCode(std::string_view code);

// An index's trading day in hundredths: one bar per regular minute.
struct IndexMinute {
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
  int32_t volume = 0;  // thousands of shares in the minute
};

// The float the server sends for hundredths: it reads back as the same hundredths however the reader
// multiplies by 100 (float or double arithmetic, truncated), taking a neighbouring float where the
// nearest one would read a hundredth short.
float HundredthsValue(int32_t hundredths);

}  // namespace ostrada::sim
