#pragma once
// Where a moment stands in the exchange's trading day, and where the trader's clock controls take
// it. Dates are YYYYMMDD, times milliseconds of the day (Korean time). Everything here follows the
// one calendar of the market, so a jump to the next trading day steps over weekends and holidays.
#include <cstdint>
#include <optional>

namespace ostrada::sim {

enum class SessionState {
  kBeforeOpen,  // a trading day before its pre-open auction
  kAuction,     // the pre-open or the closing call auction
  kRegular,     // continuous trading
  kClosed,      // the day's close has passed
  kHoliday,     // the exchange does not trade on the date
};

SessionState SessionStateAt(int32_t date, int64_t timeOfDay);

// The first trading day after `date` (which need not be a trading day itself).
int32_t NextTradingDay(int32_t date);

struct ClockMoment {
  int32_t date = 0;
  int64_t timeOfDay = 0;
};

enum class ClockJump { kOneMinute, kTenMinutes, kOneHour, kToClose, kNextDay };

// The moment the jump leads to from `now`: on by its minutes (into the next date past midnight), to
// the day's closing contract, or to the next trading day's pre-open. None when it leads nowhere
// later: to the close once it has passed or on a day without a session.
std::optional<ClockMoment> JumpTarget(const ClockMoment& now, ClockJump jump);

}  // namespace ostrada::sim
