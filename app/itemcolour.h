#pragma once
// Row colour values as the lists store them: red in the low byte, blue in the high one. Drawn in the
// program's rise/fall palette, so a stored red is the red of every other window.
#include <QColor>
#include <cstdint>

#include "app/risefall.h"

namespace ostrada {

inline constexpr uint32_t kRedItemData = 0x0000FF;
inline constexpr uint32_t kBlueItemData = 0xFF0000;

// The palette's colour of a stored value; none (an invalid colour) for 0 or a value neither red nor blue.
inline QColor ItemDataColour(uint32_t itemData) {
  if (itemData == kRedItemData) return PaletteColour(RiseFall::kRise);
  if (itemData == kBlueItemData) return PaletteColour(RiseFall::kFall);
  return {};
}

}  // namespace ostrada
