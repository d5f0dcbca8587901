#include "broker/sim/market/market_day.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/market_random.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

// Salts of the independent streams of one day; a record's draws never depend on how many draws
// another record made, so any part of the day can be rebuilt on its own.
constexpr uint64_t kTimesSalt = 11;
constexpr uint64_t kPathSalt = 12;
constexpr uint64_t kSidesSalt = 13;
constexpr uint64_t kSizesSalt = 14;
constexpr uint64_t kPreOpenSalt = 10000;
constexpr uint64_t kClosingSalt = 20000;

// Gives each listed trade at least one share and shares out the rest of `total` by random weights;
// the quantities add up to `total` exactly. REQUIRES: total >= indices.size().
void SplitQuantity(int32_t total, const std::vector<int32_t>& indices, SeededRandom& random, Trade* trades) {
  if (indices.empty()) return;
  // Most orders are small and a few very large.
  std::vector<int64_t> weights(indices.size());
  int64_t weightSum = 0;
  for (int64_t& weight : weights) {
    weight = RoundToInt(10.0 / std::pow(random.Unit() + 0.002, 0.8));
    weightSum += weight;
  }
  const int64_t extra = total - static_cast<int64_t>(indices.size());
  int64_t given = 0;
  for (size_t j = 0; j < indices.size(); ++j) {
    const auto quantity = static_cast<int32_t>(1 + extra * weights[j] / weightSum);
    trades[indices[j]].quantity = quantity;
    given += quantity;
  }
  for (int64_t j = 0; given < total; ++j, ++given) trades[indices[static_cast<size_t>(j)]].quantity += 1;
}

// A walk of `count` ladder positions from `open` to `close` that reaches exactly `high` and `low`
// (at random inner contracts when the open and close do not), never leaving them.
// REQUIRES: count >= 2 + the number of extremes beyond the open and close.
std::vector<int32_t> PathThroughExtremes(int32_t count, int32_t open, int32_t high, int32_t low, int32_t close,
                                         SeededRandom& random) {
  std::vector<int32_t> positions(static_cast<size_t>(count), open);
  if (count < 2) return positions;
  std::pair<int32_t, int32_t> points[4];  // (contract, position), in contract order
  int n = 0;
  points[n++] = {0, open};
  const bool needHigh = high > std::max(open, close);
  const bool needLow = low < std::min(open, close);
  if (needHigh && needLow) {
    const int32_t first = 1 + static_cast<int32_t>(random.Below(static_cast<uint32_t>(count - 2)));
    int32_t second = 1 + static_cast<int32_t>(random.Below(static_cast<uint32_t>(count - 3)));
    if (second >= first) ++second;
    points[n++] = {first, high};
    points[n++] = {second, low};
  } else if (needHigh || needLow) {
    points[n++] = {1 + static_cast<int32_t>(random.Below(static_cast<uint32_t>(count - 2))), needHigh ? high : low};
  }
  points[n++] = {count - 1, close};
  if (n == 4 && points[1].first > points[2].first) std::swap(points[1], points[2]);
  for (int p = 0; p + 1 < n; ++p) {
    const auto [fromIndex, fromPosition] = points[p];
    const auto [toIndex, toPosition] = points[p + 1];
    positions[static_cast<size_t>(fromIndex)] = fromPosition;
    for (int32_t i = fromIndex + 1; i < toIndex; ++i) {
      const double along = static_cast<double>(i - fromIndex) / (toIndex - fromIndex);
      const int32_t position = RoundToInt(fromPosition + (toPosition - fromPosition) * along) + Wiggle(random);
      positions[static_cast<size_t>(i)] = std::clamp(position, low, high);
    }
    positions[static_cast<size_t>(toIndex)] = toPosition;
  }
  return positions;
}

// Gives exactly `buyCount` of the trades from `firstFree` on to buyers, upticks most likely, and
// lists the buyers' and the sellers' trades in order. `previous` is the position before the first.
void AssignSides(const std::vector<int32_t>& positions, int32_t previous, int32_t firstFree, int32_t buyCount,
                 SeededRandom& random, Trade* trades, std::vector<int32_t>& buys, std::vector<int32_t>& sells) {
  std::vector<std::pair<double, int32_t>> scores;  // highest score first
  for (auto i = static_cast<size_t>(firstFree); i < positions.size(); ++i) {
    const int32_t move = positions[i] - (i == 0 ? previous : positions[i - 1]);
    scores.emplace_back(-(2.0 * ((move > 0) - (move < 0)) + random.Unit()), static_cast<int32_t>(i));
  }
  // Only which trades are the buyers matters, not their order among themselves.
  const auto buyers = std::clamp<std::ptrdiff_t>(buyCount, 0, static_cast<std::ptrdiff_t>(scores.size()));
  std::nth_element(scores.begin(), scores.begin() + buyers, scores.end());
  for (std::ptrdiff_t j = 0; j < static_cast<std::ptrdiff_t>(scores.size()); ++j) {
    trades[scores[static_cast<size_t>(j)].second].side = j < buyers ? '1' : '2';
  }
  for (auto i = firstFree; i < static_cast<int32_t>(positions.size()); ++i) {
    (trades[i].side == '1' ? buys : sells).push_back(i);
  }
}

}  // namespace

StockDay::StockDay(const StockProfile& profile, uint64_t daySeed, const DayDraw& draw, DayShare share)
    : daySeed_(daySeed),
      previousClose_(draw.bar.close - draw.bar.change),
      ladder_(previousClose_),
      share_(std::move(share)) {
  SeededRandom random(daySeed);
  halted_ = draw.halted;
  contractsPerMinute_ = profile.contractsPerSecond * 60.0;
  pressure_ = draw.pressure;
  activity_ = draw.activity;
  beta_ = draw.beta;
  // The range's estimate of the day's volatility (Parkinson's), without a library logarithm.
  const double range = static_cast<double>(draw.bar.high - draw.bar.low) / std::max(1, draw.bar.high + draw.bar.low);
  rangeSigma_ = 2.0 * range / 1.665;
  volume_ = draw.bar.volume;
  openPosition_ = ladder_.Position(draw.bar.open);
  highPosition_ = ladder_.Position(draw.bar.high);
  lowPosition_ = ladder_.Position(draw.bar.low);
  closePosition_ = ladder_.Position(draw.bar.close);
  // The auctions: a few percent of the day's volume at the open, more at the close.
  openingQuantity_ = std::max(1, RoundToInt(volume_ * (0.015 + 0.025 * random.Unit())));
  closingQuantity_ = std::max(1, RoundToInt(volume_ * (0.035 + 0.055 * random.Unit())));
  openingSide_ = draw.bar.open >= previousClose_ ? '1' : '2';
  const double perSecond = profile.contractsPerSecond;
  preInterval_ = closingInterval_ = perSecond >= 1.0    ? 10000
                                    : perSecond >= 0.2  ? 20000
                                    : perSecond >= 0.05 ? 30000
                                                        : 60000;
  meanQuantity_ = std::max(1, RoundToInt(volume_ / std::max(1.0, contractsPerMinute_ * kRegularMinutes * activity_)));
  walkPosition_ = openPosition_;
}

const MinuteSummary& StockDay::Minute(int m) {
  EnsurePlanned();
  return minutes_[static_cast<size_t>(m)];
}

const std::vector<Trade>& StockDay::MinuteTrades(int m) {
  if (m != cachedMinute_) {
    cachedTrades_.clear();
    if (m >= 0 && m < kRegularMinutes) Expand(m, cachedTrades_);
    cachedMinute_ = m;
  }
  return cachedTrades_;
}

void StockDay::Expand(int m, std::vector<Trade>& out) {
  const MinuteSummary summary = Minute(m);
  const int32_t count = summary.count;
  if (count == 0) return;
  const uint64_t seed = DeriveSeed(daySeed_, static_cast<uint64_t>(m) + 1);
  SeededRandom times(DeriveSeed(seed, kTimesSalt));
  SeededRandom path(DeriveSeed(seed, kPathSalt));
  SeededRandom sides(DeriveSeed(seed, kSidesSalt));
  SeededRandom sizes(DeriveSeed(seed, kSizesSalt));
  const bool opening = m == 0;
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(count));
  Trade* trades = out.data() + start;

  // Times spread evenly with jitter, in order; the opening contract is exactly at 09:00:00, and the
  // contract of the auction that ends a pause exactly when trading resumes.
  const int32_t minuteStart = kOpenMs + m * kMsPerMinute;
  const bool auctioned = opening || (share_.pause.Tripped() && m == share_.pause.Resumes());
  for (int32_t i = 0; i < count; ++i) {
    const double at = auctioned && i == 0 ? 0.0 : (i + times.Unit()) * kMsPerMinute / count;
    trades[i].timeMs = minuteStart + static_cast<int32_t>(at);
  }

  const std::vector<int32_t> positions =
      PathThroughExtremes(count, ladder_.Position(summary.open), ladder_.Position(summary.high),
                          ladder_.Position(summary.low), ladder_.Position(summary.close), path);

  int32_t previous = ladder_.Position(previousClose_);
  for (int before = m - 1; before >= 0; --before) {
    if (minutes_[static_cast<size_t>(before)].count > 0) {
      previous = ladder_.Position(minutes_[static_cast<size_t>(before)].close);
      break;
    }
  }
  const bool openingBuy = opening && openingSide_ == '1';
  std::vector<int32_t> buys;
  std::vector<int32_t> sells;
  AssignSides(positions, previous, opening ? 1 : 0, summary.buyCount - (openingBuy ? 1 : 0), sides, trades, buys,
              sells);

  // Quantities: buyers' and sellers' parts add up to the summary exactly.
  const int32_t fixedQuantity = opening ? openingQuantity_ : 0;
  const int32_t freeBuyVolume = summary.buyVolume - (openingBuy ? openingQuantity_ : 0);
  const int32_t freeSellVolume = summary.volume - fixedQuantity - freeBuyVolume;
  SplitQuantity(freeBuyVolume, buys, sizes, trades);
  SplitQuantity(freeSellVolume, sells, sizes, trades);
  if (opening) {
    trades[0].side = openingSide_;
    trades[0].quantity = openingQuantity_;
  }

  const Totals before = TotalsBefore(m);
  int32_t buyVolume = before.buyVolume;
  int32_t sellVolume = before.sellVolume;
  for (int32_t i = 0; i < count; ++i) {
    Trade& trade = trades[i];
    trade.price = ladder_.PriceAt(positions[static_cast<size_t>(i)]);
    trade.phase = Phase::kRegular;
    (trade.side == '1' ? buyVolume : sellVolume) += trade.quantity;
    trade.buyVolume = buyVolume;
    trade.sellVolume = sellVolume;
    trade.volume = buyVolume + sellVolume;
    Quote(trade);
  }
}

void StockDay::Totals::Add(const Trade& trade) {
  count += 1;
  value += static_cast<int64_t>(trade.price) * trade.quantity;
  high = std::max(high, trade.price);
  low = low == 0 ? trade.price : std::min(low, trade.price);
}

StockDay::Totals StockDay::TotalsBefore(int m) {
  Totals totals;
  EnsurePlanned();
  for (int i = 0; i < m && i < kRegularMinutes; ++i) {
    const MinuteSummary& minute = minutes_[static_cast<size_t>(i)];
    if (minute.count == 0) continue;
    totals.volume += minute.volume;
    totals.buyVolume += minute.buyVolume;
    totals.count += minute.count;
    totals.value += static_cast<int64_t>(minute.volume) * ((minute.open + minute.close) / 2);
    totals.high = std::max(totals.high, minute.high);
    totals.low = totals.low == 0 ? minute.low : std::min(totals.low, minute.low);
  }
  totals.sellVolume = totals.volume - totals.buyVolume;
  return totals;
}

int32_t StockDay::RegularCount() {
  return TotalsBefore(kRegularMinutes).count;
}

int32_t StockDay::LastRegularPosition() {
  EnsurePlanned();
  return walkPosition_;
}

int32_t StockDay::ClosePosition() {
  return closePosition_;
}

void StockDay::Quote(Trade& trade) const {
  const int32_t position = ladder_.Position(trade.price);
  // Few orders wait in a thin stock's book: the other side stands a tick or a few away.
  int32_t spread = 1;
  if (contractsPerMinute_ < 4.0) {
    const uint64_t draw = DeriveSeed(daySeed_, static_cast<uint64_t>(trade.timeMs)) % 8;
    spread += contractsPerMinute_ < 1.0 ? static_cast<int32_t>(draw % 4) : draw < 3 ? 1 : 0;
  }
  if (trade.side == '1') {
    trade.ask = trade.price;
    trade.bid = position - spread >= 0 ? ladder_.PriceAt(position - spread) : 0;
  } else {
    trade.bid = trade.price;
    trade.ask = position + spread <= ladder_.Top() ? ladder_.PriceAt(position + spread) : 0;
  }
}

Trade StockDay::AuctionRecord(int32_t index, bool closing) {
  Trade record;
  record.phase = Phase::kAuction;
  const int32_t count = closing ? ClosingAuctionCount() : PreOpenCount();
  record.timeMs =
      (closing ? kClosingAuctionMs + (index + 1) * closingInterval_ : kPreOpenMs + (index + 1) * preInterval_);
  const int32_t from = closing ? LastRegularPosition() : ladder_.Position(previousClose_);
  const int32_t to = closing ? ClosePosition() : openPosition_;
  SeededRandom random(DeriveSeed(daySeed_, (closing ? kClosingSalt : kPreOpenSalt) + static_cast<uint64_t>(index)));
  int32_t position = from + RoundToInt((to - from) * static_cast<double>(index + 1) / count);
  if (index + 1 < count) position += static_cast<int32_t>(random.Below(5)) - 2;
  position = ladder_.Clamp(position);
  record.price = ladder_.PriceAt(position);
  const int32_t full = closing ? closingQuantity_ : openingQuantity_;
  record.quantity = std::max<int32_t>(1, static_cast<int32_t>(static_cast<int64_t>(full) * (index + 1) / count));
  record.side = position >= from ? '1' : '2';
  if (closing) {
    const Totals totals = TotalsBefore(kRegularMinutes);
    record.volume = totals.volume;
    record.buyVolume = totals.buyVolume;
    record.sellVolume = totals.sellVolume;
  }
  Quote(record);
  return record;
}

Trade StockDay::ClosingContract() {
  const Totals totals = TotalsBefore(kRegularMinutes);
  const int32_t position = ClosePosition();
  Trade trade;
  trade.timeMs = kCloseMs;
  trade.price = ladder_.PriceAt(position);
  trade.quantity = closingQuantity_;
  trade.side = position >= LastRegularPosition() ? '1' : '2';
  trade.buyVolume = totals.buyVolume + (trade.side == '1' ? trade.quantity : 0);
  trade.sellVolume = totals.sellVolume + (trade.side == '2' ? trade.quantity : 0);
  trade.volume = trade.buyVolume + trade.sellVolume;
  trade.phase = Phase::kRegular;
  Quote(trade);
  return trade;
}

int32_t StockDay::CountAt(int32_t ms) {
  if (halted_ || ms < kPreOpenMs) return 0;
  int32_t count = std::min(PreOpenCount(), (ms - kPreOpenMs) / preInterval_);
  if (ms < kOpenMs) return count;
  const int m = std::min(kRegularMinutes, (ms - kOpenMs) / kMsPerMinute);
  count += TotalsBefore(m).count;
  if (m < kRegularMinutes) {
    for (const Trade& trade : MinuteTrades(m)) count += trade.timeMs <= ms ? 1 : 0;
    return count;
  }
  count += std::min(ClosingAuctionCount(), (ms - kClosingAuctionMs) / closingInterval_);
  return count + (ms >= kCloseMs ? 1 : 0);
}

void StockDay::Records(int32_t first, int32_t count, std::vector<Trade>& out) {
  if (halted_ || count <= 0 || first < 0) return;
  const int32_t end = first + count;
  int32_t ordinal = first;
  for (; ordinal < end && ordinal < PreOpenCount(); ++ordinal) out.push_back(AuctionRecord(ordinal, false));
  int32_t minuteStart = PreOpenCount();
  for (int m = 0; m < kRegularMinutes && ordinal < end; ++m) {
    const int32_t inMinute = Minute(m).count;
    if (ordinal < minuteStart + inMinute) {
      const std::vector<Trade>& minute = MinuteTrades(m);
      for (; ordinal < end && ordinal < minuteStart + inMinute; ++ordinal) {
        out.push_back(minute[static_cast<size_t>(ordinal - minuteStart)]);
      }
    }
    minuteStart += inMinute;
  }
  const int32_t closingEnd = minuteStart + ClosingAuctionCount();
  for (; ordinal < end && ordinal < closingEnd; ++ordinal) out.push_back(AuctionRecord(ordinal - minuteStart, true));
  if (ordinal < end && ordinal == closingEnd) out.push_back(ClosingContract());
}

DayState StockDay::StateAt(int32_t ms) {
  DayState state;
  state.phase = PhaseAt(ms);
  state.halted = halted_;
  state.paused = !halted_ && share_.pause.Tripped() && ms >= share_.pause.StartMs() && ms < share_.pause.EndMs();
  state.previousClose = previousClose_;
  state.price = previousClose_;
  if (halted_) return state;
  Trade last;
  last.price = previousClose_;
  Quote(last);
  if (ms >= kPreOpenMs && ms < kOpenMs) {
    const int32_t records = std::min(PreOpenCount(), (ms - kPreOpenMs) / preInterval_);
    if (records > 0) {
      const Trade expected = AuctionRecord(records - 1, false);
      state.expected = expected.price;
      state.lastTimeMs = expected.timeMs;
    }
  }
  if (ms >= kOpenMs) {
    const int m = std::min(kRegularMinutes, (ms - kOpenMs) / kMsPerMinute);
    Totals totals = TotalsBefore(m);
    bool traded = false;
    if (m < kRegularMinutes) {
      for (const Trade& trade : MinuteTrades(m)) {
        if (trade.timeMs > ms) break;
        totals.Add(trade);
        last = trade;
        traded = true;
      }
    }
    for (int before = m - 1; !traded && before >= 0; --before) {
      if (Minute(before).count == 0) continue;
      last = MinuteTrades(before).back();
      traded = true;
    }
    if (ms >= kClosingAuctionMs && ms < kCloseMs) {
      const int32_t records = std::min(ClosingAuctionCount(), (ms - kClosingAuctionMs) / closingInterval_);
      if (records > 0) state.expected = AuctionRecord(records - 1, true).price;
    }
    if (ms >= kCloseMs) {
      last = ClosingContract();
      totals.Add(last);
    }
    state.open = Minute(0).open;
    state.high = totals.high;
    state.low = totals.low;
    state.price = last.price;
    state.volume = last.volume;
    state.buyVolume = last.buyVolume;
    state.sellVolume = last.sellVolume;
    state.contracts = totals.count;
    state.value = totals.value;
    state.lastTimeMs = last.timeMs;
    state.lastSide = last.side;
  }
  state.ask = last.ask;
  state.bid = last.bid;
  return state;
}

}  // namespace ostrada::sim
