#include "tools/exchange_moment.h"

#include <cstdio>

#include "broker/sim/clock.h"

namespace ostrada::cli {

int64_t ParseTime(const std::string& text) {
  int hh = 0, mm = 0, ss = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d:%d:%d%c", &hh, &mm, &ss, &tail) != 3) return -1;
  if (hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 || ss > 59) return -1;
  return ((hh * 60LL + mm) * 60 + ss) * 1000;
}

sim::ExchangeOptions StoppedAt(int32_t date, int64_t timeOfDay) {
  sim::ExchangeOptions options;
  options.clock = sim::ClockMode::kLive;
  const int32_t day = date > 0 ? date : sim::DefaultTradingDate(sim::SystemMilliseconds());
  options.wallClock = [moment = sim::KoreanUnixMilliseconds(day, timeOfDay)] { return moment; };
  return options;
}

}  // namespace ostrada::cli
