#pragma once
// Distributions drawn from the exchange's own generator with plain arithmetic, so a seed gives the
// same market with every compiler and library.
#include <cstdint>

#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {

// Approximately standard normal (sum of uniforms), bounded to about ±3.5.
double Normal(SeededRandom& random);
// A Poisson count of the given mean (normal approximation for large means).
int32_t Poisson(SeededRandom& random, double mean);
// A step of -1, 0 or +1 (ladder positions), 0 most often.
int32_t Wiggle(SeededRandom& random);
// Nearest integer, halves away from zero.
int32_t RoundToInt(double value);

}  // namespace ostrada::sim
