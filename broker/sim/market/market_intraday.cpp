#include "broker/sim/market/market_intraday.h"

#include <algorithm>
#include <cmath>

#include "broker/sim/market/market_random.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {

std::vector<double> SharedMinutePath(uint64_t seed, double daySigma) {
  SeededRandom random(seed);
  std::vector<double> walk(static_cast<size_t>(kRegularMinutes));
  const double step = daySigma / std::sqrt(static_cast<double>(kRegularMinutes));
  double sum = 0;
  for (double& value : walk) value = sum += step * Normal(random);
  // A bridge: the day's open and close are the line's, the minutes between carry the shared moves.
  for (size_t m = 0; m < walk.size(); ++m) walk[m] -= sum * static_cast<double>(m + 1) / kRegularMinutes;
  return walk;
}

int32_t TradingPause::BookMs(int32_t ms) const {
  if (!Tripped() || ms <= StartMs()) return ms;
  return ms < EndMs() ? StartMs() : ms - (EndMs() - StartMs());
}

int32_t TradingPause::RealMs(int32_t bookMs) const {
  if (!Tripped() || bookMs <= StartMs()) return bookMs;
  return bookMs + (EndMs() - StartMs());
}

TradingPause BreakerOf(const std::vector<IndexMinute>& minutes, int32_t base) {
  TradingPause pause;
  const auto last = std::min(minutes.size(), static_cast<size_t>(kLastBreakerMinute + 1));
  for (size_t m = 0; m < last; ++m) {
    if (int64_t{minutes[m].close} * 100 <= int64_t{base} * (100 - kBreakerPercent)) {
      pause.after = static_cast<int>(m);
      break;
    }
  }
  return pause;
}

double DayFrame::Place(double raw) const {
  const double top = std::max(open, close);
  const double bottom = std::min(open, close);
  if (raw > top) return rawHigh > top ? top + (raw - top) * (high - top) / (rawHigh - top) : top;
  if (raw < bottom) return rawLow < bottom ? bottom - (bottom - raw) * (bottom - low) / (bottom - rawLow) : bottom;
  return raw;
}

int EligibleNear(const std::vector<bool>& eligible, int at, int taken) {
  const int size = static_cast<int>(eligible.size());
  for (int m = std::max(at, 0); m < size; ++m) {
    if (eligible[static_cast<size_t>(m)] && m != taken) return m;
  }
  for (int m = std::min(at, size) - 1; m >= 0; --m) {
    if (eligible[static_cast<size_t>(m)] && m != taken) return m;
  }
  return -1;
}

}  // namespace ostrada::sim
