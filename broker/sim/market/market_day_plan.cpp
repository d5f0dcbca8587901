// The plan of a stock's day: how many contracts each regular minute holds, where each minute's
// prices go on the way from the open through the day's high and low to its close, and how the day's
// volume is shared out among the minutes and the two sides. The rest of the day (market_day.cpp)
// expands the plan into contracts.
#include <algorithm>
#include <cmath>
#include <vector>

#include "broker/sim/market/market_day.h"
#include "broker/sim/market/market_random.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

// The plan's own stream, apart from the streams the expansion draws from.
constexpr uint64_t kPlanSalt = 40000;

// Trading is busiest right after the open and before the closing auction, and slack over lunch.
double Intensity(int m) {
  static const std::vector<double> kIntensity = [] {
    std::vector<double> intensity(static_cast<size_t>(kRegularMinutes));
    for (int minute = 0; minute < kRegularMinutes; ++minute) {
      const double lunch = (minute - 195) / 40.0;  // centred on 12:15
      intensity[static_cast<size_t>(minute)] =
          (1.0 + 1.5 * std::exp(-minute / 15.0) + 0.8 * std::exp(-(kRegularMinutes - 1 - minute) / 25.0)) *
          (1.0 - 0.45 * std::exp(-lunch * lunch));
    }
    return intensity;
  }();
  return kIntensity[static_cast<size_t>(m)];
}

// 0, 1 or 2 ladder steps beyond the minute's open and close.
int32_t Extension(SeededRandom& random) {
  const double draw = random.Unit();
  return draw < 0.6 ? 0 : draw < 0.9 ? 1 : 2;
}

}  // namespace

void StockDay::EnsurePlanned() {
  if (minutes_.empty()) PlanDay();
}

void StockDay::PlanDay() {
  minutes_.assign(static_cast<size_t>(kRegularMinutes), MinuteSummary{});
  if (halted_) return;
  SeededRandom random(DeriveSeed(daySeed_, kPlanSalt));
  std::vector<int32_t> counts = PlanCounts(random, activity_);
  const std::vector<int32_t> path = PlanPath(random, counts);
  PlanVolumes(random, counts, path);
}

std::vector<int32_t> StockDay::PlanCounts(SeededRandom& random, double activity) {
  std::vector<int32_t> counts(static_cast<size_t>(kRegularMinutes));
  const double perMinute = contractsPerMinute_ * std::pow(activity, 0.7);
  int64_t total = 0;
  for (int m = 0; m < kRegularMinutes; ++m) {
    counts[static_cast<size_t>(m)] = Poisson(random, perMinute * Intensity(m));
    total += counts[static_cast<size_t>(m)];
  }
  counts[0] = std::max(counts[0], 1);  // the opening contract
  // Every contract holds a share at least; a day with little volume has fewer contracts.
  const int64_t room = volume_ - openingQuantity_ - closingQuantity_;
  if (total + 1 > room) {
    const double keep = static_cast<double>(room) / static_cast<double>(total + 1) * 0.5;
    for (int32_t& count : counts) count = static_cast<int32_t>(count * keep);
    counts[0] = std::max(counts[0], 1);
  }
  return counts;
}

// The close of each minute with contracts, as ladder positions: a bridge from the open through the
// day's high and low to the close, noisier when trading is busy, never leaving the day's range. A
// day that closes at a limit stays there once it reached it.
std::vector<int32_t> StockDay::PlanPath(SeededRandom& random, std::vector<int32_t>& counts) {
  std::vector<int32_t> active;
  for (int m = 1; m < kRegularMinutes; ++m) {
    if (counts[static_cast<size_t>(m)] > 0) active.push_back(m);
  }
  // The high and the low each need a minute of their own.
  while (active.size() < 2) {
    const int m = 1 + static_cast<int>(random.Below(kRegularMinutes - 1));
    if (counts[static_cast<size_t>(m)] > 0) continue;
    counts[static_cast<size_t>(m)] = 1;
    active.insert(std::upper_bound(active.begin(), active.end(), m), m);
  }
  const size_t first = random.Below(static_cast<uint32_t>(active.size()));
  size_t second = random.Below(static_cast<uint32_t>(active.size() - 1));
  if (second >= first) ++second;
  const size_t early = std::min(first, second);
  const size_t late = std::max(first, second);
  const bool upperClose = closePosition_ == ladder_.Top() && highPosition_ == ladder_.Top();
  const bool lowerClose = closePosition_ == 0 && lowPosition_ == 0;
  bool highFirst = random.Unit() < (closePosition_ >= openPosition_ ? 0.4 : 0.6);
  if (upperClose) highFirst = false;
  if (lowerClose) highFirst = true;
  const bool pinned = upperClose || lowerClose;

  struct Anchor {
    size_t at;  // index into `active`, or -1 for the open
    int32_t position;
  };
  std::vector<Anchor> anchors = {{static_cast<size_t>(-1), openPosition_},
                                 {early, highFirst ? highPosition_ : lowPosition_},
                                 {late, highFirst ? lowPosition_ : highPosition_}};
  const size_t last = active.size() - 1;
  if (late != last && !pinned) {
    const int32_t wiggle = Wiggle(random);
    anchors.push_back({last, std::clamp(closePosition_ + wiggle, lowPosition_, highPosition_)});
  }
  const double range = highPosition_ - lowPosition_;
  const double scale = std::max(0.35, range / (1.2 * std::sqrt(static_cast<double>(active.size()))));

  std::vector<int32_t> path(static_cast<size_t>(kRegularMinutes), -1);
  std::vector<double> walk;
  for (size_t a = 0; a + 1 < anchors.size(); ++a) {
    const size_t from = anchors[a].at + 1;  // the first active minute after the anchor
    const size_t to = anchors[a + 1].at;
    walk.assign(to - from + 1, 0.0);
    double sum = 0;
    for (size_t k = from; k <= to; ++k) {
      sum += Normal(random) * scale * std::sqrt(Intensity(active[k]));
      walk[k - from] = sum;
    }
    const double span = static_cast<double>(to - from + 1);
    for (size_t k = from; k <= to; ++k) {
      const double along = static_cast<double>(k - from + 1) / span;
      const double position = anchors[a].position + (anchors[a + 1].position - anchors[a].position) * along +
                              walk[k - from] - along * walk.back();
      path[static_cast<size_t>(active[k])] = std::clamp(RoundToInt(position), lowPosition_, highPosition_);
    }
  }
  for (size_t k = anchors.back().at + 1; k < active.size(); ++k) {
    path[static_cast<size_t>(active[k])] =
        pinned ? anchors.back().position
               : std::clamp(path[static_cast<size_t>(active[k - 1])] + Wiggle(random), lowPosition_, highPosition_);
  }
  // The opening minute ends where the walk to the first anchor begins.
  path[0] = counts[0] > 1 ? std::clamp(openPosition_ + Wiggle(random), lowPosition_, highPosition_) : openPosition_;
  return path;
}

void StockDay::PlanVolumes(SeededRandom& random, const std::vector<int32_t>& counts, const std::vector<int32_t>& path) {
  // Minute prices: each opens near the last close and may reach a step beyond its open and close.
  std::vector<int32_t> prices(static_cast<size_t>(highPosition_ - lowPosition_ + 1));
  for (int32_t position = lowPosition_; position <= highPosition_; ++position)
    prices[static_cast<size_t>(position - lowPosition_)] = ladder_.PriceAt(position);
  auto priceAt = [&](int32_t position) { return prices[static_cast<size_t>(position - lowPosition_)]; };
  int32_t previous = openPosition_;
  std::vector<double> weights(static_cast<size_t>(kRegularMinutes), 0.0);
  std::vector<int8_t> directions(static_cast<size_t>(kRegularMinutes), 0);  // of each minute's close on its open
  double weightSum = 0;
  int64_t freeContracts = 0;
  for (int m = 0; m < kRegularMinutes; ++m) {
    const int32_t count = counts[static_cast<size_t>(m)];
    if (count == 0) continue;
    MinuteSummary& minute = minutes_[static_cast<size_t>(m)];
    const int32_t close = path[static_cast<size_t>(m)];
    int32_t open = m == 0       ? openPosition_
                   : count == 1 ? close
                                : std::clamp(previous + Wiggle(random), lowPosition_, highPosition_);
    int32_t high = std::max(open, close);
    int32_t low = std::min(open, close);
    if (count >= 3) high = std::min(highPosition_, high + Extension(random));
    if (count >= (high > std::max(open, close) ? 4 : 3)) low = std::max(lowPosition_, low - Extension(random));
    minute.open = priceAt(open);
    minute.high = priceAt(high);
    minute.low = priceAt(low);
    minute.close = priceAt(close);
    minute.count = count;
    directions[static_cast<size_t>(m)] = static_cast<int8_t>((close > open) - (close < open));
    // Volume rises when the price moves.
    const int32_t free = count - (m == 0 ? 1 : 0);
    const double weight = free * (0.6 + 0.8 * random.Unit()) * (1.0 + 0.5 * std::abs(close - previous));
    weights[static_cast<size_t>(m)] = weight;
    weightSum += weight;
    freeContracts += free;
    previous = close;
  }
  walkPosition_ = previous;

  // Volumes: every free contract holds a share, the rest is shared by weight; the opening contract
  // holds the opening auction. The regular session and the two auctions add up to the day's volume.
  const int64_t extra = std::max<int64_t>(0, volume_ - openingQuantity_ - closingQuantity_ - freeContracts);
  int64_t given = 0;
  for (int m = 0; m < kRegularMinutes; ++m) {
    MinuteSummary& minute = minutes_[static_cast<size_t>(m)];
    if (minute.count == 0) continue;
    const int32_t free = minute.count - (m == 0 ? 1 : 0);
    minute.volume =
        free + static_cast<int32_t>(static_cast<double>(extra) * weights[static_cast<size_t>(m)] / weightSum);
    given += minute.volume;
  }
  closingQuantity_ = std::max<int64_t>(1, volume_ - openingQuantity_ - given);
  for (int m = 0; m < kRegularMinutes; ++m) {
    MinuteSummary& minute = minutes_[static_cast<size_t>(m)];
    if (minute.count == 0) continue;
    const bool opening = m == 0;
    const int32_t free = minute.count - (opening ? 1 : 0);
    const int32_t freeVolume = minute.volume;
    // Buyers take more when they push the price up, on the day and in the minute.
    const double buyShare = std::clamp(0.5 + 0.25 * pressure_ + 0.12 * directions[static_cast<size_t>(m)], 0.06, 0.94);
    const int32_t freeBuys = std::clamp(RoundToInt(free * buyShare + Normal(random) * std::sqrt(free) * 0.5), 0, free);
    int32_t freeBuyVolume = 0;
    if (freeBuys == free) {
      freeBuyVolume = freeVolume;
    } else if (freeBuys > 0) {
      const double share = static_cast<double>(freeBuys) / free * (0.8 + 0.4 * random.Unit());
      freeBuyVolume = std::clamp(RoundToInt(freeVolume * share), freeBuys, freeVolume - (free - freeBuys));
    }
    const bool openingBuy = opening && openingSide_ == '1';
    minute.volume = freeVolume + (opening ? openingQuantity_ : 0);
    minute.buyCount = freeBuys + (openingBuy ? 1 : 0);
    minute.buyVolume = freeBuyVolume + (openingBuy ? openingQuantity_ : 0);
  }
}

}  // namespace ostrada::sim
