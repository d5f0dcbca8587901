#pragma once
// The stock a command-line test trades, found in the listing its runs name by seed and size: a common
// share (not a preferred one) that is not suspended.
#include <cstdint>
#include <string>

#include "broker/sim/market/listing.h"

namespace ostrada::testing {

// The first such share of the listing at least as liquid as asked, or empty.
inline std::string FirstCommonShare(uint64_t seed, int stocks, int leastLiquidity = 0) {
  const sim::Listing listing = sim::Listing::Build(seed, stocks);
  for (const sim::ListedStock& stock : listing.All()) {
    if (!stock.IsSuspended() && !stock.IsPreferred() && stock.liquidity >= leastLiquidity) return stock.code;
  }
  return {};
}

}  // namespace ostrada::testing
