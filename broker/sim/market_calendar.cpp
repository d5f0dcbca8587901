#include "broker/sim/market_calendar.h"

#include <algorithm>
#include <array>

namespace ostrada::sim {
namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int32_t DaysFromCivil(int32_t y, int32_t m, int32_t d) {
  y -= m <= 2 ? 1 : 0;
  const int32_t era = (y >= 0 ? y : y - 399) / 400;
  const int32_t yearOfEra = y - era * 400;
  const int32_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int32_t CivilFromDays(int32_t z) {
  z += 719468;
  const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int32_t dayOfEra = z - era * 146097;
  const int32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int32_t mp = (5 * dayOfYear + 2) / 153;
  const int32_t d = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int32_t m = mp < 10 ? mp + 3 : mp - 9;
  const int32_t y = yearOfEra + era * 400 + (m <= 2 ? 1 : 0);
  return y * 10000 + m * 100 + d;
}

int32_t DayNumber(int32_t date) {
  return DaysFromCivil(date / 10000, date / 100 % 100, date % 100);
}

// The fixed-date holidays of the exchange (month * 100 + day), year-end closing included.
constexpr std::array<int32_t, 9> kHolidays = {101, 301, 505, 606, 815, 1003, 1009, 1225, 1231};

}  // namespace

bool IsTradingDay(int32_t date) {
  const int32_t weekday = (DayNumber(date) + 4) % 7;  // 1970-01-01 was a Thursday; 0 = Sunday
  if (weekday == 0 || weekday == 6) return false;
  return std::find(kHolidays.begin(), kHolidays.end(), date % 10000) == kHolidays.end();
}

int32_t PreviousTradingDay(int32_t date) {
  int32_t day = DayNumber(date);
  for (;;) {
    const int32_t candidate = CivilFromDays(--day);
    if (IsTradingDay(candidate)) return candidate;
  }
}

std::vector<int32_t> TradingDaysBefore(int32_t date, int count) {
  std::vector<int32_t> days(static_cast<size_t>(count > 0 ? count : 0));
  for (auto it = days.rbegin(); it != days.rend(); ++it) *it = date = PreviousTradingDay(date);
  return days;
}

int32_t WeekOf(int32_t date) {
  return (DayNumber(date) + 3) / 7;
}

}  // namespace ostrada::sim
