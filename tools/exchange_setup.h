#pragma once
// The embedded exchange as the history commands start it: a seed, a listing size, a trading date
// and a moment of that day at which its clock stands still, so every run answers the same bytes.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <memory>
#include <string>

#include "broker/sim/exchange.h"

namespace ostrada::cli {

struct ExchangeSetup {
  uint64_t seed = sim::ExchangeOptions{}.seed;
  int stocks = 0;
  int32_t date = 0;             // 0: the last weekday
  std::string at = "15:40:00";  // after the close: today's bar is whole
};

// HH:MM:SS as milliseconds of the day; -1 when malformed.
int64_t ParseTime(const std::string& text);

// Options whose clock stands still at the time of day on the date (0: the last weekday), so any
// moment of the day can be shown and a command moves it on only by advancing the exchange itself.
sim::ExchangeOptions StoppedAt(int32_t date, int64_t timeOfDay);

// The trading-date option is named by the caller where "--date" means another date.
void AddExchangeSetupOptions(CLI::App& command, ExchangeSetup& setup, const std::string& dateOption = "--date");

// The exchange stopped at the chosen moment; null after telling stderr what was wrong.
std::unique_ptr<sim::Exchange> StartExchange(const ExchangeSetup& setup);

}  // namespace ostrada::cli
