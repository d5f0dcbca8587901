#include "broker/sim/paper/paper_account.h"

#include <algorithm>
#include <cmath>

#include "basesrc/foundation/texts.h"

namespace ostrada::sim {
namespace {

// How often the pump tells the ledger the exchange's time: a restart resumes there, and a command
// line started meanwhile trades at this process's time.
constexpr int64_t kSeeEveryMs = 1'000;

// Statuses of refusals that have no reason of the exchange's common table.
constexpr int16_t kUnknownAccountStatus = 21;
constexpr int16_t kNothingLeftStatus = 22;

Refusal OrderRefusal(int16_t status, const std::string& reason) {
  return Refusal{status, Text(Txt::kExOrderRefused), reason};
}
Refusal OrderRefusal(RefusalKind kind, Txt reason) {
  return OrderRefusal(static_cast<int16_t>(kind), Text(reason));
}

int64_t Ppm(double rate) {
  return std::llround(rate * 1'000'000.0);
}

// The most shares `money` pays for at `price`, with or without the commission on top.
int32_t Affordable(int64_t money, int32_t price, const FeeRates* fees) {
  if (price <= 0 || money <= 0) return 0;
  int64_t quantity = money / price;
  if (fees != nullptr) {
    while (quantity > 0 && quantity * price + fees->Commission(quantity * price) > money) --quantity;
  }
  return static_cast<int32_t>(std::min<int64_t>(quantity, INT32_MAX));
}

}  // namespace

FeeRates FeeRatesOf(const PaperOptions& options) {
  return FeeRates{Ppm(options.commissionRate), Ppm(options.sellTaxRate)};
}

const std::vector<std::string>& PaperAccountNumbers() {
  static const std::vector<std::string> accounts = {"5011223301", "5011223302"};
  return accounts;
}

PaperTrading::PaperTrading(ExchangeContext& context, SharedMarket market, std::unique_ptr<PaperLedger> ledger,
                           std::string problem, const PaperOptions& options)
    : context_(context),
      market_(std::move(market)),
      ledger_(std::move(ledger)),
      problem_(std::move(problem)),
      fees_(FeeRatesOf(options)),
      accounts_(PaperAccountNumbers()) {
  Pump();
  pump_ = context_.OnAdvance([this](int64_t) { Pump(); });
}

PaperTrading::~PaperTrading() {
  context_.Clock().RemoveListener(pump_);
  context_.Clock().Cancel(moment_);
  context_.Clock().Cancel(watchEvent_);
  // The next session on this ledger starts no earlier than this one ended.
  if (!Writes() || undone_) return;
  try {
    KeepPlaces(market_->Current());
  } catch (const SqliteError&) {
    // A ledger that cannot take the time now resumes at the last time it took: nothing is lost.
  }
}

int32_t PaperTrading::Today() {
  return market_->Sync().TradingDate();
}

std::string PaperTrading::NameOf(const std::string& code) {
  Market& market = market_->Current();
  const int stock = market.Find(code);
  return stock < 0 ? std::string() : market.Stock(stock).name;
}

void PaperTrading::AddListener(OrderNoticeListener* listener) {
  notices_.AddListener(listener);
}

void PaperTrading::RemoveListener(OrderNoticeListener* listener) {
  notices_.RemoveListener(listener);
}

void PaperTrading::Notify(const PaperOrder& order, NoticeKind kind, int32_t quantity, int32_t price,
                          std::optional<int32_t> timeMs) {
  OrderNotice notice;
  notice.kind = kind;
  notice.flag = order.kind;
  notice.side = order.side;
  notice.account = order.account;
  notice.code = order.code;
  notice.name = NameOf(order.code);
  notice.quantity = quantity;
  notice.price = price;
  notice.number = order.number;
  notice.original = order.original;
  notice.market = order.market;
  notice.hhmmss = HhmmssOf(timeMs.value_or(market_->Current().Now()));
  notices_.Post(std::move(notice));
}

std::optional<Refusal> PaperTrading::CheckQuery(const std::string& account) {
  if (!ledger_) return OrderRefusal(kLedgerStatus, problem_);
  if (!initialised_) return MakeRefusal(RefusalKind::kNotInitialised);
  if (!ledger_->HasAccount(account))
    return Refusal{kUnknownAccountStatus, Text(Txt::kExQueryRefused), Text(Txt::kPaperUnknownAccount)};
  return std::nullopt;
}

BuyingPower PaperTrading::Buyable(const std::string& account, const std::string& code, int32_t price) {
  BuyingPower power;
  power.cash = ledger_->Cash(account);
  power.reserved = ledger_->ReservedCash(account);
  power.available = std::max<int64_t>(0, power.cash - power.reserved);
  Market& market = market_->Sync();
  const int stock = market.Find(code);
  if (stock >= 0) {
    const int32_t at = price > 0 ? price : market.Day(stock).Ladder().Upper();
    power.quantity = Affordable(power.available, at, &fees_);
    power.grossQuantity = Affordable(power.available, at, nullptr);
  }
  return power;
}

std::optional<Refusal> PaperTrading::CheckOrderGate(Market& market, int stock, bool client) {
  if (!ledger_) return OrderRefusal(kLedgerStatus, problem_);
  if (client && !initialised_) return MakeRefusal(RefusalKind::kNotInitialised);
  if (stock < 0) return OrderRefusal(RefusalKind::kUnknownCode, Txt::kExUnknownCode);
  if (market.Stock(stock).suspended || market.Day(stock).Halted()) return MakeRefusal(RefusalKind::kSuspended);
  if (PhaseAt(market.Now()) == Phase::kClosed) return MakeRefusal(RefusalKind::kMarketClosed);
  return std::nullopt;
}

std::optional<Refusal> PaperTrading::CheckPrice(Market& market, int stock, int32_t price) {
  const PriceLadder& ladder = market.Day(stock).Ladder();
  if (price < ladder.Lower() || price > ladder.Upper())
    return OrderRefusal(RefusalKind::kBadPrice, Txt::kPaperOutsideLimits);
  if (ladder.PriceAt(ladder.Position(price)) != price) return OrderRefusal(RefusalKind::kBadPrice, Txt::kPaperOffTick);
  return std::nullopt;
}

// Inside the order's write transaction, so another process cannot spend the same cash or shares.
std::optional<Refusal> PaperTrading::CheckFunds(const PaperOrder& order, const PriceLadder& ladder) {
  if (!ledger_->HasAccount(order.account)) return OrderRefusal(kUnknownAccountStatus, Text(Txt::kPaperUnknownAccount));
  if (order.IsBuy()) {
    // A holding counts its shares in 32 bits: it may not grow past that, open buys of it included.
    // Each open buy holds cash for its shares at no less than the day's lower limit, so the cash held
    // bounds them: they are summed only near the limit, which keeps a buy's check from reading every
    // open order of a busy account.
    const int64_t reserved = ledger_->ReservedCash(order.account);
    const int64_t owned = int64_t{ledger_->Holding(order.account, order.code).quantity} + order.quantity;
    if (owned + reserved / std::max(1, ladder.Lower()) > INT32_MAX &&
        owned + ledger_->OpenQuantity(order.account, order.code, Side::kBuy) > INT32_MAX)
      return OrderRefusal(RefusalKind::kBadQuantity, Txt::kPaperHoldingLimit);
    const int64_t value = static_cast<int64_t>(order.reservePrice) * order.quantity;
    const int64_t available = ledger_->Cash(order.account) - reserved;
    if (value + fees_.Commission(value) > available) return MakeRefusal(RefusalKind::kInsufficientCash);
  } else {
    const int32_t free =
        ledger_->Holding(order.account, order.code).quantity - ledger_->Offered(order.account, order.code);
    if (order.quantity > free) return MakeRefusal(RefusalKind::kInsufficientHoldings);
    // The ledger stores cash as a 64-bit integer: a sale that could take it past that is refused here,
    // at the most it could fetch (every share at the day's upper limit).
    if (int64_t{ladder.Upper()} * order.quantity > INT64_MAX - ledger_->Cash(order.account))
      return OrderRefusal(RefusalKind::kBadQuantity, Txt::kPaperCashLimit);
  }
  return std::nullopt;
}

PaperTrading::Result PaperTrading::Place(const std::string& account, const std::string& code, std::optional<Side> side,
                                         bool market, int32_t price, int32_t quantity) {
  if (!side) {
    Market& theMarket = market_->Sync();
    Result result;
    result.refusal = CheckOrderGate(theMarket, theMarket.Find(code));
    if (!result.refusal) result.refusal = OrderRefusal(RefusalKind::kBadInput, Txt::kPaperBadOrderType);
    return result;
  }
  return PlaceClaimed(account, code, *side, market, price, quantity, nullptr);
}

PaperTrading::Result PaperTrading::PlaceClaimed(
    const std::string& account, const std::string& code, Side side, bool market, int32_t price, int32_t quantity,
    const std::function<std::optional<Refusal>(PaperOrder&, const SqliteTransaction&)>& claim) {
  Market& theMarket = market_->Sync();
  const int stock = theMarket.Find(code);
  Result result;
  if (auto refused = CheckOrderGate(theMarket, stock, claim == nullptr)) {
    result.refusal = refused;
    return result;
  }
  if (quantity <= 0) {
    result.refusal = MakeRefusal(RefusalKind::kBadQuantity);
    return result;
  }
  if (!market) {
    if (auto refused = CheckPrice(theMarket, stock, price)) {
      result.refusal = refused;
      return result;
    }
  }
  PaperOrder& order = result.order;
  order.date = theMarket.TradingDate();
  order.account = account;
  order.code = code;
  order.side = side;
  order.market = market;
  order.price = market ? 0 : price;
  // A market buy holds cash as if it paid the upper limit, as brokers do.
  order.reservePrice = market ? theMarket.Day(stock).Ladder().Upper() : price;
  order.quantity = quantity;
  order.timeMs = theMarket.Now();
  result.refusal = Enter(order, claim == nullptr, [&](const SqliteTransaction& inside) -> std::optional<Refusal> {
    if (claim) {
      if (auto refused = claim(order, inside)) return refused;
    }
    return CheckFunds(order, theMarket.Day(stock).Ladder());
  });
  if (result.refusal) return result;
  Notify(order, NoticeKind::kAcceptance, order.quantity, order.price);
  // Settled for its acceptance: the ledger holds the order. A client killed while it is routed has
  // heard its number.
  notices_.Deliver();
  Route(theMarket, stock, order);
  notices_.Deliver();
  return result;
}

PaperTrading::Result PaperTrading::Amend(const std::string& account, const std::string& code, int32_t target,
                                         int32_t quantity, int32_t price, bool cancel) {
  Market& theMarket = market_->Sync();
  const int stock = theMarket.Find(code);
  Result result;
  if (auto refused = CheckOrderGate(theMarket, stock)) {
    result.refusal = refused;
    return result;
  }
  if (!cancel) {
    if (auto refused = CheckPrice(theMarket, stock, price)) {
      result.refusal = refused;
      return result;
    }
  }
  PaperOrder& order = result.order;
  PaperOrder original;
  result.refusal = Enter(order, true, [&](const SqliteTransaction& inside) -> std::optional<Refusal> {
    if (!ledger_->HasAccount(account)) return OrderRefusal(kUnknownAccountStatus, Text(Txt::kPaperUnknownAccount));
    const std::optional<PaperOrder> found = ledger_->Order(theMarket.TradingDate(), target);
    if (!found || found->account != account || found->code != code || found->kind == OrderKind::kCancel)
      return MakeRefusal(RefusalKind::kUnknownOrder);
    original = *found;
    if (original.state != OrderState::kOpen || original.Remaining() <= 0)
      return OrderRefusal(kNothingLeftStatus, Text(Txt::kPaperNothingLeft));
    if (quantity <= 0) return MakeRefusal(RefusalKind::kBadQuantity);
    if (quantity > original.Remaining()) return OrderRefusal(RefusalKind::kBadQuantity, Txt::kPaperTooMuch);
    ledger_->Withdraw(original, quantity, inside);
    order.date = original.date;
    order.account = account;
    order.code = code;
    order.side = original.side;
    order.quantity = quantity;
    order.kind = cancel ? OrderKind::kCancel : OrderKind::kModify;
    order.original = original.number;
    order.timeMs = theMarket.Now();
    if (cancel) {
      order.price = original.price;
      order.market = original.market;
      order.state = OrderState::kRecorded;
      return std::nullopt;
    }
    order.price = order.reservePrice = price;
    // The modified remainder must still be paid for at its new price.
    return CheckFunds(order, theMarket.Day(stock).Ladder());
  });
  if (result.refusal) return result;
  // What the amend left of the original is known from its own transaction: a read of the ledger here,
  // after the commit, could fail and tell the client "refused" of an amend the ledger holds.
  Unrest(theMarket, original.number, quantity, original.Remaining() == quantity);
  Notify(order, NoticeKind::kAcceptance, order.quantity, order.price);
  Notify(order, NoticeKind::kConfirmation, order.quantity, order.price);
  notices_.Deliver();
  if (!cancel) {
    Route(theMarket, stock, order);
    notices_.Deliver();
  }
  return result;
}

std::optional<Refusal> PaperTrading::Enter(
    PaperOrder& order, bool client, const std::function<std::optional<Refusal>(const SqliteTransaction&)>& check) {
  try {
    auto transaction = ledger_->Begin();
    if (auto refused = check(*transaction)) return refused;
    ledger_->Insert(order, *transaction);
    ledger_->See(context_.Clock().Date(), context_.Clock().TimeOfDay());
    transaction->Commit();
    // A client's order ends the hold: the way to its moment is committed with it.
    if (client && hold_) hold_->Commit();
    if (client) hold_.reset();
  } catch (const SqliteError& error) {
    return OrderRefusal(kLedgerStatus, Text(Txt::kPaperLedgerWriteFailed) + " " + error.what());
  }
  seenFilled_[order.number] = 0;
  return std::nullopt;
}

void PaperTrading::Route(Market& market, int stock, const PaperOrder& order) {
  const Phase phase = PhaseAt(order.timeMs);
  if (phase == Phase::kAuction) {
    WaitForAuction(stock, order);
    return;
  }
  Match(market, stock, order);
}

void PaperTrading::Match(Market& market, int stock, const PaperOrder& order) {
  OrderBook& book = market.Book(stock).Orders();
  const bool buy = order.IsBuy();
  const BookSide opposite = buy ? BookSide::kAsk : BookSide::kBid;
  const PriceLadder& ladder = market.Day(stock).Ladder();
  const int32_t limit = order.market ? (buy ? ladder.Upper() : ladder.Lower()) : order.price;
  struct Execution {
    int32_t number;
    int32_t price;
    int32_t quantity;
  };
  std::vector<Execution> executions;
  int32_t remaining = order.Remaining();
  while (remaining > 0) {
    const int32_t best = book.Best(opposite);
    if (best == 0 || (buy ? best > limit : best < limit)) break;
    std::vector<OrderBook::Fill> owned;
    const int32_t taken = book.Take(opposite, best, remaining, &owned);
    if (taken <= 0) break;
    executions.push_back({order.number, best, taken});
    remaining -= taken;
    // This account's own orders on the other side trade with it like anyone's.
    for (const OrderBook::Fill& fill : owned) {
      if (fill.owner != kPaperOwner) continue;
      TookFromBook(static_cast<int32_t>(fill.id), fill.quantity);
      executions.push_back({static_cast<int32_t>(fill.id), fill.price, fill.quantity});
    }
  }
  // The windows watching the stock see the contracts this order made and what it left in the book.
  const DayState state = market.State(stock);
  for (const Execution& execution : executions) {
    if (execution.number != order.number) continue;
    Trade record;
    record.timeMs = market.Now();
    record.price = execution.price;
    record.quantity = execution.quantity;
    record.volume = state.volume;
    record.buyVolume = state.buyVolume;
    record.sellVolume = state.sellVolume;
    record.ask = book.Best(BookSide::kAsk);
    record.bid = book.Best(BookSide::kBid);
    record.side = buy ? '1' : '2';
    market.Announce(stock, &record);
  }
  if (remaining > 0 && !order.market) {
    PutInBook(market, stock, order, remaining);
    market.Announce(stock, nullptr);
  }
  for (const Execution& execution : executions)
    Execute(execution.number, execution.price, execution.quantity, market.Now());
  if (remaining > 0 && order.market) {
    // Nothing is left to trade with within the limits: the remainder of a market order ends here.
    try {
      ledger_->Expire(order.date, order.number);
      Notify(order, NoticeKind::kRejection, remaining, order.price);
    } catch (const SqliteError&) {
      // Not ended, so not told as rejected: it waits open in the ledger and ends with the day.
    }
  }
}

void PaperTrading::Unrest(Market& market, int32_t number, int32_t quantity, bool ended) {
  auto found = resting_.find(number);
  if (found == resting_.end()) return;
  const Resting& resting = found->second;
  if (resting.where == Waiting::kBook) {
    found->second.inBook -=
        market.Book(resting.stock)
            .Orders()
            .Reduce(BookSideOf(resting.side), resting.price, static_cast<uint64_t>(number), quantity);
    market.Announce(resting.stock, nullptr);
  }
  if (ended) {
    if (--stocksResting_[resting.stock] == 0) stocksResting_.erase(resting.stock);
    resting_.erase(found);
  }
}

void PaperTrading::Forget(Market& market, int32_t number) {
  auto found = resting_.find(number);
  if (found == resting_.end()) return;
  const Resting& resting = found->second;
  if (resting.where == Waiting::kBook) {
    market.Book(resting.stock)
        .Orders()
        .Reduce(BookSideOf(resting.side), resting.price, static_cast<uint64_t>(number), INT32_MAX);
  }
  if (--stocksResting_[resting.stock] == 0) stocksResting_.erase(resting.stock);
  resting_.erase(found);
}

void PaperTrading::Execute(int32_t number, int32_t price, int32_t quantity, int32_t timeMs) {
  PaperLedger::FillResult recorded;
  try {
    recorded = ledger_->RecordFill(date_, number, seenFilled_[number], price, quantity, timeMs,
                                   {context_.Clock().Date(), context_.Clock().TimeOfDay()});
  } catch (const SqliteError&) {
    // The account did not take the execution: the order is rejected, which ends it with its cash
    // released, as a server tells what it refused. Where the ledger cannot even end it, nothing is
    // told: the order stays open as the ledger holds it, never "rejected" and open.
    std::optional<PaperOrder> order;
    try {
      order = ledger_->Order(date_, number);
      if (!order || order->state != OrderState::kOpen) return;
      ledger_->Expire(date_, number);
    } catch (const SqliteError&) {
      return;
    }
    Forget(market_->Current(), number);
    Notify(*order, NoticeKind::kRejection, order->Remaining(), price);
    return;
  }
  if (!recorded.order) return;
  const PaperOrder& order = *recorded.order;
  // What another process recorded counts as seen too, so this one never records it again.
  seenFilled_[number] = order.filled + recorded.quantity;
  if (recorded.quantity > 0) Recorded(recorded.id);
  if (order.state != OrderState::kOpen || order.Remaining() <= recorded.quantity) Forget(market_->Current(), number);
  if (recorded.quantity > 0) Notify(order, NoticeKind::kFill, recorded.quantity, price, timeMs);
}

void PaperTrading::StartDay(Market& market) {
  date_ = market.TradingDate();
  resting_.clear();
  stocksResting_.clear();
  early_.clear();
  seenFilled_.clear();
  if (!ledger_) return;
  std::vector<PaperOrder> open;
  std::map<int32_t, int32_t> places;
  try {
    // A view shows the ledger as the processes that trade on it left it.
    if (Writes()) {
      ledger_->ExpireBefore(date_);
      ledger_->TakeShareChanges(date_, [&market](const std::string& code, int32_t after) {
        const int stock = market.Find(code);
        return stock < 0 ? std::vector<ShareChange>() : market.ShareChangesAfter(stock, after);
      });
    }
    open = ledger_->OpenOrdersOf(date_);
    places = ledger_->Places(date_);
    // What others write from now on is followed; what is there now is this day's start.
    ledger_->ChangedElsewhere();
    lastNumber_ = ledger_->LastNumber(date_);
    lastFillId_ = ledger_->LastFillId();
    ownFills_.clear();
  } catch (const SqliteError&) {
    date_ = 0;  // the next pump starts the day again
    return;
  }
  // A fill is known by how much of its order had filled before it: an order resumed from the ledger
  // counts from what the ledger holds, or its first fill here would pass for one already recorded.
  for (const PaperOrder& order : open) seenFilled_[order.number] = order.filled;
  ReenterAll(market, std::move(open), places);
  StartWatchDay(market);
}

void PaperTrading::ResolveAuction(Market& market, Waiting auction) {
  std::vector<std::pair<int32_t, Resting>> due;
  for (const auto& [number, resting] : resting_) {
    if (resting.where == auction) due.emplace_back(number, resting);
  }
  for (const auto& [number, resting] : due) {
    const DayState state = market.State(resting.stock);
    const int32_t price = auction == Waiting::kOpeningAuction ? state.open : state.price;
    const int32_t at = auction == Waiting::kOpeningAuction ? kOpenMs : kCloseMs;
    const bool buy = resting.side == Side::kBuy;
    const bool crosses = price > 0 && (resting.market || (buy ? resting.price >= price : resting.price <= price));
    const std::optional<PaperOrder> order = ledger_->Order(date_, number);
    if (!order || order->state != OrderState::kOpen) continue;
    if (crosses) {
      Execute(number, price, order->Remaining(), at);
    } else if (auction == Waiting::kOpeningAuction && !resting.market) {
      PutInBook(market, resting.stock, *order, order->Remaining());
    } else {
      ledger_->Expire(date_, number);
      resting_.erase(number);
      if (--stocksResting_[resting.stock] == 0) stocksResting_.erase(resting.stock);
    }
  }
}

void PaperTrading::CloseDay(Market& market) {
  // Nothing trades after the close: what is still open ends with the day.
  for (const auto& [number, resting] : resting_) {
    if (resting.where != Waiting::kBook) continue;
    market.Book(resting.stock)
        .Orders()
        .Reduce(BookSideOf(resting.side), resting.price, static_cast<uint64_t>(number), INT32_MAX);
  }
  resting_.clear();
  stocksResting_.clear();
  if (Writes()) ledger_->ExpireBefore(AddDays(date_, 1));
  closedDate_ = date_;
}

int64_t PaperTrading::LedgerClockAhead() {
  if (!ledger_) return 0;
  PaperLedger::Moment seen;
  try {
    seen = ledger_->LastSeen();
  } catch (const SqliteError&) {
    return 0;  // the clock follows at the next pump
  }
  if (!IsValidDate(seen.date)) return 0;
  const ExchangeClock& clock = context_.Clock();
  const int64_t ahead = (DaysSinceEpoch(seen.date) - DaysSinceEpoch(clock.Date())) * kMillisecondsPerDay +
                        seen.timeMs - clock.TimeOfDay();
  return std::max<int64_t>(0, ahead);
}

void PaperTrading::Pump() {
  Market& market = market_->Current();
  if (market.TradingDate() != date_) StartDay(market);
  if (!ledger_ || date_ == 0) return;
  try {
    EnterDue(market);
    // What the books traded during the step came before the auctions and the close it may have
    // crossed: taken after them, a step across 15:00 would end orders the market had already filled.
    std::vector<OrderBook::Fill> fills;
    for (const auto& [stock, count] : stocksResting_) {
      for (const OrderBook::Fill& fill : market.Book(stock).TakeFills()) {
        if (fill.owner == kPaperOwner) fills.push_back(fill);
      }
    }
    // In the order the market traded them, whatever stretch of it this step covered; a moment's
    // fills of several stocks in listing order, as the market tells its contracts.
    std::stable_sort(fills.begin(), fills.end(),
                     [](const OrderBook::Fill& a, const OrderBook::Fill& b) { return a.timeMs < b.timeMs; });
    for (const OrderBook::Fill& fill : fills) {
      TookFromBook(static_cast<int32_t>(fill.id), fill.quantity);
      Execute(static_cast<int32_t>(fill.id), fill.price, fill.quantity, fill.timeMs);
    }
    if (market.Now() >= kOpenMs) ResolveAuction(market, Waiting::kOpeningAuction);
    if (market.Now() >= kCloseMs && closedDate_ != date_) {
      ResolveAuction(market, Waiting::kClosingAuction);
      CloseWatchDay(market);
      CloseDay(market);
    }
    // After this process's own fills, so an execution both reached is claimed as this one saw it.
    FollowOthers(market);
    FireDueWatches(market);
    ScheduleWatch(market);
    const int64_t now = context_.Clock().Now();
    if (Writes() && now - lastSeen_ >= kSeeEveryMs) {
      KeepPlaces(market);
      lastSeen_ = now;
    }
  } catch (const SqliteError&) {
    // A ledger busy beyond its timeout: the next pump tries again. The ledger holds what was
    // recorded, and nothing unrecorded was told.
  }
  notices_.Deliver();
  StopAtNextMoment(market);
}

void PaperTrading::StopAtNextMoment(Market& market) {
  ExchangeClock& clock = context_.Clock();
  int32_t next = INT32_MAX;
  if (ledger_ && date_ != 0 && market.TradingDate() == clock.Date()) {
    const int32_t now = market.Now();
    if (now < kOpenMs) next = kOpenMs;
    if (now < kCloseMs && closedDate_ != date_) next = std::min(next, kCloseMs);
    for (const auto& [number, entered] : early_) {
      if (entered > now) next = std::min(next, entered);
    }
  }
  const int64_t at = next == INT32_MAX ? kNoMoment : clock.Now() - clock.TimeOfDay() + next;
  if (at == momentAt_) return;
  clock.Cancel(moment_);
  momentAt_ = at;
  if (at == kNoMoment) return;
  moment_ = clock.At(at, [this] {
    momentAt_ = kNoMoment;
    market_->Sync();
    Pump();
  });
}

}  // namespace ostrada::sim
