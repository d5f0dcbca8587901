#include "basesrc/foundation/localtime.h"

#include <atomic>
#include <ctime>

#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/foundation";

class SystemTimeSource : public TimeSource {
 public:
  // A clock that cannot be read gives year 0, which GetLocalTimeFields rejects.
  LocalClock Now() const override {
    timespec now{};
    std::tm local{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0 || localtime_r(&now.tv_sec, &local) == nullptr) return LocalClock{};
    return LocalClock{local.tm_year + 1900,
                      local.tm_mon + 1,
                      local.tm_mday,
                      local.tm_hour,
                      local.tm_min,
                      local.tm_sec,
                      static_cast<int>(now.tv_nsec / 1000000),
                      local.tm_wday,
                      local.tm_yday};
  }
};

const SystemTimeSource g_systemSource;
std::atomic<const TimeSource*> g_installed{nullptr};

bool Plausible(const LocalClock& c) {
  return c.year >= 1900 && c.year <= 9999 && c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= 31 &&
         c.hour >= 0 && c.hour <= 23 && c.minute >= 0 && c.minute <= 59 && c.second >= 0 && c.second <= 60 &&
         c.weekday >= 0 && c.weekday <= 6 && c.yearDay >= 0 && c.yearDay <= 365;
}

}  // namespace

const TimeSource& CurrentTimeSource() {
  const TimeSource* installed = g_installed.load();
  return installed ? *installed : g_systemSource;
}

LocalClock NowLocal() {
  return CurrentTimeSource().Now();
}

ScopedTimeSource::ScopedTimeSource(const TimeSource& source) : previous_(g_installed.exchange(&source)) {}

ScopedTimeSource::~ScopedTimeSource() {
  g_installed.store(previous_);
}

int GetLocalTimeFields(uint8_t* record) {
  if (!OSTRADA_VERIFY(record != nullptr)) return 0;
  const LocalClock now = NowLocal();
  if (!OSTRADA_VERIFY(Plausible(now))) return 0;
  const int sinceYear1900 = now.year - 1900;
  record[0] = static_cast<uint8_t>(19 + sinceYear1900 / 100);
  record[1] = static_cast<uint8_t>(now.year % 100);
  record[2] = static_cast<uint8_t>(now.month);
  record[3] = static_cast<uint8_t>(now.day);
  record[4] = static_cast<uint8_t>(now.hour);
  record[5] = static_cast<uint8_t>(now.minute);
  record[6] = static_cast<uint8_t>(now.second);
  record[7] = static_cast<uint8_t>(now.weekday + 1);  // 1 = Sunday
  record[8] = static_cast<uint8_t>(now.yearDay / 100);
  record[9] = static_cast<uint8_t>(now.yearDay % 100);
  return 1;
}

}  // namespace ostrada
