#pragma once
// The valid prices of one stock's trading day: every tick of the tick bands between the day's lower
// and upper limit. The market walks on ladder positions, so every price it emits is a valid tick
// within the limits by construction.
#include <cstdint>

namespace ostrada::sim {

class PriceLadder {
 public:
  // The ladder of a day whose previous close is `previousClose` (a valid tick, above 0).
  explicit PriceLadder(int32_t previousClose);

  int32_t Lower() const { return lower_; }
  int32_t Upper() const { return upper_; }
  int32_t Size() const { return size_; }
  int32_t Top() const { return size_ - 1; }

  // Position of a valid price within the limits (clamped to the ladder otherwise).
  int32_t Position(int32_t price) const;
  // Price at a position (clamped to the ladder).
  int32_t PriceAt(int32_t position) const;
  int32_t Clamp(int32_t position) const { return position < 0 ? 0 : position > Top() ? Top() : position; }

 private:
  int32_t lower_;
  int32_t upper_;
  int32_t size_;
};

// The nearest valid tick at or below a positive price (a non-positive price gives the smallest tick).
int32_t TickAtOrBelow(int32_t price);

}  // namespace ostrada::sim
