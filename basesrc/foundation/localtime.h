#pragma once
// Local time from one clock source. The embedded exchange's session clock and the tests install
// their own source, so every time the user sees agrees with the market's.
#include <cstdint>

namespace ostrada {

// Broken-down local time of the current clock source.
struct LocalClock {
  int year;   // e.g. 2026
  int month;  // 1..12
  int day;    // 1..31
  int hour;   // 0..23
  int minute;
  int second;
  int millisecond;
  int weekday;  // 0 = Sunday .. 6
  int yearDay;  // 0-based day of the year
};

class TimeSource {
 public:
  virtual ~TimeSource() = default;
  virtual LocalClock Now() const = 0;
};

// The source in force: the system's local time unless one is installed.
const TimeSource& CurrentTimeSource();
LocalClock NowLocal();

class ScopedTimeSource {
 public:
  explicit ScopedTimeSource(const TimeSource& source);
  ~ScopedTimeSource();
  ScopedTimeSource(const ScopedTimeSource&) = delete;
  ScopedTimeSource& operator=(const ScopedTimeSource&) = delete;

 private:
  const TimeSource* previous_;
};

// A source fixed at a given moment (tests set and move it).
class FixedTimeSource : public TimeSource {
 public:
  explicit FixedTimeSource(LocalClock now) : now_(now) {}
  LocalClock Now() const override { return now_; }
  void Set(LocalClock now) { now_ = now; }

 private:
  LocalClock now_;
};

// The 10-byte local time record.
constexpr int kLocalTimeRecordSize = 10;
int GetLocalTimeFields(uint8_t* record);

}  // namespace ostrada
