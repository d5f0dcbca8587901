#include "broker/sim/account_clock.h"

#include "broker/sim/market/clock.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada::sim {

Txt SessionText(SessionState state) {
  switch (state) {
    case SessionState::kBeforeOpen:
      return Txt::kClockBeforeOpen;
    case SessionState::kAuction:
      return Txt::kClockAuction;
    case SessionState::kRegular:
      return Txt::kClockRegular;
    case SessionState::kClosed:
      return Txt::kClockClosed;
    case SessionState::kHoliday:
      return Txt::kClockHoliday;
  }
  return Txt::kClockHoliday;
}

JumpLanding LandingOf(ClockJump jump, const ClockMoment& from, int days) {
  if (days < 1) return {from, Txt::kClockBadDays};
  std::optional<ClockMoment> at = JumpTarget(from, jump);
  for (int day = 1; at && jump == ClockJump::kNextDay && day < days; ++day) at = JumpTarget(*at, jump);
  if (!at) return {from, Txt::kClockClosedAlready};
  return {*at, std::nullopt};
}

JumpLanding LandingAt(int64_t timeOfDay, const ClockMoment& from) {
  if (timeOfDay < 0 || timeOfDay >= kMillisecondsPerDay) return {from, Txt::kClockBadTime};
  if (timeOfDay <= from.timeOfDay) return {from, Txt::kExClockBehind};
  return {{from.date, timeOfDay}, std::nullopt};
}

JumpReport JumpReporting(Exchange& exchange, const ClockMoment& to) {
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
    lastFill = ledger.LastFillId();
  } catch (const SqliteError& error) {
    report.refused = Text(Txt::kPaperLedgerReadFailed) + " " + error.what();
    return report;
  }
  const std::string refused = exchange.Jump(to.date, to.timeOfDay);
  if (!refused.empty()) {
    report.refused = refused;
    return report;
  }
  report.to = {clock.Date(), clock.TimeOfDay()};
  try {
    ledger.See(report.to.date, report.to.timeOfDay);
    for (const PaperFill& fill : ledger.FillsAfter(lastFill)) {
      const std::optional<PaperOrder> order = ledger.Order(fill.date, fill.number);
      if (order) report.fills.push_back({fill, order->code, paper.NameOf(order->code), order->side});
    }
  } catch (const SqliteError&) {
    // The clock moved and the ledger holds what it recorded; the account's next look shows it.
  }
  return report;
}

}  // namespace ostrada::sim
