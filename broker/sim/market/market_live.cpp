#include "broker/sim/market/market_live.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "broker/sim/market/market_random.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr uint64_t kDriftSalt = 0x4452494654000000ull;
constexpr uint64_t kMomentSalt = 0x4d4f4d454e540000ull;
constexpr int32_t kNever = std::numeric_limits<int32_t>::max();

// Minutes of a stock's ordinary volume each level holds as the book usually stands: less at the touch,
// which contracts keep taking, level from the fifth on, so a price keeps its depth as the touch moves.
constexpr std::array<double, kBookLevels> kLevelMinutes = {0.7, 1.1, 1.4, 1.6, 1.7, 1.7, 1.7, 1.7, 1.7, 1.7};
// A thin stock trades less than a contract a minute; its levels still hold a few contracts' worth.
constexpr double kThinLevelContracts = 3.0;
// A level is never deeper than this, whatever the stock trades.
constexpr double kDeepestLevel = 50'000'000;
// A price's depth is a walk over its own moments: each moment's draw, and the three before it
// fading by this much each, so a level remembers its last minute or so and then forgets.
constexpr int kDriftTerms = 4;
constexpr double kDriftFade = 0.7;
constexpr double kDriftScale = 0.45;

// The price `steps` ladder steps from `price`, or 0 beyond the day's limits.
int32_t Step(const PriceLadder& ladder, int32_t price, int steps) {
  const int32_t position = ladder.Position(price) + steps;
  return position < 0 || position > ladder.Top() ? 0 : ladder.PriceAt(position);
}

int SideNumber(BookSide side) {
  return side == BookSide::kAsk ? 0 : 1;
}

// How often a price's depth moves on its own: every few seconds in a busy stock, under a minute
// apart in a thin one.
int32_t ChangePeriod(const StockDay& day) {
  return std::max(5000, RoundToInt(40000.0 / (1.0 + 1.5 * day.ContractsPerSecond())));
}

// A price's moments are its period apart, each price and side offset on its own; they stand still
// while the board's trading pauses, so the book resumes as it stood.
struct Moments {
  int32_t offset;
  int32_t period;
  TradingPause pause;
  // The moment in force at `ms` (depth stops moving at the close).
  int64_t At(int32_t ms) const { return (pause.BookMs(std::min(ms, kCloseMs)) - offset) / period; }
  int32_t After(int32_t ms) const {
    const int64_t next = pause.RealMs(static_cast<int32_t>(offset + (At(ms) + 1) * period));
    return ms >= kCloseMs || next > kCloseMs ? kNever : static_cast<int32_t>(next);
  }
};

uint64_t PriceSeed(uint64_t seed, BookSide side, int32_t price) {
  return DeriveSeed(seed ^ kDriftSalt, static_cast<uint64_t>(price) * 2 + static_cast<uint64_t>(SideNumber(side)));
}

Moments MomentsOf(const StockDay& day, uint64_t priceSeed) {
  const int32_t period = ChangePeriod(day);
  return {static_cast<int32_t>(DeriveSeed(priceSeed, kMomentSalt) % static_cast<uint64_t>(period)), period,
          day.Pause()};
}

// The price's depth against its usual one at moment `moment`: about one, from a third to three times.
double Drift(uint64_t priceSeed, int64_t moment) {
  double walk = 0;
  double weight = 1;
  for (int j = 0; j < kDriftTerms; ++j, weight *= kDriftFade) {
    SeededRandom draw(DeriveSeed(priceSeed, static_cast<uint64_t>(moment - j)));
    walk += weight * (2.0 * draw.Unit() - 1.0);
  }
  return std::exp(kDriftScale * walk);
}

// What the market's orders hold at `ms` at the touch's `level`-th price of the side (0: the best).
int32_t LevelDepth(const StockDay& day, const BookTouch& touch, uint64_t seed, int32_t ms, BookSide side, int level,
                   int32_t price) {
  const uint64_t priceSeed = PriceSeed(seed, side, price);
  int32_t quantity =
      std::max(1, RoundToInt(UsualDepth(day, level) * Drift(priceSeed, MomentsOf(day, priceSeed).At(ms))));
  // The level a run of contracts keeps taking is worn down, and refilled once taken whole.
  if (level == 0 && side == touch.taken && touch.run > 0) quantity -= touch.run % quantity;
  return quantity;
}

// Which of the side's ten levels around the touch the price is (0: the best), or -1 when none.
int LevelOf(const PriceLadder& ladder, const BookTouch& touch, BookSide side, int32_t price) {
  const int32_t best = side == BookSide::kAsk ? touch.ask : touch.bid;
  if (!touch.open || best <= 0 || ladder.PriceAt(ladder.Position(price)) != price) return -1;
  const int32_t steps = ladder.Position(price) - ladder.Position(best);
  const int32_t level = side == BookSide::kAsk ? steps : -steps;
  return level < kBookLevels ? std::max(level, -1) : -1;
}

}  // namespace

int32_t UsualDepth(const StockDay& day, int level) {
  // The day's mean contract times the stock's contracts a minute is its ordinary minute's volume:
  // the mean contract already leaves out how busy the day is.
  const double minute = day.MeanQuantity() * std::max(day.ContractsPerSecond() * 60.0, kThinLevelContracts);
  const auto at = static_cast<size_t>(std::clamp(level, 0, kBookLevels - 1));
  return std::max(1, RoundToInt(std::min(kDeepestLevel, minute * kLevelMinutes[at])));
}

void BookTouch::Follow(const Trade& record) {
  const Trade before = std::exchange(last, record);
  ask = record.ask;
  bid = record.bid;
  if (record.phase != Phase::kRegular) {
    run = 0;
    runMinute = -1;
    return;
  }
  const int minute = record.timeMs < kClosingAuctionMs ? (record.timeMs - kOpenMs) / kMsPerMinute : kRegularMinutes;
  const BookSide side = record.side == '1' ? BookSide::kAsk : BookSide::kBid;
  const bool sameRun = minute == runMinute && side == taken && record.price == before.price;
  run = sameRun ? run + record.quantity : record.quantity;
  runMinute = minute;
  taken = side;
}

BookTouch TouchAt(StockDay& day, int32_t ms) {
  BookTouch touch;
  if (day.Halted() || ms < kPreOpenMs) return touch;
  touch.open = true;
  const int32_t count = day.CountAt(ms);
  if (count == 0) {
    // Before the first expected price the book stands around the previous close.
    const DayState state = day.StateAt(kPreOpenMs);
    touch.ask = state.ask;
    touch.bid = state.bid;
    return touch;
  }
  std::vector<Trade> records;
  day.Records(count - 1, 1, records);
  touch.Follow(records.front());
  if (touch.runMinute < 0 || touch.runMinute >= kRegularMinutes) return touch;
  // The run of like contracts that ends with the last one, within its minute.
  const std::vector<Trade>& minute = day.MinuteTrades(touch.runMinute);
  auto end = std::find_if(minute.rbegin(), minute.rend(), [&](const Trade& t) { return t.timeMs <= ms; });
  touch.run = 0;
  for (auto it = end; it != minute.rend() && it->side == touch.last.side && it->price == touch.last.price; ++it)
    touch.run += it->quantity;
  return touch;
}

MarketDepth DepthAt(const StockDay& day, const BookTouch& touch, uint64_t seed, int32_t ms) {
  MarketDepth depth;
  if (!touch.open) return depth;
  const PriceLadder& ladder = day.Ladder();
  auto fill = [&](BookSide side, int32_t best, int direction, std::array<QuoteLevel, kBookLevels>& levels) {
    for (int i = 0; i < kBookLevels && best > 0; ++i) {
      const int32_t price = Step(ladder, best, direction * i);
      if (price == 0) break;
      levels[static_cast<size_t>(i)] = {price, LevelDepth(day, touch, seed, ms, side, i, price)};
    }
  };
  fill(BookSide::kAsk, touch.ask, 1, depth.asks);
  fill(BookSide::kBid, touch.bid, -1, depth.bids);
  return depth;
}

QuotePicture DrawBook(StockDay& day, uint64_t seed, int32_t ms) {
  const MarketDepth depth = DepthAt(day, TouchAt(day, ms), seed, ms);
  QuotePicture picture;
  picture.timeMs = ms;
  picture.asks = depth.asks;
  picture.bids = depth.bids;
  return picture;
}

LiveBook::LiveBook(StockDay& day, uint64_t seed, int32_t ms) : day_(day), seed_(seed) {
  StartAt(ms);
}

void LiveBook::StartAt(int32_t ms) {
  ms_ = ms;
  ordinal_ = day_.CountAt(ms);
  volume_ = day_.StateAt(ms).volume;
  touch_ = TouchAt(day_, ms);
  Settle(ms);
  picture_ = previous_ = book_.Picture(ms);
}

void LiveBook::AdvanceTo(int32_t ms, std::vector<MarketEvent>* events) {
  if (ms <= ms_) return;
  const int32_t target = day_.CountAt(ms);
  std::vector<Trade> records;
  // Nobody watching and no owned order resting, nothing on the way to the last record matters (the
  // market's orders are the day's depth again after every record): the book starts afresh just
  // before it, as a book first asked for then would, and follows the rest. A jump of hours then
  // costs what a moment does.
  if (events == nullptr && target - ordinal_ > 1 && OwnedLevels().empty()) {
    day_.Records(target - 1, 1, records);
    const int32_t before = records.front().timeMs - 1;
    records.clear();
    if (before > ms_) StartAt(before);
  }
  records.reserve(static_cast<size_t>(target - ordinal_));
  day_.Records(ordinal_, target - ordinal_, records);
  // Nobody watching, the market's orders matter only where an owned order rests: elsewhere they are
  // the day's depth again after every record, whatever they were. So up to the last record only the
  // owned levels follow the day, and then the whole book is settled, as it stood then, and follows
  // the rest as a watched book does: what it shows afterwards, and the fills, are the same.
  const size_t partial = events == nullptr && !records.empty() ? records.size() - 1 : 0;
  const std::vector<OwnedLevel> owned = partial > 0 ? OwnedLevels() : std::vector<OwnedLevel>{};
  int32_t followed = ms_;  // the moment the owned levels were last settled at
  // The book opens at the pre-open, before its first record.
  int32_t opening = !touch_.open && !day_.Halted() && ms_ < kPreOpenMs ? kPreOpenMs : kNever;
  for (size_t next = 0;;) {
    if (next == partial && partial > 0 && followed != kNever) {
      Settle(followed);
      picture_ = book_.Picture(followed);
      followed = kNever;
    }
    const bool whole = next >= partial;
    const int32_t record = next < records.size() ? records[next].timeMs : kNever;
    const int32_t change = std::min(nextChange_, opening);
    if (record <= change) {
      if (record > ms) break;
      Apply(records[next], whole ? nullptr : &owned);
      if (whole) Publish(record, MarketEvent::Kind::kContract, &records[next], events);
      followed = whole ? kNever : record;
      ++next;
      continue;
    }
    if (change > ms) break;
    if (change == opening) {
      touch_ = TouchAt(day_, kPreOpenMs);
      opening = kNever;
    }
    if (!whole) {
      SettleOwned(owned, change);
      followed = change;
      continue;
    }
    Settle(change);
    const QuotePicture settled = book_.Picture(change);
    if (settled.asks != picture_.asks || settled.bids != picture_.bids)
      Publish(change, MarketEvent::Kind::kQuote, nullptr, events);
  }
  ordinal_ = target;
  ms_ = ms;
}

std::vector<OrderBook::Fill> LiveBook::TakeFills() {
  return std::exchange(fills_, {});
}

void LiveBook::Republish(int32_t ms, const Trade* record, std::vector<MarketEvent>* events) {
  Publish(ms, record != nullptr ? MarketEvent::Kind::kContract : MarketEvent::Kind::kQuote, record, events);
}

std::vector<LiveBook::OwnedLevel> LiveBook::OwnedLevels() const {
  std::vector<OwnedLevel> owned;
  for (BookSide side : {BookSide::kAsk, BookSide::kBid}) {
    for (int32_t price : book_.OwnedPrices(side)) owned.push_back({side, price});
  }
  return owned;
}

void LiveBook::Settle(int32_t ms) {
  const MarketDepth depth = DepthAt(day_, touch_, seed_, ms);
  nextChange_ = kNever;
  auto settle = [&](BookSide side, const std::array<QuoteLevel, kBookLevels>& levels) {
    std::array<int32_t, kBookLevels> prices{};
    for (size_t i = 0; i < levels.size(); ++i) prices[i] = levels[i].price;
    book_.KeepMarketOnlyAt(side, prices);
    for (const QuoteLevel& level : levels) {
      if (level.price == 0) break;
      Bring(side, level.price, level.quantity);
      nextChange_ = std::min(nextChange_, MomentsOf(day_, PriceSeed(seed_, side, level.price)).After(ms));
    }
  };
  settle(BookSide::kAsk, depth.asks);
  settle(BookSide::kBid, depth.bids);
}

void LiveBook::SettleOwned(const std::vector<OwnedLevel>& owned, int32_t ms) {
  nextChange_ = kNever;
  for (const OwnedLevel& at : owned) {
    const int level = LevelOf(day_.Ladder(), touch_, at.side, at.price);
    Bring(at.side, at.price, level < 0 ? 0 : LevelDepth(day_, touch_, seed_, ms, at.side, level, at.price));
    if (level >= 0) nextChange_ = std::min(nextChange_, MomentsOf(day_, PriceSeed(seed_, at.side, at.price)).After(ms));
  }
}

void LiveBook::Bring(BookSide side, int32_t price, int32_t depth) {
  const int32_t resting = book_.MarketQuantityAt(side, price);
  if (resting < depth) book_.Add(side, price, {0, depth - resting, 0});
  if (resting > depth) book_.Withdraw(side, price, resting - depth);
}

void LiveBook::Apply(const Trade& record, const std::vector<OwnedLevel>* owned) {
  const size_t before = fills_.size();
  const int32_t price = record.price;
  const bool buyerTook = record.side == '1';
  // Nothing may rest across the record's price: asks below it and bids above it are gone.
  // An account's order there was traded through: it takes at most this contract's quantity.
  book_.ClearBeyond(BookSide::kAsk, buyerTook ? price : price + 1, record.quantity, &fills_);
  book_.ClearBeyond(BookSide::kBid, buyerTook ? price - 1 : price, record.quantity, &fills_);
  if (record.phase == Phase::kRegular) {
    const BookSide taken = buyerTook ? BookSide::kAsk : BookSide::kBid;
    // The tape decides what trades: a level short of the contract had the rest arrive just before.
    const int32_t missing = record.quantity - book_.QuantityAt(taken, price);
    if (missing > 0) book_.Add(taken, price, {0, missing, 0});
    book_.Take(taken, price, record.quantity, &fills_);
    volume_ = record.volume;
  }
  const PriceLadder& ladder = day_.Ladder();
  // A side the record shows empty loses the market's orders; an account's stay, as nothing traded them.
  if (record.ask == 0) book_.ClearBeyond(BookSide::kAsk, ladder.Upper() + 1, 0, &fills_);
  if (record.bid == 0) book_.ClearBeyond(BookSide::kBid, ladder.Lower() - 1, 0, &fills_);
  // However late the account looks, a fill happened when its contract did.
  for (size_t i = before; i < fills_.size(); ++i) fills_[i].timeMs = record.timeMs;
  touch_.Follow(record);
  if (owned != nullptr) {
    SettleOwned(*owned, record.timeMs);
  } else {
    Settle(record.timeMs);
  }
}

void LiveBook::Publish(int32_t ms, MarketEvent::Kind kind, const Trade* record, std::vector<MarketEvent>* events) {
  previous_ = picture_;
  picture_ = book_.Picture(ms);
  if (events == nullptr) return;
  MarketEvent& event = events->emplace_back();
  event.kind = kind;
  event.timeMs = ms;
  if (record != nullptr) event.trade = *record;
  event.quote = picture_;
  event.volume = volume_;
  event.previousClose = day_.PreviousClose();
}

}  // namespace ostrada::sim
