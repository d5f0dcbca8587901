#include "broker/sim/market/session_clock.h"

#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada::sim {

SessionState SessionStateAt(int32_t date, int64_t timeOfDay) {
  if (!IsTradingDay(date)) return SessionState::kHoliday;
  if (timeOfDay < kPreOpenMs) return SessionState::kBeforeOpen;
  if (timeOfDay >= kCloseMs) return SessionState::kClosed;
  if (timeOfDay < kOpenMs || timeOfDay >= kClosingAuctionMs) return SessionState::kAuction;
  return SessionState::kRegular;
}

int32_t NextTradingDay(int32_t date) {
  int32_t next = AddDays(date, 1);
  while (!IsTradingDay(next)) next = AddDays(next, 1);
  return next;
}

namespace {

ClockMoment Later(const ClockMoment& now, int64_t milliseconds) {
  const int64_t time = now.timeOfDay + milliseconds;
  return {AddDays(now.date, static_cast<int>(time / kMillisecondsPerDay)), time % kMillisecondsPerDay};
}

}  // namespace

std::optional<ClockMoment> JumpTarget(const ClockMoment& now, ClockJump jump) {
  switch (jump) {
    case ClockJump::kOneMinute:
      return Later(now, kMsPerMinute);
    case ClockJump::kTenMinutes:
      return Later(now, 10 * kMsPerMinute);
    case ClockJump::kOneHour:
      return Later(now, kMsPerHour);
    case ClockJump::kToClose:
      if (!IsTradingDay(now.date) || now.timeOfDay >= kCloseMs) return std::nullopt;
      return ClockMoment{now.date, kCloseMs};
    case ClockJump::kNextDay:
      return ClockMoment{NextTradingDay(now.date), kPreOpenMs};
  }
  return std::nullopt;
}

}  // namespace ostrada::sim
