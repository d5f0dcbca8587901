#pragma once
// A stock's quote book. What the market's own orders hold at each of the ten levels a side is one
// function of the day's seed, the stock and the moment: the levels stand around the quotes of the
// day's last record, each price's depth drifts as orders arrive and are cancelled there (a slow,
// remembered walk that changes only at the price's own moments), and the level a run of contracts
// keeps taking is worn down by them. So the book at a moment is the same whoever asks, whenever the
// asker started following it and in whichever process.
//
// A live book holds that liquidity in an order book beside the orders an account rests there, and
// follows the day record by record: before each contract the book is made to agree with it (the
// level it trades at holds enough, nothing crosses it), the contract takes from the front of that
// level, and the market's orders are then brought to what the function says, arrivals joining the
// back of a level and cancels leaving from its back, so an account's order keeps its place. Every
// change can be reported as an event.
#include <array>
#include <cstdint>
#include <vector>

#include "broker/sim/market/book.h"
#include "broker/sim/market/market_day.h"

namespace ostrada::sim {

// The shares a stock's book holds, as it usually stands, at its level `level` (0 at the best quote):
// minutes of its ordinary regular-session volume, fewer at the touch, where contracts keep taking.
int32_t UsualDepth(const StockDay& day, int level);

// Where a book stands after the day's records up to a moment: its best quotes, and the quantity the
// run of like contracts (same side, same price, one minute) has taken from the level they trade at.
struct BookTouch {
  bool open = false;  // false before the pre-open and on a halt: no book
  int32_t ask = 0;    // 0: no ask (at the upper limit)
  int32_t bid = 0;
  BookSide taken = BookSide::kAsk;
  int32_t run = 0;
  int32_t runMinute = -1;  // regular minute of the run's contracts
  Trade last;              // the last record taken into the touch
  // Takes the next record of the day into the touch.
  void Follow(const Trade& record);
};

// The touch at `ms`, worked out from the day alone.
BookTouch TouchAt(StockDay& day, int32_t ms);

// What the market's own orders hold at `ms` at each of the ten prices a side of the touch.
struct MarketDepth {
  std::array<QuoteLevel, kBookLevels> asks{};
  std::array<QuoteLevel, kBookLevels> bids{};
};
MarketDepth DepthAt(const StockDay& day, const BookTouch& touch, uint64_t seed, int32_t ms);

// The book of a stock nobody follows, at `ms`: the market's depth alone.
QuotePicture DrawBook(StockDay& day, uint64_t seed, int32_t ms);

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
  // The book as it stands at `ms`; it follows the day from there. `day` must outlive the book.
  LiveBook(StockDay& day, uint64_t seed, int32_t ms);

  // Follows the day up to `ms` (never back), appending each change to `events` when given. Without
  // `events` only the levels holding owned orders follow each record before the last: the result is
  // the same, at a fraction of the cost for a busy stock.
  void AdvanceTo(int32_t ms, std::vector<MarketEvent>* events);
  const QuotePicture& Picture() const { return picture_; }
  // The picture before the latest change.
  const QuotePicture& Previous() const { return previous_; }
  OrderBook& Orders() { return book_; }
  // Trades of owned orders since the last call, in the order they traded, each at its record's time.
  std::vector<OrderBook::Fill> TakeFills();
  // Shows a change made to Orders() from outside the day's flow (an account's order resting, leaving
  // or trading): the picture is taken again at `ms`, and with a record a contract is reported.
  void Republish(int32_t ms, const Trade* record, std::vector<MarketEvent>* events);

 private:
  struct OwnedLevel {
    BookSide side;
    int32_t price;
  };
  std::vector<OwnedLevel> OwnedLevels() const;
  // Stands the book, which holds no owned order, as it is at `ms`: as a book first asked for then.
  void StartAt(int32_t ms);
  // Takes the record into the book; with `owned`, settles only those levels afterwards.
  void Apply(const Trade& record, const std::vector<OwnedLevel>* owned);
  // Brings the market's own orders to its depth at `ms`, and finds the next moment it changes.
  void Settle(int32_t ms);
  // The same for the owned levels alone, and the next moment one of them changes.
  void SettleOwned(const std::vector<OwnedLevel>& owned, int32_t ms);
  // Brings the market's orders at the price to `depth`: arrivals join the back, cancels leave from it.
  void Bring(BookSide side, int32_t price, int32_t depth);
  void Publish(int32_t ms, MarketEvent::Kind kind, const Trade* record, std::vector<MarketEvent>* events);

  StockDay& day_;
  uint64_t seed_;
  int32_t ms_ = 0;
  int32_t ordinal_ = 0;  // records of the day already applied
  int32_t volume_ = 0;   // the day's cumulative volume so far
  BookTouch touch_;
  int32_t nextChange_ = 0;  // the next moment a shown level's depth moves on its own
  OrderBook book_;
  std::vector<OrderBook::Fill> fills_;
  QuotePicture picture_;
  QuotePicture previous_;
};

}  // namespace ostrada::sim
