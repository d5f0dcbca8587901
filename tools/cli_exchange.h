#pragma once
// The embedded exchange as the terminal commands set it up: a live clock stopped at a chosen moment
// of a trading day, so any time of the day can be shown; from there it moves only by Advance.
#include <cstdint>
#include <memory>
#include <string>

#include "broker/sim/exchange.h"

namespace ostrada::cli {

struct MarketChoice {
  uint64_t seed = sim::ExchangeOptions{}.seed;
  int stocks = 0;    // 0: the default listing
  int32_t date = 0;  // YYYYMMDD; 0: the last weekday
  std::string at;    // HH:MM or HH:MM:SS
};

// Milliseconds of the day of "HH:MM" or "HH:MM:SS"; -1 when malformed.
int64_t ParseTimeOfDay(const std::string& text);

// The exchange at the chosen moment; null after telling the user what is wrong with the time.
std::unique_ptr<sim::Exchange> ExchangeAt(const MarketChoice& choice);

}  // namespace ostrada::cli
