#pragma once
// The exchange's calendar: trading days are weekdays that are not one of the fixed holidays.
// Dates are YYYYMMDD integers.
#include <cstdint>
#include <vector>

namespace ostrada::sim {

bool IsTradingDay(int32_t date);
// The trading day before `date` (which need not be a trading day itself).
int32_t PreviousTradingDay(int32_t date);
// The `count` trading days before `date`, oldest first.
std::vector<int32_t> TradingDaysBefore(int32_t date, int count);
// Monday-based week number that is the same for every day of one calendar week.
int32_t WeekOf(int32_t date);

}  // namespace ostrada::sim
