#include "broker/sim/market/market_random.h"

#include <cmath>

namespace ostrada::sim {

double Normal(SeededRandom& random) {
  // Four 16-bit uniforms from one draw: the same shape as four full uniforms at a quarter of the cost.
  const uint64_t bits = random.Next();
  const auto sum = static_cast<double>((bits & 0xFFFF) + (bits >> 16 & 0xFFFF) + (bits >> 32 & 0xFFFF) + (bits >> 48));
  return (sum / 65536.0 - 2.0) * 1.7320508075688772;  // four uniforms have variance 1/3
}

int32_t Poisson(SeededRandom& random, double mean) {
  if (mean <= 0) return 0;
  if (mean >= 12) {
    const int32_t count = RoundToInt(mean + std::sqrt(mean) * Normal(random));
    return count > 0 ? count : 0;
  }
  // e^-mean as the 16th power of a short series: plain arithmetic, and the floor need not be exact.
  const double x = mean / 16.0;
  double floor = 1.0 - x * (1.0 - x * (0.5 - x * (1.0 / 6.0 - x / 24.0)));
  for (int i = 0; i < 4; ++i) floor *= floor;
  int32_t count = 0;
  for (double product = random.Unit(); product > floor; product *= random.Unit()) ++count;
  return count;
}

int32_t Wiggle(SeededRandom& random) {
  const double draw = random.Unit();
  return draw < 0.2 ? -1 : draw < 0.4 ? 1 : 0;
}

int32_t RoundToInt(double value) {
  return static_cast<int32_t>(value < 0 ? value - 0.5 : value + 0.5);
}

}  // namespace ostrada::sim
