#pragma once
// The exchange's one clock. Time moves only through Advance/AdvanceTo, which run every event that
// falls due on the way, in time order (ties in scheduling order), synchronously on the caller's
// thread, and then tell the time listeners. Market objects hang all their timing on it.
//
// Exchange time is counted in milliseconds from midnight (Korean time) of the start date, so a live
// clock may run past midnight into the next date.
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "basesrc/foundation/localtime.h"

namespace ostrada::sim {

constexpr int64_t kMillisecondsPerDay = 86'400'000;
constexpr int64_t kMillisecondsPerHour = 3'600'000;
// The regular session: market time 1 to market time 2, HHMM.
constexpr int kMarketOpenHhmm = 900;
constexpr int kMarketCloseHhmm = 1500;

// Calendar helpers on YYYYMMDD dates.
// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysSinceEpoch(int32_t yyyymmdd);
int32_t AddDays(int32_t yyyymmdd, int days);
int Weekday(int32_t yyyymmdd);  // 0 = Sunday .. 6
bool IsWeekday(int32_t yyyymmdd);
bool IsValidDate(int32_t yyyymmdd);
// The date of the Korean wall clock at the given Unix time (milliseconds) and the time of day there.
int32_t KoreanDate(int64_t unixMilliseconds);
int64_t KoreanTimeOfDay(int64_t unixMilliseconds);
// The Unix time (milliseconds) of a Korean date and time of day: the inverse of the two above.
int64_t KoreanUnixMilliseconds(int32_t yyyymmdd, int64_t timeOfDay);
// The system clock as Unix milliseconds: the wall clock an exchange follows unless given its own.
int64_t SystemMilliseconds();

class ExchangeClock {
 public:
  using EventId = uint64_t;
  using ListenerId = uint64_t;

  ExchangeClock(int32_t startDate, int64_t startTime);
  ExchangeClock(const ExchangeClock&) = delete;
  ExchangeClock& operator=(const ExchangeClock&) = delete;

  int64_t Now() const { return now_; }
  int32_t Date() const;       // YYYYMMDD of Now()
  int64_t TimeOfDay() const;  // milliseconds since midnight of Date()
  int32_t Hhmmss() const;     // e.g. 93015
  int32_t Hhmm() const;       // e.g. 930
  // Milliseconds of Now() from the given HHMMSS of the start date (for scheduling by wall time).
  static int64_t AtHhmmss(int32_t hhmmss);
  // The regular session is running: a trading day of the calendar, between the two market times.
  bool IsMarketOpen() const;

  // Runs `action` when time reaches `when` (at once on the next advance when it is already past).
  EventId At(int64_t when, std::function<void()> action);
  EventId After(int64_t delay, std::function<void()> action) { return At(now_ + delay, std::move(action)); }
  // Drops a pending event; unknown or already run ids are ignored.
  void Cancel(EventId id);
  size_t PendingEvents() const { return events_.size(); }

  // Called with the new time after each advance, once every due event has run.
  ListenerId AddListener(std::function<void(int64_t now)> listener);
  void RemoveListener(ListenerId id);

  // Negative steps are ignored: the exchange's time never runs backwards. A step across midnight
  // stops at the last millisecond of the day it starts in first (events and listeners as any step).
  void Advance(int64_t milliseconds) { AdvanceTo(now_ + milliseconds); }
  void AdvanceTo(int64_t when);

  // The exchange time as local time, for the program's time source.
  LocalClock Local() const;

 private:
  // Runs the events due up to `when`, then tells the listeners.
  void Step(int64_t when);

  int32_t startDate_;
  int64_t now_;
  uint64_t nextId_ = 1;
  std::map<std::pair<int64_t, EventId>, std::function<void()>> events_;
  std::map<EventId, int64_t> eventTimes_;
  std::map<ListenerId, std::function<void(int64_t)>> listeners_;
};

// The foundation's time source reading the exchange clock, so every time the user sees agrees with
// the market's.
class ExchangeTimeSource : public TimeSource {
 public:
  explicit ExchangeTimeSource(const ExchangeClock& clock) : clock_(clock) {}
  LocalClock Now() const override { return clock_.Local(); }

 private:
  const ExchangeClock& clock_;
};

}  // namespace ostrada::sim
