#include "broker/sim/market_random.h"

#include <cmath>

namespace ostrada::sim {

double Normal(SeededRandom& random) {
  double sum = 0;
  for (int i = 0; i < 4; ++i) sum += random.Unit();
  return (sum - 2.0) * 1.7320508075688772;  // four uniforms have variance 1/3
}

int32_t Poisson(SeededRandom& random, double mean) {
  if (mean <= 0) return 0;
  if (mean >= 24) {
    const int32_t count = RoundToInt(mean + std::sqrt(mean) * Normal(random));
    return count > 0 ? count : 0;
  }
  const double floor = std::exp(-mean);
  int32_t count = 0;
  for (double product = random.Unit(); product > floor; product *= random.Unit()) ++count;
  return count;
}

int32_t RoundToInt(double value) {
  return static_cast<int32_t>(value < 0 ? value - 0.5 : value + 0.5);
}

}  // namespace ostrada::sim
