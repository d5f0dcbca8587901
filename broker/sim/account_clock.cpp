#include "broker/sim/account_clock.h"

#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada::sim {
namespace {

constexpr int64_t kOfferedSteps[] = {60'000, 10 * 60'000, 60 * 60'000};

int32_t NextTradingDay(int32_t date) {
  do {
    date = AddDays(date, 1);
  } while (!IsTradingDay(date));
  return date;
}

bool Before(const PaperLedger::Moment& a, const PaperLedger::Moment& b) {
  return a.date < b.date || (a.date == b.date && a.timeMs < b.timeMs);
}

}  // namespace

Txt SessionOf(const PaperLedger::Moment& moment) {
  if (!IsTradingDay(moment.date)) return Txt::kClockHoliday;
  if (moment.timeMs < kPreOpenMs) return Txt::kClockBeforeOpen;
  if (moment.timeMs < kOpenMs) return Txt::kClockAuction;
  if (moment.timeMs < kClosingAuctionMs) return Txt::kClockRegular;
  if (moment.timeMs < kCloseMs) return Txt::kClockAuction;
  return Txt::kClockClosed;
}

bool IsOfferedStep(int64_t milliseconds) {
  for (const int64_t step : kOfferedSteps) {
    if (step == milliseconds) return true;
  }
  return false;
}

JumpLanding LandingOf(const ClockJump& jump, const PaperLedger::Moment& from) {
  JumpLanding landing{from, std::nullopt};
  switch (jump.kind) {
    case ClockJump::Kind::kBy: {
      if (!IsOfferedStep(jump.milliseconds)) {
        landing.refused = Txt::kClockBadStep;
        break;
      }
      const int64_t later = from.timeMs + jump.milliseconds;
      landing.at = {AddDays(from.date, static_cast<int>(later / kMillisecondsPerDay)), later % kMillisecondsPerDay};
      break;
    }
    case ClockJump::Kind::kTo:
      landing.at.timeMs = jump.milliseconds;
      if (jump.milliseconds < 0 || jump.milliseconds >= kMillisecondsPerDay) landing.refused = Txt::kClockBadTime;
      if (Before(landing.at, from)) landing.refused = Txt::kClockBeforeNow;
      break;
    case ClockJump::Kind::kToClose:
      landing.at.timeMs = kCloseMs;
      if (!IsTradingDay(from.date) || from.timeMs >= kCloseMs) landing.refused = Txt::kClockClosedAlready;
      break;
    case ClockJump::Kind::kNextDay:
      for (int day = 0; day < jump.days; ++day) landing.at.date = NextTradingDay(landing.at.date);
      landing.at.timeMs = kPreOpenMs;
      if (jump.days < 1) landing.refused = Txt::kClockBadDays;
      break;
  }
  if (landing.refused) landing.at = from;
  return landing;
}

JumpReport Jump(Exchange& exchange, const PaperLedger::Moment& to) {
  JumpReport report;
  const ExchangeClock& clock = exchange.Clock();
  report.from = report.to = {clock.Date(), clock.TimeOfDay()};
  if (!exchange.PaperProblem().empty()) {
    report.refused = exchange.PaperProblem();
    return report;
  }
  PaperTrading& paper = exchange.Paper();
  PaperLedger& ledger = paper.Ledger();
  int64_t lastFill = 0;
  try {
    // A jump that could not record what it passed would leave fills behind: it starts only when the
    // ledger takes writes, after waiting for the other process as every write does.
    ledger.Begin()->Commit();
    lastFill = ledger.LastFillId();
  } catch (const SqliteError& error) {
    report.refused = error.IsBusy() ? Text(Txt::kClockLedgerBusy)
                                    : Text(Txt::kPaperLedgerWriteFailed) + " " + error.what();
    return report;
  }
  exchange.JumpTo(to.date, to.timeMs);
  report.to = {clock.Date(), clock.TimeOfDay()};
  try {
    ledger.See(report.to.date, report.to.timeMs);
    for (const PaperFill& fill : ledger.FillsAfter(lastFill)) {
      const std::optional<PaperOrder> order = ledger.Order(fill.date, fill.number);
      if (!order) continue;
      report.fills.push_back({fill, order->code, paper.NameOf(order->code), order->side});
    }
  } catch (const SqliteError&) {
    // The clock moved and the ledger holds what it recorded; the account's next look shows it.
  }
  return report;
}

}  // namespace ostrada::sim
