#pragma once
// The exchange's calendar, the one that live trading, the sessions and the history all follow:
// trading days are weekdays that are not holidays of the exchange. Dates are YYYYMMDD integers.
#include <cstdint>
#include <vector>

namespace ostrada::sim {

// A weekday the exchange is closed: the announced holidays of 2024 to 2027 (lunar new year and
// harvest festival, substitute and election days, the year-end closing); other years close on the
// fixed-date holidays only.
bool IsExchangeHoliday(int32_t date);
bool IsTradingDay(int32_t date);
// The trading day before `date` (which need not be a trading day itself).
int32_t PreviousTradingDay(int32_t date);
// `date` itself when the exchange trades on it, else the trading day before.
int32_t TradingDayAtOrBefore(int32_t date);
// The `count` trading days before `date`, oldest first.
std::vector<int32_t> TradingDaysBefore(int32_t date, int count);
// Monday-based week number that is the same for every day of one calendar week.
int32_t WeekOf(int32_t date);

}  // namespace ostrada::sim
