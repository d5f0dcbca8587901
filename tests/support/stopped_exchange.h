#pragma once
// The embedded exchange as ostrada-cli starts it for --seed, --stocks, --date and --at (HHMMSS): its clock
// standing still at that moment. A test reads the market the command showed from here, through the
// data layer, and checks the command's figures against it.
#include <cstdint>
#include <memory>

#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "tests/support/recording_sink.h"

namespace ostrada::testing {

class StoppedExchange {
 public:
  StoppedExchange(uint64_t seed, int stocks, int32_t date, int32_t hhmmss)
      : exchange_(Options(seed, stocks, date, sim::ExchangeClock::AtHhmmss(hhmmss))), server_(exchange_) {}

  sim::Exchange& exchange() { return exchange_; }
  // Whatever the data layer tells the user while the test asks.
  RecordingSink& sink() { return ui_.sink; }

 private:
  static sim::ExchangeOptions Options(uint64_t seed, int stocks, int32_t date, int64_t timeOfDayMs) {
    sim::ExchangeOptions options;
    options.seed = seed;
    options.stocks = stocks;
    options.clock = sim::ClockMode::kLive;
    const int64_t moment = sim::KoreanUnixMilliseconds(date, timeOfDayMs);
    options.wallClock = [moment] { return moment; };
    return options;
  }

  RecordingScope ui_;
  sim::Exchange exchange_;
  broker::ScopedServer server_;
};

}  // namespace ostrada::testing
