#pragma once
// The embedded exchange: a deterministic market simulator that serves the server's objects.
// Time advances only through Advance(), which raises every due event synchronously on the caller's
// thread. The same seed and the same calls give the same bytes.
#include <cstdint>
#include <memory>

#include "broker/server.h"

namespace ostrada::sim {

enum class ClockMode {
  kSession,  // a trading day that starts at 09:00:00 when the exchange starts, at `speed` times real time
  kLive,     // follows the wall clock in Korean time; closed outside hours
};

struct ExchangeOptions {
  uint64_t seed = 20261208;
  int stocks = 0;  // 0: the default listing (about 2,600 stocks)
  ClockMode clock = ClockMode::kSession;
  double speed = 1.0;
};

class FaultPlan;  // broker/sim/faults.h

class Exchange : public broker::ComServer {
 public:
  explicit Exchange(const ExchangeOptions& options = {});
  ~Exchange() override;
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override;

  // Moves exchange time forward, raising every event due on the way.
  void Advance(int64_t milliseconds);
  // Fault injection for tests and the program's start-up fault options.
  FaultPlan& Faults();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ostrada::sim
