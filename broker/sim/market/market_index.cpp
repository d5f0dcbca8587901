#include "broker/sim/market/market_index.h"

#include <algorithm>

#include "broker/sim/market/market_random.h"

namespace ostrada::sim {

BoardSum::BoardSum()
    : sums_(static_cast<size_t>(kRegularMinutes), 0.0), shares_(static_cast<size_t>(kRegularMinutes) + 1, 0) {}

void BoardSum::Add(StockDay& day, int32_t dayVolume, double weight) {
  weight_ += weight;
  const double base = day.PreviousClose();
  double last = 1.0;
  int64_t regular = 0;
  for (int m = 0; m < kRegularMinutes; ++m) {
    const MinuteSummary& minute = day.Minute(m);
    if (minute.count > 0) last = minute.close / base;
    sums_[static_cast<size_t>(m)] += weight * last;
    shares_[static_cast<size_t>(m)] += minute.volume;
    regular += minute.volume;
  }
  shares_.back() += dayVolume - regular;
}

std::vector<double> BoardSum::Levels() const {
  std::vector<double> levels(sums_.size(), 1.0);
  if (weight_ <= 0) return levels;
  for (size_t m = 0; m < levels.size(); ++m) levels[m] = sums_[m] / weight_;
  return levels;
}

DayFrame IndexFrame(const DailyBar& day, const std::vector<double>& levels) {
  const double base = day.close - day.change;
  DayFrame frame;
  frame.open = day.open / base;
  frame.high = day.high / base;
  frame.low = day.low / base;
  frame.close = day.close / base;
  frame.rawHigh = std::max(frame.close, *std::max_element(levels.begin(), levels.end()));
  frame.rawLow = std::min(frame.close, *std::min_element(levels.begin(), levels.end()));
  return frame;
}

std::vector<IndexMinute> IndexMinutes(const DailyBar& day, const DayFrame& frame, const std::vector<double>& levels,
                                      const std::vector<int64_t>& shares) {
  const int32_t base = day.close - day.change;
  std::vector<int32_t> closes(levels.size());
  for (size_t m = 0; m < levels.size(); ++m) {
    closes[m] = std::clamp(RoundToInt(base * frame.Place(levels[m])), day.low, day.high);
  }
  // The day's extremes, where the stocks had theirs; the closing auction may hold one instead.
  const std::vector<bool> every(levels.size(), true);
  int highMinute = -1;
  if (day.high > std::max(day.open, day.close)) {
    highMinute = EligibleNear(every, static_cast<int>(std::max_element(levels.begin(), levels.end()) - levels.begin()), -1);
    closes[static_cast<size_t>(highMinute)] = day.high;
  }
  if (day.low < std::min(day.open, day.close)) {
    const auto lowest = static_cast<int>(std::min_element(levels.begin(), levels.end()) - levels.begin());
    closes[static_cast<size_t>(EligibleNear(every, lowest, highMinute))] = day.low;
  }
  std::vector<IndexMinute> minutes(levels.size() + 1);
  int64_t traded = 0;  // thousands of the running sum, so that rounding never drifts from the day's volume
  int64_t given = 0;
  int32_t last = day.open;
  for (size_t m = 0; m < minutes.size(); ++m) {
    IndexMinute& minute = minutes[m];
    minute.open = last;
    minute.close = m < closes.size() ? closes[m] : day.close;
    minute.high = std::max(minute.open, minute.close);
    minute.low = std::min(minute.open, minute.close);
    if (m < shares.size()) traded += shares[m];
    minute.volume = std::clamp<int32_t>(RoundToInt(static_cast<double>(traded) / 1000.0) - static_cast<int32_t>(given),
                                        0, static_cast<int32_t>(day.volume - given));
    given += minute.volume;
    last = minute.close;
  }
  minutes.back().volume += static_cast<int32_t>(day.volume - given);
  return minutes;
}

}  // namespace ostrada::sim
