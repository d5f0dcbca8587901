#include "broker/sim/paper/paper_watch.h"

#include <algorithm>

#include "broker/sim/market/market_day.h"

namespace ostrada::sim {
namespace {

bool LooksDown(WatchKind kind) {
  return kind == WatchKind::kStop || kind == WatchKind::kAlertBelow;
}

// Whether any contract of a minute with this summary can meet the condition. A trailing stop is
// measured from the highest the minute could have reached first: a minute that cannot fall that far
// from its own high cannot fall that far from any earlier price of it.
bool MayMeet(const WatchCondition& condition, const MinuteSummary& minute, int32_t peak) {
  if (condition.kind == WatchKind::kTrail) return minute.low <= TrailThreshold(condition, std::max(peak, minute.high));
  return LooksDown(condition.kind) ? minute.low <= condition.level : minute.high >= condition.level;
}

bool Meets(const WatchCondition& condition, int32_t price, int32_t peak) {
  if (condition.kind == WatchKind::kTrail) return price <= TrailThreshold(condition, peak);
  return LooksDown(condition.kind) ? price <= condition.level : price >= condition.level;
}

int32_t MinuteStart(int m) {
  return kOpenMs + m * kMsPerMinute;
}

// The first regular minute that may hold a contract after `afterMs`.
int FirstMinuteAfter(int32_t afterMs) {
  return afterMs < kOpenMs ? 0 : (afterMs - kOpenMs) / kMsPerMinute;
}

}  // namespace

int32_t TrailThreshold(const WatchCondition& condition, int32_t peak) {
  if (condition.trailPercent > 0) return static_cast<int32_t>(int64_t{peak} * (10'000 - condition.trailPercent) / 10'000);
  return peak - condition.trailWon;
}

std::optional<TapeContract> FirstMeeting(StockDay& day, int32_t afterMs, const WatchCondition& condition,
                                         int32_t peak) {
  if (day.Halted()) return std::nullopt;
  for (int m = FirstMinuteAfter(afterMs); m < kRegularMinutes; ++m) {
    const MinuteSummary& minute = day.Minute(m);
    if (minute.count == 0) continue;
    const bool whole = MinuteStart(m) > afterMs;
    if (whole && !MayMeet(condition, minute, peak)) {
      peak = std::max(peak, minute.high);
      continue;
    }
    for (const Trade& trade : day.MinuteTrades(m)) {
      if (trade.timeMs <= afterMs) continue;
      peak = std::max(peak, trade.price);
      if (Meets(condition, trade.price, peak)) return TapeContract{trade.timeMs, trade.price};
    }
  }
  return std::nullopt;
}

int32_t HighestAfter(StockDay& day, int32_t afterMs) {
  int32_t highest = 0;
  if (day.Halted()) return highest;
  for (int m = FirstMinuteAfter(afterMs); m < kRegularMinutes; ++m) {
    const MinuteSummary& minute = day.Minute(m);
    if (minute.count == 0) continue;
    if (MinuteStart(m) > afterMs) {
      highest = std::max(highest, minute.high);
      continue;
    }
    for (const Trade& trade : day.MinuteTrades(m)) {
      if (trade.timeMs > afterMs) highest = std::max(highest, trade.price);
    }
  }
  return highest;
}

}  // namespace ostrada::sim
