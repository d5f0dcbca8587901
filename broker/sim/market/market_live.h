#pragma once
// The quote book of a stock someone watches: an order book that follows the stock's day record by
// record. Before each contract the book is made to agree with it (the level it trades at holds
// enough, nothing crosses it), the contract then takes from the front of that level, and the book
// is refilled to ten levels; between contracts the market's own orders come and go a few times a
// second. Every change can be reported as an event.
#include <cstdint>
#include <vector>

#include "broker/sim/market/book.h"
#include "broker/sim/market/market_day.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {

// The book of a stock nobody watches yet, drawn from its state at `ms`: ten levels each side from
// the best quotes of the last record outwards. Empty for a halted stock and before the pre-open.
QuotePicture ShapeBook(StockDay& day, const DayState& state, uint64_t seed, int32_t ms);

struct MarketEvent {
  enum class Kind { kQuote, kContract };
  Kind kind = Kind::kQuote;
  int32_t timeMs = 0;
  Trade trade;         // kContract: the record
  QuotePicture quote;  // the book after the event
  int32_t volume = 0;  // the day's cumulative volume after the event
  int32_t previousClose = 0;
};

class LiveBook {
 public:
  // The book as ShapeBook draws it at `ms`; it follows the day from there.
  // `day` must outlive the book.
  LiveBook(StockDay& day, uint64_t seed, int32_t ms);

  // Follows the day up to `ms` (never back), appending each change to `events` when given.
  void AdvanceTo(int32_t ms, std::vector<MarketEvent>* events);
  const QuotePicture& Picture() const { return picture_; }
  // The picture before the latest change.
  const QuotePicture& Previous() const { return previous_; }
  OrderBook& Orders() { return book_; }
  // Trades of owned orders since the last call.
  std::vector<OrderBook::Fill> TakeFills();
  // Shows a change made to Orders() from outside the day's flow (an account's order resting, leaving
  // or trading): the picture is taken again at `ms`, and with a record a contract is reported.
  void Republish(int32_t ms, const Trade* record, std::vector<MarketEvent>* events);

 private:
  void Apply(const Trade& record);
  void Jostle(int32_t second, int index);
  void Refill(int32_t bestAsk, int32_t bestBid);
  void Publish(int32_t ms, MarketEvent::Kind kind, const Trade* record, std::vector<MarketEvent>* events);
  int32_t RestingQuantity(int level);
  int JostlesIn(int32_t second) const;

  StockDay& day_;
  uint64_t seed_;
  int32_t ms_;
  int32_t ordinal_;  // records of the day already applied
  int32_t volume_;   // the day's cumulative volume so far
  OrderBook book_;
  SeededRandom random_;  // sizes of the market's new resting orders
  uint64_t nextOrderId_ = 1;
  std::vector<OrderBook::Fill> fills_;
  QuotePicture picture_;
  QuotePicture previous_;
};

}  // namespace ostrada::sim
