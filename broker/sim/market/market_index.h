#pragma once
// An index's day from its stocks': each regular minute ends at the weighted mean of its stocks' last
// prices against their previous closes, and a last bar of its own holds the closing auction, as a
// stock's chart does. The index's daily bar (the process's) is the frame the minutes are placed on,
// so the finished day is that bar exactly.
#include <cstdint>
#include <vector>

#include "broker/sim/market/market_day.h"
#include "broker/sim/market/market_history.h"
#include "broker/sim/market/market_intraday.h"

namespace ostrada::sim {

// The sums of a board's stocks through the day.
class BoardSum {
 public:
  BoardSum();
  // Counts a stock of the board in with its weight (a halted one too: it stands at its base).
  void Add(StockDay& day, int32_t dayVolume, double weight);
  // The board's level at the end of each regular minute, a fraction of the previous close.
  std::vector<double> Levels() const;
  // Shares traded in each regular minute, then in the closing auction.
  const std::vector<int64_t>& Shares() const { return shares_; }

 private:
  double weight_ = 0;
  std::vector<double> sums_;
  std::vector<int64_t> shares_;
};

// The frame of an index's day (fractions of its previous close) for levels as BoardSum gives them.
DayFrame IndexFrame(const DailyBar& day, const std::vector<double>& levels);

// The index's regular minutes and its closing bar (hundredths; volumes in thousands of shares): the
// levels placed on the frame, the day's high and low reached where the levels had their extremes.
std::vector<IndexMinute> IndexMinutes(const DailyBar& day, const DayFrame& frame, const std::vector<double>& levels,
                                      const std::vector<int64_t>& shares);

}  // namespace ostrada::sim
