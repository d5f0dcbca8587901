#pragma once
// The commands that show the market at a chosen moment build their exchange the same way: a live
// clock stopped at --at on the trading date, so any time of the day can be shown and a command moves
// it on only by advancing the exchange itself.
#include <cstdint>
#include <string>

#include "broker/sim/exchange.h"

namespace ostrada::cli {

// HH:MM:SS as milliseconds of the day; -1 when malformed.
int64_t ParseTime(const std::string& text);

// Options whose clock stands at the time of day on the date (0: the last weekday).
sim::ExchangeOptions StoppedAt(int32_t date, int64_t timeOfDay);

}  // namespace ostrada::cli
