#include "broker/sim/market/clock.h"

#include <chrono>
#include <vector>

#include "broker/sim/market/market_calendar.h"

namespace ostrada::sim {
namespace {

constexpr int64_t kKoreaOffset = 9 * kMillisecondsPerHour;  // no daylight saving

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian).
int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int32_t CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  return static_cast<int32_t>(year * 10000 + month * 100 + day);
}

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

int64_t DaysSinceEpoch(int32_t yyyymmdd) {
  return DaysFromCivil(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

int32_t AddDays(int32_t yyyymmdd, int days) {
  return CivilFromDays(DaysSinceEpoch(yyyymmdd) + days);
}

int Weekday(int32_t yyyymmdd) {
  // 1970-01-01 was a Thursday.
  const int64_t days = DaysSinceEpoch(yyyymmdd);
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

bool IsWeekday(int32_t yyyymmdd) {
  const int weekday = Weekday(yyyymmdd);
  return weekday != 0 && weekday != 6;
}

bool IsValidDate(int32_t yyyymmdd) {
  const int month = yyyymmdd / 100 % 100;
  const int day = yyyymmdd % 100;
  if (yyyymmdd < 19000101 || yyyymmdd > 99991231 || month < 1 || month > 12 || day < 1) return false;
  return CivilFromDays(DaysSinceEpoch(yyyymmdd)) == yyyymmdd;
}

int32_t KoreanDate(int64_t unixMilliseconds) {
  return CivilFromDays(FloorDiv(unixMilliseconds + kKoreaOffset, kMillisecondsPerDay));
}

int64_t KoreanTimeOfDay(int64_t unixMilliseconds) {
  const int64_t local = unixMilliseconds + kKoreaOffset;
  return local - FloorDiv(local, kMillisecondsPerDay) * kMillisecondsPerDay;
}

int64_t KoreanUnixMilliseconds(int32_t yyyymmdd, int64_t timeOfDay) {
  return DaysSinceEpoch(yyyymmdd) * kMillisecondsPerDay + timeOfDay - kKoreaOffset;
}

int64_t SystemMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

ExchangeClock::ExchangeClock(int32_t startDate, int64_t startTime) : startDate_(startDate), now_(startTime) {}

int32_t ExchangeClock::Date() const {
  return AddDays(startDate_, static_cast<int>(FloorDiv(now_, kMillisecondsPerDay)));
}

int64_t ExchangeClock::TimeOfDay() const {
  return now_ - FloorDiv(now_, kMillisecondsPerDay) * kMillisecondsPerDay;
}

int32_t ExchangeClock::Hhmmss() const {
  const auto seconds = static_cast<int32_t>(TimeOfDay() / 1000);
  return seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60;
}

int32_t ExchangeClock::Hhmm() const {
  return Hhmmss() / 100;
}

int64_t ExchangeClock::AtHhmmss(int32_t hhmmss) {
  return (static_cast<int64_t>(hhmmss / 10000) * 3600 + hhmmss / 100 % 100 * 60 + hhmmss % 100) * 1000;
}

bool ExchangeClock::IsMarketOpen() const {
  const int32_t hhmm = Hhmm();
  return IsTradingDay(Date()) && hhmm >= kMarketOpenHhmm && hhmm < kMarketCloseHhmm;
}

ExchangeClock::EventId ExchangeClock::At(int64_t when, std::function<void()> action) {
  const EventId id = nextId_++;
  events_.emplace(std::make_pair(when, id), std::move(action));
  eventTimes_.emplace(id, when);
  return id;
}

void ExchangeClock::Cancel(EventId id) {
  auto found = eventTimes_.find(id);
  if (found == eventTimes_.end()) return;
  events_.erase(std::make_pair(found->second, id));
  eventTimes_.erase(found);
}

ExchangeClock::ListenerId ExchangeClock::AddListener(std::function<void(int64_t)> listener) {
  const ListenerId id = nextId_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void ExchangeClock::RemoveListener(ListenerId id) {
  listeners_.erase(id);
}

void ExchangeClock::AdvanceTo(int64_t when) {
  if (when < now_) return;
  // A step across midnight (a machine that slept) first ends the day it started in, so that the
  // market and the paper account finish that day, its close and its auctions, before a later one.
  const int64_t lastOfDay = (FloorDiv(now_, kMillisecondsPerDay) + 1) * kMillisecondsPerDay - 1;
  if (when > lastOfDay && now_ < lastOfDay) Step(lastOfDay);
  Step(when);
}

void ExchangeClock::Step(int64_t when) {
  // An event may schedule or cancel others, so take the earliest afresh each time.
  while (!events_.empty() && events_.begin()->first.first <= when) {
    auto first = events_.begin();
    const int64_t due = first->first.first;
    std::function<void()> action = std::move(first->second);
    eventTimes_.erase(first->first.second);
    events_.erase(first);
    if (due > now_) now_ = due;
    action();
  }
  now_ = when;
  // A listener may remove itself or another while being told.
  std::vector<ListenerId> ids;
  for (const auto& entry : listeners_) ids.push_back(entry.first);
  for (ListenerId id : ids) {
    auto found = listeners_.find(id);
    if (found != listeners_.end()) found->second(now_);
  }
}

LocalClock ExchangeClock::Local() const {
  const int32_t date = Date();
  const int64_t time = TimeOfDay();
  LocalClock local{};
  local.year = date / 10000;
  local.month = date / 100 % 100;
  local.day = date % 100;
  local.hour = static_cast<int>(time / kMillisecondsPerHour);
  local.minute = static_cast<int>(time / 60'000 % 60);
  local.second = static_cast<int>(time / 1000 % 60);
  local.millisecond = static_cast<int>(time % 1000);
  local.weekday = Weekday(date);
  local.yearDay = static_cast<int>(DaysSinceEpoch(date) - DaysSinceEpoch(date / 10000 * 10000 + 101));
  return local;
}

}  // namespace ostrada::sim
