#include "broker/sim/market/market_live.h"

#include <algorithm>
#include <utility>

#include "broker/sim/market/market_random.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr uint64_t kShapeSalt = 0x5348415045000000ull;
constexpr uint64_t kJostleSalt = 0x4a4f53544c450000ull;
constexpr uint64_t kRestingSalt = 77;

// The price `steps` ladder steps from `price`, or 0 beyond the day's limits.
int32_t Step(const PriceLadder& ladder, int32_t price, int steps) {
  const int32_t position = ladder.Position(price) + steps;
  return position < 0 || position > ladder.Top() ? 0 : ladder.PriceAt(position);
}

// Deeper levels hold more.
int32_t Depth(SeededRandom& random, int32_t mean, int level) {
  return RoundToInt(mean * (0.2 + 2.5 * random.Unit()) * (3 + level) / 3.0) + 1;
}

}  // namespace

QuotePicture ShapeBook(StockDay& day, const DayState& state, uint64_t seed, int32_t ms) {
  QuotePicture picture;
  picture.timeMs = ms;
  if (state.halted || ms < kPreOpenMs) return picture;
  const PriceLadder& ladder = day.Ladder();
  int32_t ask = state.ask;
  int32_t bid = state.bid;
  if (state.expected > 0) {
    ask = state.expected;
    bid = Step(ladder, state.expected, -1);
  }
  SeededRandom random(DeriveSeed(seed ^ kShapeSalt, static_cast<uint64_t>(ms / 1000)));
  for (int i = 0; i < kBookLevels; ++i) {
    QuoteLevel& sell = picture.asks[static_cast<size_t>(i)];
    QuoteLevel& buy = picture.bids[static_cast<size_t>(i)];
    sell.price = ask > 0 ? Step(ladder, ask, i) : 0;
    buy.price = bid > 0 ? Step(ladder, bid, -i) : 0;
    sell.quantity = sell.price > 0 ? Depth(random, day.MeanQuantity(), i) : 0;
    buy.quantity = buy.price > 0 ? Depth(random, day.MeanQuantity(), i) : 0;
  }
  return picture;
}

LiveBook::LiveBook(StockDay& day, uint64_t seed, int32_t ms)
    : day_(day),
      seed_(seed),
      ms_(ms),
      ordinal_(day.CountAt(ms)),
      volume_(day.StateAt(ms).volume),
      random_(DeriveSeed(seed, kRestingSalt)) {
  const QuotePicture shape = ShapeBook(day, day.StateAt(ms), seed, ms);
  for (const QuoteLevel& level : shape.asks)
    book_.Add(BookSide::kAsk, level.price, {nextOrderId_++, level.quantity, 0});
  for (const QuoteLevel& level : shape.bids)
    book_.Add(BookSide::kBid, level.price, {nextOrderId_++, level.quantity, 0});
  picture_ = previous_ = book_.Picture(ms);
}

void LiveBook::AdvanceTo(int32_t ms, std::vector<MarketEvent>* events) {
  if (ms <= ms_) return;
  const int32_t target = day_.CountAt(ms);
  std::vector<Trade> records;
  day_.Records(ordinal_, target - ordinal_, records);
  size_t next = 0;
  auto applyUpTo = [&](int32_t until) {
    for (; next < records.size() && records[next].timeMs <= until; ++next) {
      Apply(records[next]);
      Publish(records[next].timeMs, MarketEvent::Kind::kContract, &records[next], events);
    }
  };
  for (int32_t second = ms_ / 1000; second <= ms / 1000; ++second) {
    const int count = JostlesIn(second);
    for (int k = 0; k < count; ++k) {
      const int32_t at = second * 1000 + (k + 1) * 1000 / (count + 1);
      if (at <= ms_ || at > ms) continue;
      applyUpTo(at);
      Jostle(second, k);
      Publish(at, MarketEvent::Kind::kQuote, nullptr, events);
    }
  }
  applyUpTo(ms);
  ordinal_ = target;
  ms_ = ms;
}

std::vector<OrderBook::Fill> LiveBook::TakeFills() {
  return std::exchange(fills_, {});
}

void LiveBook::Republish(int32_t ms, const Trade* record, std::vector<MarketEvent>* events) {
  Publish(ms, record != nullptr ? MarketEvent::Kind::kContract : MarketEvent::Kind::kQuote, record, events);
}

int LiveBook::JostlesIn(int32_t second) const {
  const int32_t ms = second * 1000;
  if (day_.Halted() || PhaseAt(ms) == Phase::kClosed) return 0;
  SeededRandom random(DeriveSeed(seed_ ^ kJostleSalt, static_cast<uint64_t>(second)));
  return Poisson(random, std::min(4.0, 0.3 + day_.ContractsPerSecond() * 1.5));
}

void LiveBook::Jostle(int32_t second, int index) {
  SeededRandom random(
      DeriveSeed(DeriveSeed(seed_ ^ kJostleSalt, static_cast<uint64_t>(second)), static_cast<uint64_t>(index) + 1));
  const BookSide side = random.Below(2) == 0 ? BookSide::kAsk : BookSide::kBid;
  const auto level = static_cast<size_t>(std::min(random.Below(kBookLevels), random.Below(kBookLevels)));
  const QuoteLevel& shown = side == BookSide::kAsk ? picture_.asks[level] : picture_.bids[level];
  if (shown.price == 0) return;
  const int32_t amount = day_.MeanQuantity() * (1 + static_cast<int32_t>(random.Below(4)));
  if (random.Below(10) < 6) {
    book_.Add(side, shown.price, {nextOrderId_++, amount, 0});
  } else {
    book_.Withdraw(side, shown.price, std::min(amount, book_.QuantityAt(side, shown.price) - 1));
  }
}

int32_t LiveBook::RestingQuantity(int level) {
  return Depth(random_, day_.MeanQuantity(), level);
}

void LiveBook::Apply(const Trade& record) {
  const int32_t price = record.price;
  const bool buyerTook = record.side == '1';
  // Nothing may rest across the record's price: asks below it and bids above it are gone.
  // An account's order there was traded through: it takes at most this contract's quantity.
  book_.ClearBeyond(BookSide::kAsk, buyerTook ? price : price + 1, record.quantity, &fills_);
  book_.ClearBeyond(BookSide::kBid, buyerTook ? price - 1 : price, record.quantity, &fills_);
  if (record.phase == Phase::kRegular) {
    const BookSide taken = buyerTook ? BookSide::kAsk : BookSide::kBid;
    const int32_t missing = record.quantity + RestingQuantity(0) - book_.QuantityAt(taken, price);
    if (missing > 0) book_.Add(taken, price, {nextOrderId_++, missing, 0});
    book_.Take(taken, price, record.quantity, &fills_);
    volume_ = record.volume;
  }
  Refill(record.ask, record.bid);
}

void LiveBook::Refill(int32_t bestAsk, int32_t bestBid) {
  const PriceLadder& ladder = day_.Ladder();
  // A side the record shows empty loses the market's orders; an account's stay, as nothing traded them.
  if (bestAsk == 0) book_.ClearBeyond(BookSide::kAsk, ladder.Upper() + 1, 0, &fills_);
  if (bestBid == 0) book_.ClearBeyond(BookSide::kBid, ladder.Lower() - 1, 0, &fills_);
  for (int i = 0; i < kBookLevels; ++i) {
    const int32_t ask = bestAsk > 0 ? Step(ladder, bestAsk, i) : 0;
    const int32_t bid = bestBid > 0 ? Step(ladder, bestBid, -i) : 0;
    if (ask > 0 && book_.QuantityAt(BookSide::kAsk, ask) == 0)
      book_.Add(BookSide::kAsk, ask, {nextOrderId_++, RestingQuantity(i), 0});
    if (bid > 0 && book_.QuantityAt(BookSide::kBid, bid) == 0)
      book_.Add(BookSide::kBid, bid, {nextOrderId_++, RestingQuantity(i), 0});
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
