#pragma once
// An order book with price-time priority: price levels per side, each a queue of resting orders in
// arrival order. The market's own liquidity rests here beside any owned orders (an account's), and
// a contract takes from the front of its level, so the earliest order at a price fills first.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ostrada::sim {

constexpr int kBookLevels = 10;

struct QuoteLevel {
  int32_t price = 0;  // 0: no level
  int32_t quantity = 0;
  friend bool operator==(const QuoteLevel&, const QuoteLevel&) = default;
};

// The ten best levels of each side at a moment.
struct QuotePicture {
  int32_t timeMs = 0;
  std::array<QuoteLevel, kBookLevels> asks{};  // lowest ask first
  std::array<QuoteLevel, kBookLevels> bids{};  // highest bid first
  int32_t TotalAsk(int levels = kBookLevels) const;
  int32_t TotalBid(int levels = kBookLevels) const;
  friend bool operator==(const QuotePicture&, const QuotePicture&) = default;
};

enum class BookSide { kAsk, kBid };

class OrderBook {
 public:
  struct Order {
    uint64_t id = 0;  // an owned order's, by which its owner finds it; the market's orders need none
    int32_t quantity = 0;
    uint32_t owner = 0;  // 0: the market's own liquidity
  };
  struct Fill {
    uint64_t id;
    uint32_t owner;
    int32_t price;
    int32_t quantity;
    int32_t timeMs = 0;  // the moment of the day it traded, where the caller knows it
  };

  // Joins the back of the queue at the price.
  void Add(BookSide side, int32_t price, const Order& order);
  // Joins the queue at the price with `ahead` shares before it (an order back where it stood): the
  // market's order the place falls in is split there; an owned one is never split, the order goes
  // after it. At the back when the level holds no more than that.
  void Insert(BookSide side, int32_t price, const Order& order, int32_t ahead);
  // Takes up to `quantity` from the front of the level; owned orders that trade are reported in
  // `fills`. Returns the quantity taken.
  int32_t Take(BookSide side, int32_t price, int32_t quantity, std::vector<Fill>* fills);
  // Withdraws up to `quantity` of the market's own orders at the level, the newest first. Owned
  // orders are never withdrawn by the market. Returns the quantity withdrawn.
  int32_t Withdraw(BookSide side, int32_t price, int32_t quantity);
  // Removes every level the price crosses: asks below it (side kAsk) or bids above it (kBid). The
  // market's orders there are withdrawn. Owned orders there were traded through by a contract of
  // `traded` shares: together they take at most that, at their own prices, best price and earliest
  // first, and what they do not take keeps its place.
  void ClearBeyond(BookSide side, int32_t price, int32_t traded, std::vector<Fill>* fills);
  // Takes up to `quantity` away from the owned order with the id at the level (a cancel or a modify); the
  // rest of it keeps its place. Returns the quantity removed.
  int32_t Reduce(BookSide side, int32_t price, uint64_t id, int32_t quantity);

  // Withdraws the market's own orders from every level whose price is not among `prices` (0: none).
  void KeepMarketOnlyAt(BookSide side, const std::array<int32_t, kBookLevels>& prices);

  int32_t QuantityAt(BookSide side, int32_t price) const;
  // The part of the level that is the market's own liquidity.
  int32_t MarketQuantityAt(BookSide side, int32_t price) const;
  // What rests before the owned order with the id at its level: what must trade before it can. Null
  // when the order is not there.
  std::optional<int32_t> QuantityAhead(BookSide side, int32_t price, uint64_t id) const;
  // Prices of the levels where an owned order rests.
  std::vector<int32_t> OwnedPrices(BookSide side) const;
  // Price of the best level, 0 when the side is empty.
  int32_t Best(BookSide side) const;
  QuotePicture Picture(int32_t timeMs) const;

 private:
  // A level's queue: orders from `head` on, in arrival order. Taking from the front only moves
  // `head`, and the storage is reused once the queue runs empty, so a busy level allocates nothing.
  struct Level {
    int32_t price = 0;
    int32_t total = 0;
    size_t head = 0;
    std::vector<Order> orders;
    bool Empty() const { return head == orders.size(); }
    Order& Front() { return orders[head]; }
    void PopFront();
    // Drops the orders left with nothing.
    void Compact();
  };
  std::vector<Level>& Levels(BookSide side) { return side == BookSide::kAsk ? asks_ : bids_; }
  const std::vector<Level>& Levels(BookSide side) const { return side == BookSide::kAsk ? asks_ : bids_; }
  // Better means nearer the other side: lower for asks, higher for bids.
  static bool Better(BookSide side, int32_t a, int32_t b) { return side == BookSide::kAsk ? a < b : a > b; }
  Level* Find(BookSide side, int32_t price);
  // Removes the level when nothing rests there any more.
  void DropIfEmpty(BookSide side, Level* level);

  std::vector<Level> asks_;
  std::vector<Level> bids_;
};

}  // namespace ostrada::sim
