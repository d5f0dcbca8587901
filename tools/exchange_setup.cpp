#include "tools/exchange_setup.h"

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

void AddExchangeSetupOptions(CLI::App& command, ExchangeSetup& setup, const std::string& dateOption) {
  command.add_option("--seed", setup.seed, "The exchange's seed");
  command.add_option("--stocks", setup.stocks, "Listing size (0: the default market)")->check(CLI::NonNegativeNumber);
  command.add_option(dateOption, setup.date, "Trading date YYYYMMDD (default: the last weekday)");
  command.add_option("--at", setup.at, "Exchange time HH:MM:SS")->capture_default_str();
}

std::unique_ptr<sim::Exchange> StartExchange(const ExchangeSetup& setup) {
  const int64_t at = ParseTime(setup.at);
  if (at < 0) {
    std::fprintf(stderr, "ostrada-cli: --at wants HH:MM:SS, not %s\n", setup.at.c_str());
    return nullptr;
  }
  sim::ExchangeOptions options = StoppedAt(setup.date, at);
  options.seed = setup.seed;
  options.stocks = setup.stocks;
  return std::make_unique<sim::Exchange>(options);
}

}  // namespace ostrada::cli
