#pragma once
// Prices a number of ticks away from a price on the exchange's tick rule. The tick widens at price
// thresholds, so a fixture stepping by a fixed width (the spread, say) leaves the grid where its
// steps cross one, and the exchange refuses the price.
#include <cstdint>

#include "basesrc/priceinfo.h"

namespace ostrada::testing {

// `ticks` steps up (positive) or down (negative) from a price on the grid, each step the tick of the
// band it is taken in.
inline int32_t TicksFrom(int32_t price, int ticks) {
  for (; ticks > 0; --ticks) price += PriceTick(price);
  for (; ticks < 0; ++ticks) price -= PriceTick(price - 1);
  return price;
}

}  // namespace ostrada::testing
