#pragma once
// The exchange's trading days as its index's daily bars show them, for commands that name a base day:
// a pre-data list is built for a day that had a session, and screened on the session after it.
#include <cstdint>
#include <vector>

#include "basesrc/stocgate.h"
#include "broker/sim/exchange.h"

namespace ostrada::cli {

class TradingDays {
 public:
  // The index's daily bars as far back as the exchange keeps them; false after telling stderr.
  bool Download(StocGate& gate);
  bool IsSession(int32_t date) const;
  // The newest session before the date; 0 when none is known.
  int32_t SessionBefore(int32_t date) const;

 private:
  std::vector<int32_t> dates_;  // oldest first
};

// The date the exchange's clock stands on, YYYYMMDD.
int32_t ExchangeDate(const sim::Exchange& exchange);

}  // namespace ostrada::cli
