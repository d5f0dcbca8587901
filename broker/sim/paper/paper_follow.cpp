// The paper account's books beside the ledger: where a day's open order waits in this process, and
// how this process follows what the others (the program, command lines) write to the same ledger.
#include <algorithm>
#include <set>

#include "broker/sim/paper/paper_account.h"

namespace ostrada::sim {
BookSide BookSideOf(Side side) {
  return side == Side::kBuy ? BookSide::kBid : BookSide::kAsk;
}

void PaperTrading::Hold() {
  if (Writes()) hold_ = ledger_->Begin();
}

void PaperTrading::LetGo() {
  undone_ = undone_ || hold_ != nullptr;
  hold_.reset();
}

void PaperTrading::Reenter(Market& market, const PaperOrder& order, std::optional<int32_t> place) {
  const int stock = market.Find(order.code);
  if (stock < 0) return;
  if (order.timeMs > market.Now()) {
    early_[order.number] = order.timeMs;
    return;
  }
  const bool auctionPending = PhaseAt(order.timeMs) == Phase::kAuction &&
                              (order.timeMs < kOpenMs ? market.Now() < kOpenMs : market.Now() < kCloseMs);
  if (auctionPending || order.market) {
    WaitForAuction(stock, order);
  } else {
    PutInBook(market, stock, order, order.Remaining(), place);
  }
}

void PaperTrading::ReenterAll(Market& market, std::vector<PaperOrder> open, const std::map<int32_t, int32_t>& places) {
  // Each with the shares the ledger kept ahead of it, the nearest the front first, so those ahead
  // are there already; one without a place (entered since, or a ledger before places) behind what
  // rests there now.
  auto placeOf = [&places](const PaperOrder& order) {
    const auto found = places.find(order.number);
    return found == places.end() ? std::optional<int32_t>() : std::optional<int32_t>(found->second);
  };
  std::stable_sort(open.begin(), open.end(), [&placeOf](const PaperOrder& a, const PaperOrder& b) {
    return placeOf(a).value_or(INT32_MAX) < placeOf(b).value_or(INT32_MAX);
  });
  for (const PaperOrder& order : open) Reenter(market, order, placeOf(order));
}

void PaperTrading::EnterDue(Market& market) {
  for (auto it = early_.begin(); it != early_.end();) {
    if (it->second > market.Now()) {
      ++it;
      continue;
    }
    // Read again: what the others did with it meanwhile counts.
    const std::optional<PaperOrder> order = ledger_->Order(date_, it->first);
    it = early_.erase(it);
    if (order && order->state == OrderState::kOpen && order->Remaining() > 0) Reenter(market, *order);
  }
}

void PaperTrading::WaitForAuction(int stock, const PaperOrder& order) {
  const Waiting auction = order.timeMs < kOpenMs ? Waiting::kOpeningAuction : Waiting::kClosingAuction;
  if (resting_.insert_or_assign(order.number, Resting{stock, order.side, order.price, order.market, auction, 0, -1})
          .second) {
    ++stocksResting_[stock];
  }
}

void PaperTrading::PutInBook(Market& market, int stock, const PaperOrder& order, int32_t quantity,
                             std::optional<int32_t> place) {
  OrderBook& book = market.Book(stock).Orders();
  const OrderBook::Order entry{static_cast<uint64_t>(order.number), quantity, kPaperOwner};
  if (place) {
    book.Insert(BookSideOf(order.side), order.price, entry, *place);
  } else {
    book.Add(BookSideOf(order.side), order.price, entry);
  }
  if (resting_
          .insert_or_assign(order.number,
                            Resting{stock, order.side, order.price, false, Waiting::kBook, quantity, place.value_or(-1)})
          .second) {
    ++stocksResting_[stock];
  }
}

void PaperTrading::KeepPlaces(Market& market) {
  std::vector<std::pair<int32_t, int32_t>> moved;
  for (const auto& [number, resting] : resting_) {
    if (resting.where != Waiting::kBook) continue;
    const std::optional<int32_t> ahead = market.Book(resting.stock)
                                             .Orders()
                                             .QuantityAhead(BookSideOf(resting.side), resting.price,
                                                            static_cast<uint64_t>(number));
    if (ahead && *ahead != resting.kept) moved.emplace_back(number, *ahead);
  }
  ledger_->KeepPlaces(date_, moved, {context_.Clock().Date(), context_.Clock().TimeOfDay()});
  for (const std::pair<int32_t, int32_t>& place : moved) resting_.find(place.first)->second.kept = place.second;
}

void PaperTrading::TookFromBook(int32_t number, int32_t quantity) {
  auto found = resting_.find(number);
  if (found != resting_.end()) found->second.inBook -= quantity;
}

std::optional<int32_t> PaperTrading::QueueAhead(int32_t number) {
  Market& market = market_->Sync();
  const auto found = resting_.find(number);
  if (found == resting_.end() || found->second.where != Waiting::kBook) return std::nullopt;
  const Resting& resting = found->second;
  return market.Book(resting.stock)
      .Orders()
      .QuantityAhead(BookSideOf(resting.side), resting.price, static_cast<uint64_t>(number));
}

void PaperTrading::Recorded(int64_t fillId) {
  if (fillId == lastFillId_ + 1) {
    ++lastFillId_;
  } else {
    ownFills_.insert(fillId);
  }
}

void PaperTrading::FollowOthers(Market& market) {
  if (!ledger_->ChangedElsewhere()) return;
  // Conditions others set, cancelled or fired.
  LoadWatches(market);
  // Orders the others entered (and their modifies and cancels): told as this process tells its own,
  // and the open ones join this process's books.
  // The clock alone moves every second; the books need a look only when orders or fills came.
  bool moved = false;
  // The stocks whose book changed here: the windows watching them are told once, at the end.
  std::set<int> changed;
  for (const PaperOrder& order : ledger_->OrdersAfter(date_, lastNumber_)) {
    moved = true;
    lastNumber_ = std::max(lastNumber_, order.number);
    if (!seenFilled_.try_emplace(order.number, order.filled).second) continue;  // this process's own
    Notify(order, NoticeKind::kAcceptance, order.quantity, order.price);
    if (order.kind != OrderKind::kOrdinary) Notify(order, NoticeKind::kConfirmation, order.quantity, order.price);
    if (order.state == OrderState::kOpen) {
      Reenter(market, order);
      changed.insert(market.Find(order.code));
    }
  }
  // Fills the others recorded.
  for (const PaperFill& fill : ledger_->FillsAfter(lastFillId_)) {
    moved = true;
    lastFillId_ = fill.id;
    if (ownFills_.erase(fill.id) > 0 || fill.date != date_) continue;
    if (const std::optional<PaperOrder> order = ledger_->Order(fill.date, fill.number))
      Notify(*order, NoticeKind::kFill, fill.quantity, fill.price);
  }
  ownFills_.erase(ownFills_.begin(), ownFills_.upper_bound(lastFillId_));
  if (!moved) return;
  // What the others filled, modified, cancelled or ended leaves this process's books too.
  std::map<int32_t, int32_t> open;  // number -> remaining
  for (const PaperOrder& order : ledger_->OpenOrdersOf(date_)) open.emplace(order.number, order.Remaining());
  std::vector<int32_t> ended;
  for (auto& [number, resting] : resting_) {
    const auto found = open.find(number);
    if (found == open.end()) {
      ended.push_back(number);
      changed.insert(resting.stock);
    } else if (resting.where == Waiting::kBook && found->second < resting.inBook) {
      resting.inBook -= market.Book(resting.stock)
                            .Orders()
                            .Reduce(BookSideOf(resting.side), resting.price, static_cast<uint64_t>(number),
                                    resting.inBook - found->second);
      changed.insert(resting.stock);
    }
  }
  for (const int32_t number : ended) Forget(market, number);
  for (const int stock : changed) {
    if (stock >= 0) market.Announce(stock, nullptr);
  }
}

}  // namespace ostrada::sim
