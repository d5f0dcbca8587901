#pragma once
// The market as the exchange's objects share it: built from the listing, kept on the exchange
// clock, and a few helpers every market object uses to read inputs and write values.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "broker/sim/market/market.h"
#include "broker/sim/market/exchange_context.h"

namespace ostrada::sim {

// What the market needs of each listed stock, in listing order.
std::vector<StockProfile> ProfilesOf(const Listing& listing);

class MarketService {
 public:
  // REQUIRES: the context (clock, listing, faults) outlives the service.
  explicit MarketService(ExchangeContext& context);
  ~MarketService();
  MarketService(const MarketService&) = delete;
  MarketService& operator=(const MarketService&) = delete;

  // The market brought to the clock's time.
  Market& Sync();
  // The market as it stands, without moving it (for leaving it: no event may be delivered then).
  Market& Current() { return market_; }

 private:
  ExchangeContext& context_;
  Market market_;
  ExchangeClock::ListenerId listener_;
};

using SharedMarket = std::shared_ptr<MarketService>;

}  // namespace ostrada::sim
