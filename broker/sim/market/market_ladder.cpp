#include "broker/sim/market/market_ladder.h"

#include <array>
#include <limits>

#include "basesrc/priceinfo.h"

namespace ostrada::sim {
namespace {

// Band edges of the tick rule; the tick of each band divides the edges above it, so counting
// positions band by band never straddles a tick.
struct Band {
  int32_t below;
  int32_t tick;
};
constexpr std::array<Band, 6> kBands = {{
    {5000, 5},
    {10000, 10},
    {50000, 50},
    {100000, 100},
    {500000, 500},
    {std::numeric_limits<int32_t>::max(), 1000},
}};

// Number of valid prices in [from, to); `from` is a valid tick.
int32_t CountTicks(int32_t from, int32_t to) {
  int32_t count = 0;
  int32_t at = from;
  for (const Band& band : kBands) {
    if (at >= to) break;
    if (at >= band.below) continue;
    const int32_t end = to < band.below ? to : band.below;
    count += (end - at + band.tick - 1) / band.tick;
    at = end;
  }
  return count;
}

}  // namespace

int32_t TickAtOrBelow(int32_t price) {
  if (price <= 5) return 5;
  return price - price % PriceTick(price);
}

PriceLadder::PriceLadder(int32_t previousClose)
    : lower_(previousClose + PriceLimitChange(previousClose, 0)),
      upper_(previousClose + PriceLimitChange(previousClose, 1)),
      size_(CountTicks(lower_, upper_) + 1) {}

int32_t PriceLadder::Position(int32_t price) const {
  if (price <= lower_) return 0;
  if (price >= upper_) return Top();
  return CountTicks(lower_, price);
}

int32_t PriceLadder::PriceAt(int32_t position) const {
  int32_t remaining = Clamp(position);
  int32_t at = lower_;
  for (const Band& band : kBands) {
    if (at >= band.below) continue;
    const int32_t inBand = (band.below - at) / band.tick;
    if (remaining < inBand) return at + remaining * band.tick;
    remaining -= inBand;
    at = band.below;
  }
  return upper_;
}

}  // namespace ostrada::sim
