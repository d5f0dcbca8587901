// The paper account's standing conditions: set and cancelled in the ledger, met by the market's tape
// and acted on at the contract that meets them. Each one's contract is worked out ahead from the
// day's tape, and the clock is woken at that moment, so a step of any length (a jump of hours, or
// the program's small steps) acts at the same contract with the book as it stood then.
#include <algorithm>
#include <cstdio>

#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "basesrc/priceinfo.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada::sim {
namespace {

// A condition's order that another process's claim beat: nothing to tell, nothing to end.
constexpr int16_t kClaimedElsewhere = -1;

std::string Formatted(Txt format, int64_t number) {
  char text[512];
  std::snprintf(text, sizeof text, TextC(format), FormatNumber(number).c_str());
  return text;
}

int32_t TickAtOrAbove(int32_t price) {
  const int32_t below = TickAtOrBelow(price);
  return below >= price ? below : below + PriceTick(below);
}

bool LevelBelowPrice(WatchKind kind) {
  return kind == WatchKind::kStop || kind == WatchKind::kAlertBelow;
}

// The level a percentage from the average purchase price names: the tick at or inside it.
int32_t LevelFromCost(const PaperHolding& holding, WatchKind kind, int32_t costPercent) {
  const int64_t base = holding.value / holding.quantity;
  if (kind == WatchKind::kStop) return TickAtOrBelow(static_cast<int32_t>(base * (10'000 - costPercent) / 10'000));
  return TickAtOrAbove(static_cast<int32_t>((base * (10'000 + costPercent) + 9'999) / 10'000));
}

}  // namespace

PaperTrading::WatchResult PaperTrading::SetWatch(WatchCondition condition, int32_t costPercent) {
  WatchResult result;
  if (!ledger_) {
    result.refusal = problem_;
    return result;
  }
  Market& market = market_->Sync();
  const int stock = market.Find(condition.code);
  try {
    if (stock < 0) {
      result.refusal = Text(Txt::kExUnknownCode);
    } else if (!ledger_->HasAccount(condition.account)) {
      result.refusal = Text(Txt::kPaperUnknownAccount);
    } else {
      const PaperHolding holding = ledger_->Holding(condition.account, condition.code);
      const int32_t price = market.State(stock).price;
      if (condition.Sells() && holding.quantity <= 0) {
        result.refusal = Text(Txt::kWatchNotHeld);
      } else if (condition.Sells() && condition.quantity > holding.quantity) {
        result.refusal = Formatted(Txt::kWatchOverHolding, holding.quantity);
      } else if (condition.quantity < 0 || (condition.kind == WatchKind::kBreakout && condition.quantity == 0)) {
        result.refusal = Text(Txt::kWatchNeedsQuantity);
      } else if (costPercent < 0 || costPercent >= 10'000) {
        result.refusal = Text(Txt::kWatchBadDistance);
      } else if (condition.ticks < 0 || condition.ticks > 20) {
        result.refusal = Text(Txt::kWatchBadTicks);
      } else if (condition.expiry != 0 && condition.expiry < market.TradingDate()) {
        result.refusal = Text(Txt::kWatchExpiryPassed);
      } else if (condition.kind == WatchKind::kTrail) {
        const bool percent = condition.trailPercent > 0 && condition.trailPercent < 10'000 && condition.trailWon == 0;
        const bool won = condition.trailWon > 0 && condition.trailPercent == 0;
        if (!percent && !won) result.refusal = Text(Txt::kWatchBadDistance);
        condition.level = 0;
        condition.peak = price;
      } else {
        if (costPercent > 0 && (condition.kind == WatchKind::kStop || condition.kind == WatchKind::kTake))
          condition.level = LevelFromCost(holding, condition.kind, costPercent);
        const bool below = LevelBelowPrice(condition.kind);
        if (condition.level <= 0 || TickAtOrBelow(condition.level) != condition.level) {
          result.refusal = Text(Txt::kWatchOffTick);
        } else if (below ? condition.level >= price : condition.level <= price) {
          result.refusal = Formatted(below ? Txt::kWatchNotBelow : Txt::kWatchNotAbove, price);
        }
      }
    }
    if (!result.refusal.empty()) return result;
    if (!condition.Orders()) {
      condition.market = true;
      condition.ticks = condition.quantity = 0;
    }
    condition.setDate = market.TradingDate();
    condition.setMs = market.Now();
    condition.peakDate = 0;
    ledger_->InsertWatch(condition);
  } catch (const SqliteError& error) {
    result.refusal = Text(Txt::kPaperLedgerWriteFailed) + " " + error.what();
    return result;
  }
  result.condition = condition;
  LoadWatches(market);
  ScheduleWatch(market);
  return result;
}

std::string PaperTrading::CancelWatch(const std::string& account, int64_t id) {
  if (!ledger_) return problem_;
  Market& market = market_->Sync();
  try {
    auto transaction = ledger_->Begin();
    std::optional<WatchCondition> found = ledger_->Watch(id);
    if (!found || found->account != account) return Text(Txt::kWatchUnknown);
    found->state = WatchState::kCancelled;
    found->endDate = market.TradingDate();
    found->endMs = market.Now();
    if (!ledger_->EndWatch(*found, *transaction)) return Text(Txt::kWatchNotActive);
    transaction->Commit();
  } catch (const SqliteError& error) {
    return Text(Txt::kPaperLedgerWriteFailed) + " " + error.what();
  }
  watched_.erase(id);
  ScheduleWatch(market);
  return {};
}

std::vector<WatchCondition> PaperTrading::Watches(const std::string& account) {
  if (!ledger_) return {};
  try {
    return ledger_->Watches(account);
  } catch (const SqliteError&) {
    return {};
  }
}

void PaperTrading::LoadWatches(Market& market) {
  if (!ledger_ || date_ == 0) return;
  std::map<int64_t, Watched> active;
  for (WatchCondition& condition : ledger_->ActiveWatches()) {
    const auto known = watched_.find(condition.id);
    if (known != watched_.end()) {
      active.emplace(condition.id, std::move(known->second));
      continue;
    }
    Watched& watched = active[condition.id];
    watched.condition = std::move(condition);
    PlanWatch(market, watched);
  }
  watched_ = std::move(active);
}

void PaperTrading::PlanWatch(Market& market, Watched& watched) {
  const WatchCondition& condition = watched.condition;
  watched.meets.reset();
  const int stock = market.Find(condition.code);
  // A condition set on a later day than this market's, or a trailing stop whose highest already
  // counts today's close, has nothing to meet today.
  if (stock < 0 || condition.setDate > date_ || condition.peakDate >= date_) return;
  const int32_t after = condition.setDate == date_ ? condition.setMs : -1;
  watched.meets = FirstMeeting(market.Day(stock), after, condition, condition.peak);
}

void PaperTrading::FireDueWatches(Market& market) {
  std::vector<const Watched*> due;
  for (const auto& entry : watched_) {
    const Watched& watched = entry.second;
    if (watched.meets && watched.meets->timeMs <= market.Now()) due.push_back(&watched);
  }
  std::sort(due.begin(), due.end(), [](const Watched* a, const Watched* b) {
    return a->meets->timeMs != b->meets->timeMs ? a->meets->timeMs < b->meets->timeMs
                                                : a->condition.id < b->condition.id;
  });
  std::vector<int64_t> fired;
  for (const Watched* watched : due) {
    FireWatch(market, *watched);
    fired.push_back(watched->condition.id);
  }
  for (const int64_t id : fired) watched_.erase(id);
}

void PaperTrading::FireWatch(Market& market, const Watched& watched) {
  WatchCondition ending = watched.condition;
  ending.state = WatchState::kFired;
  ending.endDate = date_;
  ending.endMs = market.Now();
  ending.firedPrice = watched.meets->price;
  if (!ending.Orders()) {
    EndWatch(ending);
    return;
  }
  const int stock = market.Find(ending.code);
  const PriceLadder& ladder = market.Day(stock).Ladder();
  const bool sell = ending.Sells();
  const int32_t limit =
      ending.market ? 0 : ladder.PriceAt(ladder.Position(ending.firedPrice) + (sell ? -ending.ticks : ending.ticks));
  const int32_t asked = ending.quantity > 0 ? ending.quantity : INT32_MAX;
  const Result placed = PlaceClaimed(
      ending.account, ending.code, sell ? Side::kSell : Side::kBuy, ending.market, limit, asked,
      [&](PaperOrder& order, const SqliteTransaction& inside) -> std::optional<Refusal> {
        if (sell) {
          // Never short: what is held and not offered already, at most.
          const int32_t free = ledger_->Holding(order.account, order.code).quantity -
                               ledger_->Offered(order.account, order.code);
          if (free <= 0) return Refusal{0, Text(Txt::kExOrderRefused), Text(Txt::kWatchHoldingGone)};
          order.quantity = std::min(order.quantity, free);
        }
        ending.orderNumber = ledger_->LastNumber(order.date) + 1;
        if (!ledger_->EndWatch(ending, inside)) return Refusal{kClaimedElsewhere, {}, {}};
        return std::nullopt;
      });
  if (!placed.refusal || placed.refusal->status == kClaimedElsewhere) return;
  // Met, but the order could not go out: the condition ends, saying why.
  ending.state = WatchState::kEnded;
  ending.orderNumber = 0;
  ending.message = placed.refusal->text2;
  EndWatch(ending);
}

void PaperTrading::EndWatch(const WatchCondition& ending) {
  try {
    auto transaction = ledger_->Begin();
    if (ledger_->EndWatch(ending, *transaction)) transaction->Commit();
  } catch (const SqliteError&) {
    // Still active in the ledger: the next process to meet it tries again.
  }
}

void PaperTrading::ScheduleWatch(Market& market) {
  int32_t next = -1;
  for (const auto& entry : watched_) {
    const std::optional<TapeContract>& meets = entry.second.meets;
    if (meets && meets->timeMs > market.Now() && (next < 0 || meets->timeMs < next)) next = meets->timeMs;
  }
  ExchangeClock& clock = context_.Clock();
  if (next == watchWake_ && watchEvent_ != 0) return;
  clock.Cancel(watchEvent_);
  watchEvent_ = 0;
  watchWake_ = next;
  // The market shows another day than the clock's (a holiday): nothing meets anything until it trades.
  if (next < 0 || clock.Date() != market.TradingDate()) return;
  watchEvent_ = clock.At(clock.Now() + (next - clock.TimeOfDay()), [this] {
    watchEvent_ = 0;
    market_->Sync();
    Pump();
  });
}

void PaperTrading::StartWatchDay(Market& market) {
  watched_.clear();
  try {
    for (WatchCondition& condition : ledger_->ActiveWatches()) {
      WatchCondition ending = condition;
      ending.state = WatchState::kEnded;
      ending.endDate = date_;
      const int stock = market.Find(condition.code);
      if (condition.expiry != 0 && condition.expiry < date_) {
        ending.message = Text(Txt::kWatchExpired);
      } else if (stock >= 0 && condition.setDate < date_ && !market.ShareChangesAfter(stock, condition.setDate).empty()) {
        // Its level and its highest were prices of the shares before.
        ending.message = Text(Txt::kWatchSharesChanged);
      } else {
        continue;
      }
      EndWatch(ending);
    }
    LoadWatches(market);
  } catch (const SqliteError&) {
    watched_.clear();  // read again when the ledger answers
  }
}

void PaperTrading::CloseWatchDay(Market& market) {
  for (const auto& entry : watched_) {
    const WatchCondition& condition = entry.second.condition;
    if (condition.kind != WatchKind::kTrail || condition.setDate > date_) continue;
    const int stock = market.Find(condition.code);
    if (stock < 0) continue;
    const int32_t highest = HighestAfter(market.Day(stock), condition.setDate == date_ ? condition.setMs : -1);
    ledger_->RaisePeak(condition.id, std::max(highest, condition.peak), date_);
  }
}

}  // namespace ostrada::sim
