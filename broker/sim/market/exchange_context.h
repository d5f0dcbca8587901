#pragma once
// What every part of the exchange shares: the clock, the listing, the faults and the seed.
// It refers to the exchange's own members and must not outlive the exchange.
#include <cstdint>
#include <functional>

#include "broker/sim/market/clock.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"

namespace ostrada::sim {

class ExchangeContext {
 public:
  ExchangeContext(ExchangeClock& clock, const Listing& listing, FaultPlan& faults, uint64_t seed)
      : clock_(clock), listing_(listing), faults_(faults), seed_(seed) {}

  ExchangeClock& Clock() const { return clock_; }
  const Listing& Stocks() const { return listing_; }
  FaultPlan& Faults() const { return faults_; }
  uint64_t Seed() const { return seed_; }
  // Shorthand for the clock's listener: called with the new time after every advance.
  ExchangeClock::ListenerId OnAdvance(std::function<void(int64_t now)> listener) const {
    return clock_.AddListener(std::move(listener));
  }

 private:
  ExchangeClock& clock_;
  const Listing& listing_;
  FaultPlan& faults_;
  uint64_t seed_;
};

}  // namespace ostrada::sim
