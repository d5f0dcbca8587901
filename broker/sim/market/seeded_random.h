#pragma once
// The exchange's one source of randomness: a small generator whose sequence depends on the seed alone
// (no standard distributions, whose results differ between libraries), so a seed gives the same
// market on every build.
#include <cstdint>

namespace ostrada::sim {

class SeededRandom {
 public:
  explicit SeededRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, bound); bound must be positive.
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }
  // Uniform in [low, high].
  int32_t Between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(Below(static_cast<uint32_t>(high - low + 1)));
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // True with the given probability in percent.
  bool Percent(double percent) { return Unit() * 100.0 < percent; }

 private:
  uint64_t state_;
};

// A seed derived from a parent seed and a salt, for independent streams (per stock, per object).
inline uint64_t DeriveSeed(uint64_t seed, uint64_t salt) {
  SeededRandom random(seed ^ (salt * 0xD6E8FEB86659FD93ull));
  return random.Next();
}

}  // namespace ostrada::sim
