#pragma once
// What a day's stocks share within the day, and how a day's path is drawn through its open, high,
// low and close given from outside (the market's process draws them today; real daily bars can).
//
// A board's stocks share the market's and their board's minute moves: one bridge per board and day,
// zero at the open and at the end of the regular session, which each stock follows by its beta
// beside a bridge of its own. A stock's path is the straight line from its open to its close plus
// those bridges; what reaches beyond the open and the close is then scaled so that the path's own
// extremes land on the day's high and low. The scaling keeps the order of the minutes' prices, so
// stocks that fall together in a minute still fall together on the day's frame.
//
// The breaker: when a board's index has closed a minute 8% or more below the previous close, its
// stocks pause for twenty minutes (no contracts, books frozen) and resume with a ten-minute call
// auction; once a day, and not in the last forty minutes before the close.
#include <cstdint>
#include <vector>

#include "broker/sim/market/market_history.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada::sim {

// The shared part of a board's minutes (fractions of the price), as a bridge whose whole day's spread
// is `daySigma` (the part of the day's volatility that falls in the regular session).
std::vector<double> SharedMinutePath(uint64_t seed, double daySigma);

constexpr int kBreakerPercent = 8;
constexpr int kPauseMinutes = 20;
constexpr int kResumeAuctionMinutes = 10;
// The last regular minute whose close may trip the breaker: forty minutes before the close, so the
// pause and its auction end by the closing auction at the latest.
constexpr int kLastBreakerMinute = kRegularMinutes - 31;

// The day's pause of a board, if its breaker tripped.
struct TradingPause {
  int after = -1;  // the regular minute whose close tripped it; -1: none
  bool Tripped() const { return after >= 0; }
  // The first regular minute that trades again (its first contract is the resuming auction's).
  int Resumes() const { return after + 1 + kPauseMinutes + kResumeAuctionMinutes; }
  bool Covers(int minute) const { return Tripped() && minute > after && minute < Resumes(); }
  int32_t StartMs() const { return kOpenMs + (after + 1) * kMsPerMinute; }
  int32_t AuctionMs() const { return StartMs() + kPauseMinutes * kMsPerMinute; }
  int32_t EndMs() const { return kOpenMs + Resumes() * kMsPerMinute; }
  // The moment a book shows at `ms`: it stands still while trading pauses and goes on from there.
  int32_t BookMs(int32_t ms) const;
  // The real moment of book moment `bookMs` (the first, where the pause holds several).
  int32_t RealMs(int32_t bookMs) const;
};

// The first regular minute whose close (hundredths) trips the breaker of an index whose previous close
// was `base`, or none.
TradingPause BreakerOf(const std::vector<IndexMinute>& minutes, int32_t base);

// A day's frame: the path's prices beyond the open and the close are scaled onto the day's high and
// low, from the raw path's own extremes `rawHigh` and `rawLow`.
struct DayFrame {
  double open = 0;
  double high = 0;
  double low = 0;
  double close = 0;
  double rawHigh = 0;
  double rawLow = 0;
  double Place(double raw) const;
};

// The first eligible minute at or after `at`, else the last eligible one before it, never `taken`;
// -1 when there is none.
int EligibleNear(const std::vector<bool>& eligible, int at, int taken);

}  // namespace ostrada::sim
