#include "broker/sim/market/book.h"

#include <algorithm>
#include <iterator>

namespace ostrada::sim {
namespace {

int32_t Total(const std::array<QuoteLevel, kBookLevels>& levels, int count) {
  int32_t total = 0;
  for (int i = 0; i < count && i < kBookLevels; ++i) total += levels[static_cast<size_t>(i)].quantity;
  return total;
}

}  // namespace

int32_t QuotePicture::TotalAsk(int levels) const {
  return Total(asks, levels);
}
int32_t QuotePicture::TotalBid(int levels) const {
  return Total(bids, levels);
}

void OrderBook::Level::PopFront() {
  if (++head == orders.size()) {
    orders.clear();
    head = 0;
  }
}

void OrderBook::Level::Compact() {
  orders.erase(orders.begin(), orders.begin() + static_cast<ptrdiff_t>(head));
  head = 0;
  std::erase_if(orders, [](const Order& order) { return order.quantity == 0; });
}

// Levels are kept worst first, so the best one, where most of the trading happens, is found,
// added and removed at the back.
OrderBook::Level* OrderBook::Find(BookSide side, int32_t price) {
  std::vector<Level>& levels = Levels(side);
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    if (it->price == price) return &*it;
  }
  return nullptr;
}

void OrderBook::Add(BookSide side, int32_t price, const Order& order) {
  if (order.quantity <= 0 || price <= 0) return;
  std::vector<Level>& levels = Levels(side);
  // The first level from the back that is not better than the price: the price's own, or the place
  // just after it for a new level.
  auto better = std::find_if(levels.rbegin(), levels.rend(), [&](const Level& l) { return !Better(side, l.price, price); });
  auto at = better.base();
  if (better != levels.rend() && better->price == price) {
    at = std::prev(at);
  } else {
    at = levels.insert(at, Level{});
    at->price = price;
  }
  at->orders.push_back(order);
  at->total += order.quantity;
}

void OrderBook::Insert(BookSide side, int32_t price, const Order& order, int32_t ahead) {
  if (order.quantity <= 0 || price <= 0) return;
  Add(side, price, order);
  Level& level = *Find(side, price);
  std::vector<Order>& orders = level.orders;
  size_t at = level.head;
  for (int32_t passed = 0; at + 1 < orders.size() && passed < ahead; ++at) {
    const int32_t over = passed + orders[at].quantity - ahead;
    if (over > 0 && orders[at].owner == 0) {
      orders[at].quantity -= over;
      orders.insert(orders.begin() + static_cast<ptrdiff_t>(at) + 1, Order{0, over, 0});
    }
    passed += orders[at].quantity;
  }
  std::rotate(orders.begin() + static_cast<ptrdiff_t>(at), orders.end() - 1, orders.end());
}

int32_t OrderBook::Take(BookSide side, int32_t price, int32_t quantity, std::vector<Fill>* fills) {
  Level* level = Find(side, price);
  int32_t taken = 0;
  while (level != nullptr && taken < quantity && !level->Empty()) {
    Order& front = level->Front();
    const int32_t part = std::min(front.quantity, quantity - taken);
    if (front.owner != 0 && fills != nullptr) fills->push_back({front.id, front.owner, price, part});
    front.quantity -= part;
    level->total -= part;
    taken += part;
    if (front.quantity == 0) level->PopFront();
  }
  if (level != nullptr) DropIfEmpty(side, level);
  return taken;
}

int32_t OrderBook::Withdraw(BookSide side, int32_t price, int32_t quantity) {
  Level* level = Find(side, price);
  int32_t withdrawn = 0;
  if (level == nullptr) return 0;
  const auto oldest = level->orders.rend() - static_cast<ptrdiff_t>(level->head);
  for (auto it = level->orders.rbegin(); it != oldest && withdrawn < quantity; ++it) {
    if (it->owner != 0) continue;
    const int32_t part = std::min(it->quantity, quantity - withdrawn);
    it->quantity -= part;
    withdrawn += part;
  }
  level->total -= withdrawn;
  level->Compact();
  DropIfEmpty(side, level);
  return withdrawn;
}

void OrderBook::ClearBeyond(BookSide side, int32_t price, int32_t traded, std::vector<Fill>* fills) {
  std::vector<Level>& levels = Levels(side);
  // The crossed levels are the best ones, at the back; the best trades first.
  auto level = levels.rbegin();
  for (; level != levels.rend() && Better(side, level->price, price); ++level) {
    for (size_t i = level->head; i < level->orders.size(); ++i) {
      Order& order = level->orders[i];
      if (order.owner == 0) {
        order.quantity = 0;
        continue;
      }
      const int32_t part = std::min(order.quantity, traded);
      if (part <= 0) continue;
      if (fills != nullptr) fills->push_back({order.id, order.owner, level->price, part});
      order.quantity -= part;
      traded -= part;
    }
    level->Compact();
    level->total = 0;
    for (const Order& order : level->orders) level->total += order.quantity;
  }
  std::erase_if(levels, [](const Level& l) { return l.total == 0; });
}

int32_t OrderBook::Reduce(BookSide side, int32_t price, uint64_t id, int32_t quantity) {
  Level* level = Find(side, price);
  if (level == nullptr) return 0;
  const auto oldest = level->orders.begin() + static_cast<ptrdiff_t>(level->head);
  auto order = std::find_if(oldest, level->orders.end(), [&](const Order& o) { return o.owner != 0 && o.id == id; });
  if (order == level->orders.end()) return 0;
  const int32_t part = std::min(order->quantity, quantity);
  order->quantity -= part;
  level->total -= part;
  if (order->quantity == 0) level->Compact();
  DropIfEmpty(side, level);
  return part;
}

int32_t OrderBook::QuantityAt(BookSide side, int32_t price) const {
  for (const Level& level : Levels(side)) {
    if (level.price == price) return level.total;
  }
  return 0;
}

int32_t OrderBook::MarketQuantityAt(BookSide side, int32_t price) const {
  for (const Level& level : Levels(side)) {
    if (level.price != price) continue;
    int32_t market = 0;
    for (size_t i = level.head; i < level.orders.size(); ++i) market += level.orders[i].owner == 0 ? level.orders[i].quantity : 0;
    return market;
  }
  return 0;
}

void OrderBook::KeepMarketOnlyAt(BookSide side, const std::array<int32_t, kBookLevels>& prices) {
  std::vector<int32_t> others;
  for (const Level& level : Levels(side)) {
    if (std::find(prices.begin(), prices.end(), level.price) == prices.end()) others.push_back(level.price);
  }
  for (int32_t price : others) Withdraw(side, price, MarketQuantityAt(side, price));
}

std::optional<int32_t> OrderBook::QuantityAhead(BookSide side, int32_t price, uint64_t id) const {
  for (const Level& level : Levels(side)) {
    if (level.price != price) continue;
    int32_t ahead = 0;
    for (size_t i = level.head; i < level.orders.size(); ++i) {
      if (level.orders[i].owner != 0 && level.orders[i].id == id) return ahead;
      ahead += level.orders[i].quantity;
    }
  }
  return std::nullopt;
}

std::vector<int32_t> OrderBook::OwnedPrices(BookSide side) const {
  std::vector<int32_t> prices;
  for (const Level& level : Levels(side)) {
    const auto first = level.orders.begin() + static_cast<ptrdiff_t>(level.head);
    if (std::any_of(first, level.orders.end(), [](const Order& o) { return o.owner != 0 && o.quantity > 0; }))
      prices.push_back(level.price);
  }
  return prices;
}

int32_t OrderBook::Best(BookSide side) const {
  const std::vector<Level>& levels = Levels(side);
  return levels.empty() ? 0 : levels.back().price;
}

QuotePicture OrderBook::Picture(int32_t timeMs) const {
  QuotePicture picture;
  picture.timeMs = timeMs;
  auto fill = [](std::array<QuoteLevel, kBookLevels>& out, const std::vector<Level>& levels) {
    auto level = levels.rbegin();
    for (size_t i = 0; i < out.size() && level != levels.rend(); ++i, ++level) out[i] = {level->price, level->total};
  };
  fill(picture.asks, asks_);
  fill(picture.bids, bids_);
  return picture;
}

void OrderBook::DropIfEmpty(BookSide side, Level* level) {
  if (level->total > 0) return;
  std::vector<Level>& levels = Levels(side);
  levels.erase(levels.begin() + (level - levels.data()));
}

}  // namespace ostrada::sim
