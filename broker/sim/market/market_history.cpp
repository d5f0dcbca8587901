#include "broker/sim/market/market_history.h"

#include <cmath>
#include <limits>

namespace ostrada::sim {
namespace {

// The float reads back as the hundredths however the reader multiplies by 100 (float or double
// arithmetic, truncated).
bool ReadsBack(float value, int32_t hundredths) {
  return static_cast<int32_t>(value * 100.0f) == hundredths &&
         static_cast<int32_t>(static_cast<double>(value) * 100.0) == hundredths;
}

}  // namespace

bool IsIndexCode(std::string_view code) {
  return code == "U001" || code == "U201";
}

float HundredthsValue(int32_t hundredths) {
  // The nearest float may fall a hair short and truncate one hundredth low. The neighbouring floats
  // away from zero truncate back to it; a step or two always suffices at an index's magnitudes.
  constexpr int kMostSteps = 4;
  const float away = hundredths < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  auto value = static_cast<float>(hundredths / 100.0);
  for (int step = 0; step < kMostSteps && !ReadsBack(value, hundredths); ++step) value = std::nextafter(value, away);
  return value;
}

}  // namespace ostrada::sim
