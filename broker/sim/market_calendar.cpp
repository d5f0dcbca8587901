#include "broker/sim/market_calendar.h"

#include <algorithm>
#include <array>

#include "broker/sim/clock.h"

namespace ostrada::sim {
namespace {

// The fixed-date holidays of the exchange (month * 100 + day), year-end closing included.
constexpr std::array<int32_t, 9> kHolidays = {101, 301, 505, 606, 815, 1003, 1009, 1225, 1231};

}  // namespace

bool IsTradingDay(int32_t date) {
  if (!IsWeekday(date)) return false;
  return std::find(kHolidays.begin(), kHolidays.end(), date % 10000) == kHolidays.end();
}

int32_t PreviousTradingDay(int32_t date) {
  for (;;) {
    date = AddDays(date, -1);
    if (IsTradingDay(date)) return date;
  }
}

std::vector<int32_t> TradingDaysBefore(int32_t date, int count) {
  std::vector<int32_t> days(static_cast<size_t>(count > 0 ? count : 0));
  for (auto it = days.rbegin(); it != days.rend(); ++it) *it = date = PreviousTradingDay(date);
  return days;
}

int32_t WeekOf(int32_t date) {
  // Days since 1970-01-01 (a Thursday), shifted so that every week starts on a Monday.
  return static_cast<int32_t>((DaysSinceEpoch(date) + 3) / 7);
}

}  // namespace ostrada::sim
