#include "tools/cli_exchange.h"

#include <cstdio>

#include "broker/sim/clock.h"

namespace ostrada::cli {

int64_t ParseTimeOfDay(const std::string& text) {
  int hh = 0, mm = 0, ss = 0;
  char tail = 0;
  const int fields = std::sscanf(text.c_str(), "%d:%d:%d%c", &hh, &mm, &ss, &tail);
  if (fields != 2 && fields != 3) return -1;
  if (fields == 2 && text.find(':') != text.rfind(':')) return -1;
  if (hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 || ss > 59) return -1;
  return ((hh * 60LL + mm) * 60 + ss) * 1000;
}

std::unique_ptr<sim::Exchange> ExchangeAt(const MarketChoice& choice) {
  const int64_t at = ParseTimeOfDay(choice.at);
  if (at < 0) {
    std::fprintf(stderr, "ostrada-cli: the time wants HH:MM or HH:MM:SS, not %s\n", choice.at.c_str());
    return nullptr;
  }
  sim::ExchangeOptions options;
  options.seed = choice.seed;
  options.stocks = choice.stocks;
  options.clock = sim::ClockMode::kLive;
  const int32_t date = choice.date > 0 ? choice.date : sim::DefaultTradingDate(sim::SystemMilliseconds());
  options.wallClock = [moment = sim::KoreanUnixMilliseconds(date, at)] { return moment; };
  return std::make_unique<sim::Exchange>(options);
}

}  // namespace ostrada::cli
