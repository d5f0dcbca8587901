#include "broker/sim/market/clock.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "broker/sim/market/market_calendar.h"

namespace ostrada::sim {
namespace {

constexpr int64_t kNine = 9 * kMillisecondsPerHour;

TEST(ClockTest, AdvanceRunsDueEventsInTimeThenSchedulingOrder) {
  ExchangeClock clock(20261207, kNine);
  std::vector<std::string> seen;
  clock.After(300, [&] { seen.push_back("c@" + std::to_string(clock.Now() - kNine)); });
  clock.After(100, [&] { seen.push_back("a@" + std::to_string(clock.Now() - kNine)); });
  clock.After(100, [&] { seen.push_back("b@" + std::to_string(clock.Now() - kNine)); });
  clock.After(1000, [&] { seen.push_back("late"); });
  clock.Advance(300);
  EXPECT_EQ(seen, (std::vector<std::string>{"a@100", "b@100", "c@300"}));
  EXPECT_EQ(clock.Now(), kNine + 300);
  EXPECT_EQ(clock.PendingEvents(), 1u);
}

TEST(ClockTest, EventsMayScheduleAndCancelOnTheWay) {
  ExchangeClock clock(20261207, kNine);
  int ticks = 0;
  std::function<void()> tick = [&] {
    ++ticks;
    clock.After(1000, tick);
  };
  clock.After(1000, tick);
  ExchangeClock::EventId doomed = clock.After(2500, [] { FAIL() << "cancelled"; });
  clock.After(2000, [&] { clock.Cancel(doomed); });
  clock.Advance(10'000);
  EXPECT_EQ(ticks, 10);
  clock.Cancel(doomed);  // already gone: ignored
  clock.Cancel(12345);
}

TEST(ClockTest, ListenersHearEachAdvanceAfterItsEvents) {
  ExchangeClock clock(20261207, kNine);
  std::vector<int64_t> heard;
  bool eventRan = false;
  clock.After(50, [&] { eventRan = true; });
  ExchangeClock::ListenerId id = clock.AddListener([&](int64_t now) {
    EXPECT_TRUE(eventRan);
    heard.push_back(now - kNine);
  });
  clock.Advance(100);
  clock.Advance(0);
  clock.Advance(-500);
  clock.RemoveListener(id);
  clock.Advance(100);
  EXPECT_EQ(heard, (std::vector<int64_t>{100, 100})) << "a backward step is ignored whole";
  EXPECT_EQ(clock.Now(), kNine + 200) << "time never runs backwards";
}

TEST(ClockTest, AListenerMayRemoveItself) {
  ExchangeClock clock(20261207, kNine);
  int calls = 0;
  ExchangeClock::ListenerId id = 0;
  id = clock.AddListener([&](int64_t) {
    ++calls;
    clock.RemoveListener(id);
  });
  clock.Advance(1);
  clock.Advance(1);
  EXPECT_EQ(calls, 1);
}

TEST(ClockTest, TimeOfDayCrossesMidnight) {
  ExchangeClock clock(20261231, 23 * kMillisecondsPerHour + 59 * 60'000);
  EXPECT_EQ(clock.Hhmm(), 2359);
  clock.Advance(60'000 + 5'000);
  EXPECT_EQ(clock.Date(), 20270101);
  EXPECT_EQ(clock.Hhmmss(), 5);
  EXPECT_EQ(clock.Local().yearDay, 0);
  EXPECT_FALSE(clock.IsMarketOpen());
  // A long step ends the day it starts in first, with that day's events; the days it skips, it skips.
  std::vector<int64_t> heard;
  std::vector<int64_t> ran;
  clock.AddListener([&](int64_t now) { heard.push_back(now); });
  const int64_t start = clock.Now();
  clock.At(start + 1000, [&] { ran.push_back(clock.Now()); });
  clock.At(2 * kMillisecondsPerDay + 100, [&] { ran.push_back(clock.Now()); });
  clock.Advance(3 * kMillisecondsPerDay);
  EXPECT_EQ(heard, (std::vector<int64_t>{2 * kMillisecondsPerDay - 1, start + 3 * kMillisecondsPerDay}));
  EXPECT_EQ(ran, (std::vector<int64_t>{start + 1000, 2 * kMillisecondsPerDay + 100}));
  clock.Advance(kMillisecondsPerDay - clock.TimeOfDay() - 1);  // to the last millisecond of a day
  heard.clear();
  clock.Advance(1);
  EXPECT_EQ(heard.size(), 1u) << "a step from the last millisecond is an ordinary step";
}

TEST(ClockTest, MarketIsOpenOnWeekdaysBetweenTheMarketTimes) {
  ExchangeClock monday(20261207, ExchangeClock::AtHhmmss(85959));
  EXPECT_FALSE(monday.IsMarketOpen());
  monday.Advance(1000);
  EXPECT_TRUE(monday.IsMarketOpen());
  monday.AdvanceTo(ExchangeClock::AtHhmmss(145959));
  EXPECT_TRUE(monday.IsMarketOpen());
  monday.Advance(1000);
  EXPECT_FALSE(monday.IsMarketOpen());
  ExchangeClock saturday(20261205, ExchangeClock::AtHhmmss(100000));
  EXPECT_FALSE(saturday.IsMarketOpen());
  // A weekday holiday is closed all day, as the history skips it.
  ExchangeClock harvest(20260924, ExchangeClock::AtHhmmss(100000));
  EXPECT_FALSE(harvest.IsMarketOpen());
}

// The exchange's closed weekdays of 2025 and 2026, as announced: the fixed holidays, the lunar new
// year and harvest festival (with their substitutes), the election days and the year-end closing.
TEST(CalendarTest, TheExchangesHolidaysOf2025And2026) {
  const std::set<int32_t> closed = {20250101, 20250127, 20250128, 20250129, 20250130, 20250303, 20250501,
                                    20250505, 20250506, 20250603, 20250606, 20250815, 20251003, 20251006,
                                    20251007, 20251008, 20251009, 20251225, 20251231, 20260101, 20260216,
                                    20260217, 20260218, 20260302, 20260501, 20260505, 20260525, 20260603,
                                    20260817, 20260924, 20260925, 20261005, 20261009, 20261225, 20261231};
  int tradingDays = 0;
  for (int32_t date = 20250101; date <= 20261231; date = AddDays(date, 1)) {
    SCOPED_TRACE(date);
    const bool weekday = IsWeekday(date);
    EXPECT_EQ(IsExchangeHoliday(date), closed.count(date) == 1);
    EXPECT_EQ(IsTradingDay(date), weekday && closed.count(date) == 0);
    tradingDays += IsTradingDay(date) ? 1 : 0;
  }
  // 2025: 261 weekdays less 19 holidays; 2026: 261 weekdays less 16.
  EXPECT_EQ(tradingDays, 242 + 245);
  // A holiday falling on a weekend closes nothing more; Monday after a Saturday holiday trades.
  EXPECT_TRUE(IsTradingDay(20260608));
  EXPECT_EQ(PreviousTradingDay(20260219), 20260213);
  EXPECT_EQ(TradingDayAtOrBefore(20251009), 20251002);
  EXPECT_EQ(TradingDayAtOrBefore(20251010), 20251010);
  EXPECT_EQ(TradingDaysBefore(20260106, 3), (std::vector<int32_t>{20251230, 20260102, 20260105}));
  // The first and last years of the announced calendars keep their lunar and election holidays;
  // a later year closes on the fixed dates.
  for (int32_t date : {20240212, 20240410, 20240917, 20270208, 20270513, 20270915, 20271011, 20280501}) {
    EXPECT_FALSE(IsTradingDay(date)) << date;
  }
}

TEST(CalendarTest, DatesAndWeekdays) {
  EXPECT_EQ(Weekday(20261208), 2);
  EXPECT_EQ(Weekday(19700101), 4);
  EXPECT_EQ(AddDays(20240228, 1), 20240229);
  EXPECT_EQ(AddDays(20240301, -1), 20240229);
  EXPECT_EQ(AddDays(20230301, -1), 20230228);
  EXPECT_TRUE(IsValidDate(20240229));
  EXPECT_FALSE(IsValidDate(20230229));
  EXPECT_FALSE(IsValidDate(20261301));
  EXPECT_FALSE(IsValidDate(0));
  EXPECT_EQ(KoreanDate(0), 19700101);
  EXPECT_EQ(KoreanTimeOfDay(0), 9 * kMillisecondsPerHour);
  EXPECT_EQ(KoreanDate(-1), 19700101);
  EXPECT_EQ(KoreanDate(15 * kMillisecondsPerHour), 19700102);
  // 2026-12-08 00:00 in Korea is 15:00 UTC the day before; 2026-12-08 is day 20,795 of Unix time.
  EXPECT_EQ(KoreanUnixMilliseconds(20261208, 0), 20795LL * kMillisecondsPerDay - 9 * kMillisecondsPerHour);
  EXPECT_EQ(KoreanUnixMilliseconds(19700101, 9 * kMillisecondsPerHour), 0);
  const int64_t moment = KoreanUnixMilliseconds(20261231, 23 * kMillisecondsPerHour + 59 * 60'000 + 1);
  EXPECT_EQ(KoreanDate(moment), 20261231);
  EXPECT_EQ(KoreanTimeOfDay(moment), 23 * kMillisecondsPerHour + 59 * 60'000 + 1);
}

}  // namespace
}  // namespace ostrada::sim
