// The plan of a stock's day: how many contracts each regular minute holds, where each minute's
// prices go on the way from the open through the day's high and low to its close (with its board's
// shared moves, market_intraday.h), and how the day's volume is shared out among the minutes and the
// two sides. The rest of the day (market_day.cpp) expands the plan into contracts.
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
// The part of a day's range a stock wanders on its own within the day.
constexpr double kOwnWander = 0.5;

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
  // Nothing trades while the board pauses; the auction that ends the pause makes a contract.
  const TradingPause& pause = share_.pause;
  if (pause.Tripped()) {
    for (int m = pause.after + 1; m < pause.Resumes(); ++m) counts[static_cast<size_t>(m)] = 0;
    if (pause.Resumes() < kRegularMinutes)
      counts[static_cast<size_t>(pause.Resumes())] = std::max(counts[static_cast<size_t>(pause.Resumes())], 1);
  }
  return counts;
}

// The path as the day's moves take it, before it is fitted to the day's frame: for every regular
// minute, the price on the straight line from the open to the close, moved by the board's shared
// moves (by the stock's beta) and by a bridge of the stock's own, busier where trading is. Every
// minute takes its draws, traded or not, so the path never depends on which minutes trade.
std::vector<double> StockDay::RawPath(SeededRandom& random) const {
  const double open = ladder_.PriceAt(openPosition_);
  const double close = ladder_.PriceAt(closePosition_);
  const std::vector<double>* shared = share_.minutes.get();
  const double sharedSigma = shared != nullptr ? beta_ * share_.sigma : 0.0;
  // Much of a stock's own move is news, which the line from its open to its close already carries;
  // what it wanders on its own within the day is a part of its range.
  const double wander = kOwnWander * rangeSigma_;
  const double ownSigma = std::sqrt(std::max(wander * wander - sharedSigma * sharedSigma, 0.25 * wander * wander));
  const double step = ownSigma / std::sqrt(static_cast<double>(kRegularMinutes));
  std::vector<double> own(static_cast<size_t>(kRegularMinutes));
  double sum = 0;
  for (int m = 0; m < kRegularMinutes; ++m) own[static_cast<size_t>(m)] = sum += step * Normal(random) * std::sqrt(Intensity(m));
  std::vector<double> raw(own.size());
  for (size_t m = 0; m < raw.size(); ++m) {
    const double along = static_cast<double>(m + 1) / kRegularMinutes;
    const double moves = own[m] - along * sum + (shared != nullptr ? beta_ * (*shared)[m] : 0.0);
    raw[m] = (open + (close - open) * along) * (1.0 + moves);
  }
  return raw;
}

int32_t StockDay::NearestPosition(double price) const {
  const int32_t below = ladder_.Position(TickAtOrBelow(std::max(1, static_cast<int32_t>(price))));
  const bool above = below < ladder_.Top() && ladder_.PriceAt(below + 1) - price < price - ladder_.PriceAt(below);
  return below + (above ? 1 : 0);
}

// The close of each minute with contracts, as ladder positions: the raw path placed on the day's
// frame, the high and the low each reached in the traded minute nearest where the raw path had its
// extreme. A day that closes at a limit stays there once it reached it.
std::vector<int32_t> StockDay::PlanPath(SeededRandom& random, std::vector<int32_t>& counts) {
  const std::vector<double> raw = RawPath(random);
  std::vector<bool> active(static_cast<size_t>(kRegularMinutes), false);
  int activeCount = 0;
  for (int m = 1; m < kRegularMinutes; ++m) {
    active[static_cast<size_t>(m)] = counts[static_cast<size_t>(m)] > 0;
    activeCount += active[static_cast<size_t>(m)] ? 1 : 0;
  }
  // The high and the low each need a minute of their own.
  while (activeCount < 2) {
    const int m = 1 + static_cast<int>(random.Below(kRegularMinutes - 1));
    if (active[static_cast<size_t>(m)] || share_.pause.Covers(m)) continue;
    counts[static_cast<size_t>(m)] = 1;
    active[static_cast<size_t>(m)] = true;
    ++activeCount;
  }
  const auto highest = std::max_element(raw.begin(), raw.end());
  const auto lowest = std::min_element(raw.begin(), raw.end());
  DayFrame frame;
  frame.open = ladder_.PriceAt(openPosition_);
  frame.high = ladder_.PriceAt(highPosition_);
  frame.low = ladder_.PriceAt(lowPosition_);
  frame.close = ladder_.PriceAt(closePosition_);
  frame.rawHigh = *highest;
  frame.rawLow = *lowest;
  std::vector<int32_t> path(static_cast<size_t>(kRegularMinutes), -1);
  for (int m = 0; m < kRegularMinutes; ++m) {
    path[static_cast<size_t>(m)] =
        std::clamp(NearestPosition(frame.Place(raw[static_cast<size_t>(m)])), lowPosition_, highPosition_);
  }
  const bool upperClose = closePosition_ == ladder_.Top() && highPosition_ == ladder_.Top();
  const bool lowerClose = closePosition_ == 0 && lowPosition_ == 0;
  const bool needHigh = highPosition_ > std::max(openPosition_, closePosition_) || upperClose;
  const bool needLow = lowPosition_ < std::min(openPosition_, closePosition_) || lowerClose;
  const auto argHigh = static_cast<int>(highest - raw.begin());
  const auto argLow = static_cast<int>(lowest - raw.begin());
  int highMinute = -1;
  int lowMinute = -1;
  // A day that closes at a limit reaches its other extreme first, then the limit, and stays there.
  if (upperClose) {
    if (needLow) lowMinute = EligibleNear(active, argLow, -1);
    highMinute = EligibleNear(active, std::max(argHigh, lowMinute + 1), lowMinute);
  } else if (lowerClose) {
    if (needHigh) highMinute = EligibleNear(active, argHigh, -1);
    lowMinute = EligibleNear(active, std::max(argLow, highMinute + 1), highMinute);
  } else {
    if (needHigh) highMinute = EligibleNear(active, argHigh, -1);
    if (needLow) lowMinute = EligibleNear(active, argLow, highMinute);
  }
  if (highMinute >= 0) path[static_cast<size_t>(highMinute)] = highPosition_;
  if (lowMinute >= 0) path[static_cast<size_t>(lowMinute)] = lowPosition_;
  if (upperClose || lowerClose) {
    for (int m = std::max(highMinute, lowMinute) + 1; m < kRegularMinutes; ++m)
      path[static_cast<size_t>(m)] = upperClose ? highPosition_ : lowPosition_;
  }
  // The opening minute ends near the open when it holds more than the opening contract.
  if (counts[0] <= 1) path[0] = openPosition_;
  for (int m = 0; m < kRegularMinutes; ++m) {
    if (counts[static_cast<size_t>(m)] == 0) path[static_cast<size_t>(m)] = -1;
  }
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
