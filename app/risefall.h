#pragma once
// Korean traders read a price above the previous close in red and one below it in blue.
#include <QColor>
#include <cstdint>

namespace ostrada {

// Red for a rise, blue for a fall, no colour (an invalid one) when nothing changed.
inline QColor RiseFallColour(int64_t change) {
  if (change > 0) return QColor(255, 0, 0);
  if (change < 0) return QColor(0, 0, 255);
  return {};
}

}  // namespace ostrada
