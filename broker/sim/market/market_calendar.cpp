#include "broker/sim/market/market_calendar.h"

#include <algorithm>
#include <array>

#include "broker/sim/market/clock.h"

namespace ostrada::sim {
namespace {

// The years whose holidays are listed in full below.
constexpr int32_t kFirstListedYear = 2024;
constexpr int32_t kLastListedYear = 2027;

// Every weekday the exchange closed or closes in the listed years, in order.
constexpr std::array<int32_t, 67> kListedHolidays = {
    // 2024
    20240101, 20240209, 20240212, 20240301, 20240410, 20240501, 20240506, 20240515, 20240606, 20240815, 20240916,
    20240917, 20240918, 20241001, 20241003, 20241009, 20241225, 20241231,
    // 2025
    20250101, 20250127, 20250128, 20250129, 20250130, 20250303, 20250501, 20250505, 20250506, 20250603, 20250606,
    20250815, 20251003, 20251006, 20251007, 20251008, 20251009, 20251225, 20251231,
    // 2026
    20260101, 20260216, 20260217, 20260218, 20260302, 20260501, 20260505, 20260525, 20260603, 20260817, 20260924,
    20260925, 20261005, 20261009, 20261225, 20261231,
    // 2027
    20270101, 20270205, 20270208, 20270301, 20270505, 20270513, 20270816, 20270914, 20270915, 20270916, 20271004,
    20271011, 20271227, 20271231};

// Other years: the fixed-date holidays (month * 100 + day), year-end closing included.
constexpr std::array<int32_t, 10> kFixedHolidays = {101, 301, 501, 505, 606, 815, 1003, 1009, 1225, 1231};

}  // namespace

bool IsExchangeHoliday(int32_t date) {
  if (!IsWeekday(date)) return false;
  const int32_t year = date / 10000;
  if (year >= kFirstListedYear && year <= kLastListedYear)
    return std::binary_search(kListedHolidays.begin(), kListedHolidays.end(), date);
  return std::find(kFixedHolidays.begin(), kFixedHolidays.end(), date % 10000) != kFixedHolidays.end();
}

bool IsTradingDay(int32_t date) {
  return IsWeekday(date) && !IsExchangeHoliday(date);
}

int32_t PreviousTradingDay(int32_t date) {
  for (;;) {
    date = AddDays(date, -1);
    if (IsTradingDay(date)) return date;
  }
}

int32_t TradingDayAtOrBefore(int32_t date) {
  return IsTradingDay(date) ? date : PreviousTradingDay(date);
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
