#include "broker/sim/paper/paper_journal.h"

#include <algorithm>
#include <unordered_map>

#include "broker/sim/market/market_calendar.h"

namespace ostrada::sim {
namespace {

// A stock held: its shares and what they cost, buy commissions included.
struct Held {
  int32_t quantity = 0;
  int64_t cost = 0;
};

struct DatedChange {
  std::string code;
  ShareChange change;
};

int64_t OrderKey(int32_t date, int32_t number) {
  return (int64_t{date} << 32) | static_cast<uint32_t>(number);
}

// The trading days from `first` through `last`, with any date a fill names that the calendar lacks.
std::vector<int32_t> DaysOf(int32_t first, int32_t last, const std::vector<PaperFill>& fills) {
  std::vector<int32_t> days;
  if (first <= 0 || last < first) return days;
  for (int32_t day = TradingDayAtOrBefore(last); day >= first; day = PreviousTradingDay(day)) days.push_back(day);
  int32_t previous = 0;
  for (const PaperFill& fill : fills) {
    if (fill.date != previous) days.push_back(fill.date);
    previous = fill.date;
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

class Builder {
 public:
  Builder(const JournalLedger& ledger, JournalMarket& market, int32_t from, int32_t to)
      : ledger_(ledger), market_(market), from_(from), to_(to > 0 ? to : INT32_MAX), cash_(ledger.startingCash) {}

  Journal Build();

 private:
  // A stock the record names, known by its place here so that a fill finds it without a lookup: what
  // is held of it, the price it last traded at, and its row once the range shows it.
  struct Slot {
    std::string code;
    bool bought = false;
    Held held;
    int32_t lastPrice = 0;
    JournalStock stock;  // its code empty until shown
  };

  bool Shown(int32_t date) const { return date >= from_ && date <= to_; }
  size_t SlotOf(const std::string& code);
  JournalStock& Stock(Slot& slot);
  void TakeOrders();
  std::vector<DatedChange> ChangesTaken();
  void TakeChange(const DatedChange& dated, JournalDay& day, bool shown);
  void TakeFill(const PaperFill& fill, JournalDay& day, bool shown);
  void Close(JournalDay& day, bool last);
  void Count();

  const JournalLedger& ledger_;
  JournalMarket& market_;
  int32_t from_;
  int32_t to_;
  int64_t cash_;
  Journal journal_;
  std::vector<Slot> slots_;
  std::unordered_map<std::string, size_t> slotAt_;
  std::vector<size_t> orderSlot_;                    // beside journal_.orders
  std::vector<std::pair<int64_t, size_t>> orderAt_;  // each order's key and place, in key order
};

size_t Builder::SlotOf(const std::string& code) {
  const auto [at, added] = slotAt_.try_emplace(code, slots_.size());
  if (added) slots_.emplace_back().code = code;
  return at->second;
}

JournalStock& Builder::Stock(Slot& slot) {
  if (slot.stock.code.empty()) {
    slot.stock.code = slot.code;
    slot.stock.name = market_.NameOf(slot.code);
  }
  return slot.stock;
}

void Builder::TakeOrders() {
  journal_.orders.reserve(ledger_.orders.size());
  orderSlot_.reserve(ledger_.orders.size());
  orderAt_.reserve(ledger_.orders.size());
  for (const PaperOrder& order : ledger_.orders) {
    orderAt_.emplace_back(OrderKey(order.date, order.number), journal_.orders.size());
    const size_t slot = SlotOf(order.code);
    if (order.IsBuy()) slots_[slot].bought = true;
    orderSlot_.push_back(slot);
    journal_.orders.push_back({order});
  }
  if (!std::is_sorted(orderAt_.begin(), orderAt_.end())) std::sort(orderAt_.begin(), orderAt_.end());
}

// The share changes the ledger's holdings took, in date order.
std::vector<DatedChange> Builder::ChangesTaken() {
  std::vector<std::string> codes;
  for (const Slot& slot : slots_)
    if (slot.bought) codes.push_back(slot.code);
  std::sort(codes.begin(), codes.end());
  std::vector<DatedChange> changes;
  for (const std::string& code : codes) {
    for (const ShareChange& change : market_.ShareChanges(code)) {
      if (change.date <= ledger_.sharesThrough && change.before > 0 && change.after > 0)
        changes.push_back({code, change});
    }
  }
  std::stable_sort(changes.begin(), changes.end(),
                   [](const DatedChange& a, const DatedChange& b) { return a.change.date < b.change.date; });
  return changes;
}

void Builder::TakeChange(const DatedChange& dated, JournalDay& day, bool shown) {
  Slot& slot = slots_[SlotOf(dated.code)];
  Held& held = slot.held;
  const ShareChange& change = dated.change;
  if (held.quantity <= 0) return;
  // As the ledger takes it: in shares of the new kind times `before`, what is not a whole share is paid.
  const int64_t parts = int64_t{held.quantity} * change.after;
  const int64_t odd = parts % change.before;
  const int64_t paid = odd * change.price / change.before;
  const int64_t removed = held.cost * odd / parts;
  held.cost -= removed;
  held.quantity = static_cast<int32_t>(std::min<int64_t>(parts / change.before, INT32_MAX));
  if (held.quantity <= 0) held = {};
  cash_ += paid;
  if (!shown) return;
  day.payout += paid;
  day.realised += paid - removed;
  JournalStock& stock = Stock(slot);
  stock.payout += paid;
  stock.realised += paid - removed;
}

void Builder::TakeFill(const PaperFill& fill, JournalDay& day, bool shown) {
  const std::pair<int64_t, size_t> key{OrderKey(fill.date, fill.number), 0};
  const auto at = std::lower_bound(orderAt_.begin(), orderAt_.end(), key);
  if (at == orderAt_.end() || at->first != key.first) return;
  JournalOrder& order = journal_.orders[at->second];
  Slot& slot = slots_[orderSlot_[at->second]];
  Held& held = slot.held;
  JournalFill row{fill, slot.code, order.order.side, int64_t{fill.price} * fill.quantity};
  if (order.order.IsBuy()) {
    held.quantity += fill.quantity;
    held.cost += row.amount + fill.commission;
    cash_ -= row.amount + fill.commission;
  } else {
    // The shares sold leave at their share of the cost, rounded as the ledger rounds them.
    const int64_t removed = held.quantity > 0 ? held.cost * fill.quantity / held.quantity : 0;
    row.realised = row.amount - fill.commission - fill.tax - removed;
    held.cost -= removed;
    held.quantity -= fill.quantity;
    if (held.quantity <= 0) held = {};
    cash_ += row.amount - fill.commission - fill.tax;
  }
  row.heldAfter = held.quantity;
  row.averageCost = held.quantity > 0 ? held.cost / held.quantity : 0;
  slot.lastPrice = fill.price;
  order.fills += 1;
  order.amount += row.amount;
  order.commission += fill.commission;
  order.tax += fill.tax;
  order.realised += row.realised;
  if (!shown) return;
  day.fills += 1;
  (row.side == Side::kBuy ? day.buyAmount : day.sellAmount) += row.amount;
  day.commission += fill.commission;
  day.tax += fill.tax;
  day.realised += row.realised;
  JournalStock& stock = Stock(slot);
  if (row.side == Side::kBuy) {
    stock.buyQuantity += fill.quantity;
    stock.buyAmount += row.amount;
  } else {
    stock.sellQuantity += fill.quantity;
    stock.sellAmount += row.amount;
  }
  stock.commission += fill.commission;
  stock.tax += fill.tax;
  stock.realised += row.realised;
  journal_.fills.push_back(std::move(row));
}

// Values the holdings at the day's close; a price the market does not know is the last one traded.
void Builder::Close(JournalDay& day, bool last) {
  for (Slot& slot : slots_) {
    const Held& held = slot.held;
    if (held.quantity <= 0) continue;
    const int32_t close = market_.Close(slot.code, day.date);
    if (close > 0) slot.lastPrice = close;
    const int64_t value = int64_t{held.quantity} * slot.lastPrice;
    day.holdingValue += value;
    day.holdingCost += held.cost;
    if (last) {
      JournalStock& stock = Stock(slot);
      stock.heldQuantity = held.quantity;
      stock.heldCost = held.cost;
      stock.heldValue = value;
    }
  }
  day.cash = cash_;
  day.equity = cash_ + day.holdingValue;
}

void Builder::Count() {
  JournalTotals& totals = journal_.totals;
  // The orders the range shows stay, in their order, where they are.
  std::vector<JournalOrder>& orders = journal_.orders;
  size_t kept = 0;
  for (size_t i = 0; i < orders.size(); ++i) {
    JournalOrder& order = orders[i];
    if (!Shown(order.order.date)) continue;
    if (!order.order.IsBuy() && order.fills > 0) {
      JournalStock& stock = Stock(slots_[orderSlot_[i]]);
      ++totals.trades;
      ++stock.trades;
      if (order.realised > 0) {
        ++totals.wins;
        ++stock.wins;
        totals.grossWin += order.realised;
        totals.largestWin = std::max(totals.largestWin, order.realised);
      } else if (order.realised < 0) {
        ++totals.losses;
        ++stock.losses;
        totals.grossLoss -= order.realised;
        totals.largestLoss = std::min(totals.largestLoss, order.realised);
      }
    }
    if (kept != i) orders[kept] = std::move(order);
    ++kept;
  }
  orders.erase(orders.begin() + static_cast<std::ptrdiff_t>(kept), orders.end());
  for (const JournalDay& day : journal_.days) {
    totals.fills += day.fills;
    totals.buyAmount += day.buyAmount;
    totals.sellAmount += day.sellAmount;
    totals.commission += day.commission;
    totals.tax += day.tax;
    totals.payout += day.payout;
    totals.realised += day.realised;
  }
  totals.endEquity = journal_.days.empty() ? totals.startEquity : journal_.days.back().equity;
  int64_t peak = totals.startEquity;
  int32_t peakDate = 0;
  for (const JournalDay& day : journal_.days) {
    if (day.equity > peak) {
      peak = day.equity;
      peakDate = day.date;
    }
    if (peak - day.equity > totals.maxDrawdown) {
      totals.maxDrawdown = peak - day.equity;
      totals.drawdownPeak = peakDate;
      totals.drawdownTrough = day.date;
      totals.drawdownPeakEquity = peak;
    }
  }
  for (Slot& slot : slots_)
    if (!slot.stock.code.empty()) journal_.stocks.push_back(std::move(slot.stock));
  std::sort(journal_.stocks.begin(), journal_.stocks.end(),
            [](const JournalStock& a, const JournalStock& b) { return a.code < b.code; });
}

Journal Builder::Build() {
  journal_.account = ledger_.account;
  journal_.ledgerCash = ledger_.cash;
  TakeOrders();
  int32_t first = 0;
  for (const PaperOrder& order : ledger_.orders)
    if (first == 0 || order.date < first) first = order.date;
  // In the order they were recorded, which is the days' order unless a ledger was mended by hand.
  const auto byDate = [](const PaperFill& a, const PaperFill& b) { return a.date < b.date; };
  std::vector<PaperFill> resorted;
  if (!std::is_sorted(ledger_.fills.begin(), ledger_.fills.end(), byDate)) {
    resorted = ledger_.fills;
    std::stable_sort(resorted.begin(), resorted.end(), byDate);
  }
  const std::vector<PaperFill>& fills = resorted.empty() ? ledger_.fills : resorted;
  journal_.fills.reserve(fills.size());
  const int32_t last = std::max(ledger_.clock.date, fills.empty() ? 0 : fills.back().date);
  const std::vector<int32_t> days = DaysOf(first, last, fills);
  const std::vector<DatedChange> changes = ChangesTaken();
  int32_t lastShown = 0;
  for (const int32_t day : days)
    if (Shown(day)) lastShown = day;

  journal_.totals.startEquity = ledger_.startingCash;
  size_t nextFill = 0;
  size_t nextChange = 0;
  for (const int32_t date : days) {
    const bool shown = Shown(date);
    JournalDay day{date};
    // A share change takes effect before the day's first trade.
    for (; nextChange < changes.size() && changes[nextChange].change.date <= date; ++nextChange)
      TakeChange(changes[nextChange], day, shown);
    for (; nextFill < fills.size() && fills[nextFill].date <= date; ++nextFill) TakeFill(fills[nextFill], day, shown);
    Close(day, date == lastShown);
    if (shown) {
      journal_.days.push_back(day);
    } else if (date < from_) {
      journal_.totals.startEquity = day.equity;
    }
  }
  journal_.computedCash = cash_;
  if (!journal_.days.empty()) {
    journal_.from = journal_.days.front().date;
    journal_.to = journal_.days.back().date;
  }
  Count();
  return std::move(journal_);
}

}  // namespace

std::optional<int64_t> JournalTotals::WinRatioBasisPoints() const {
  if (trades <= 0) return std::nullopt;
  return int64_t{wins} * 10000 / trades;
}

std::optional<int64_t> JournalTotals::ProfitFactorHundredths() const {
  if (grossLoss <= 0) return std::nullopt;
  return grossWin * 100 / grossLoss;
}

int64_t JournalTotals::DrawdownBasisPoints() const {
  return drawdownPeakEquity > 0 ? maxDrawdown * 10000 / drawdownPeakEquity : 0;
}

Journal BuildJournal(const JournalLedger& ledger, JournalMarket& market, int32_t from, int32_t to) {
  return Builder(ledger, market, from, to).Build();
}

}  // namespace ostrada::sim
