#include "broker/sim/book.h"

#include <algorithm>

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

OrderBook::Level* OrderBook::Find(BookSide side, int32_t price) {
  for (Level& level : Levels(side)) {
    if (level.price == price) return &level;
  }
  return nullptr;
}

void OrderBook::Add(BookSide side, int32_t price, const Order& order) {
  if (order.quantity <= 0 || price <= 0) return;
  std::vector<Level>& levels = Levels(side);
  auto at = std::find_if(levels.begin(), levels.end(), [&](const Level& l) { return !Better(side, l.price, price); });
  if (at == levels.end() || at->price != price) at = levels.insert(at, Level{price, 0, {}});
  at->orders.push_back(order);
  at->total += order.quantity;
}

int32_t OrderBook::Take(BookSide side, int32_t price, int32_t quantity, std::vector<Fill>* fills) {
  Level* level = Find(side, price);
  int32_t taken = 0;
  while (level != nullptr && taken < quantity && !level->orders.empty()) {
    Order& front = level->orders.front();
    const int32_t part = std::min(front.quantity, quantity - taken);
    if (front.owner != 0 && fills != nullptr) fills->push_back({front.id, front.owner, price, part});
    front.quantity -= part;
    level->total -= part;
    taken += part;
    if (front.quantity == 0) level->orders.pop_front();
  }
  DropEmpty(side);
  return taken;
}

int32_t OrderBook::Withdraw(BookSide side, int32_t price, int32_t quantity) {
  Level* level = Find(side, price);
  int32_t withdrawn = 0;
  if (level == nullptr) return 0;
  for (auto it = level->orders.rbegin(); it != level->orders.rend() && withdrawn < quantity; ++it) {
    if (it->owner != 0) continue;
    const int32_t part = std::min(it->quantity, quantity - withdrawn);
    it->quantity -= part;
    withdrawn += part;
  }
  level->total -= withdrawn;
  std::erase_if(level->orders, [](const Order& order) { return order.quantity == 0; });
  DropEmpty(side);
  return withdrawn;
}

void OrderBook::ClearBeyond(BookSide side, int32_t price, std::vector<Fill>* fills) {
  std::vector<Level>& levels = Levels(side);
  while (!levels.empty() && Better(side, levels.front().price, price)) {
    for (const Order& order : levels.front().orders) {
      if (order.owner != 0 && fills != nullptr)
        fills->push_back({order.id, order.owner, levels.front().price, order.quantity});
    }
    levels.erase(levels.begin());
  }
}

int32_t OrderBook::Reduce(BookSide side, int32_t price, uint64_t id, int32_t quantity) {
  Level* level = Find(side, price);
  if (level == nullptr) return 0;
  auto order = std::find_if(level->orders.begin(), level->orders.end(), [&](const Order& o) { return o.id == id; });
  if (order == level->orders.end()) return 0;
  const int32_t part = std::min(order->quantity, quantity);
  order->quantity -= part;
  level->total -= part;
  if (order->quantity == 0) level->orders.erase(order);
  DropEmpty(side);
  return part;
}

int32_t OrderBook::QuantityAt(BookSide side, int32_t price) const {
  for (const Level& level : Levels(side)) {
    if (level.price == price) return level.total;
  }
  return 0;
}

int32_t OrderBook::Best(BookSide side) const {
  const std::vector<Level>& levels = Levels(side);
  return levels.empty() ? 0 : levels.front().price;
}

QuotePicture OrderBook::Picture(int32_t timeMs) const {
  QuotePicture picture;
  picture.timeMs = timeMs;
  for (size_t i = 0; i < picture.asks.size() && i < asks_.size(); ++i)
    picture.asks[i] = {asks_[i].price, asks_[i].total};
  for (size_t i = 0; i < picture.bids.size() && i < bids_.size(); ++i)
    picture.bids[i] = {bids_[i].price, bids_[i].total};
  return picture;
}

void OrderBook::DropEmpty(BookSide side) {
  std::erase_if(Levels(side), [](const Level& level) { return level.total <= 0; });
}

}  // namespace ostrada::sim
