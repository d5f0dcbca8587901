#pragma once
// The program's rise/fall palette (basesrc/risefall.h) as the widgets draw it.
#include <QColor>
#include <cstdint>

#include "basesrc/risefall.h"

namespace ostrada {

inline QColor PaletteColour(RiseFall direction) {
  return QColor(static_cast<QRgb>(RgbOf(direction)));
}

// The colour of a figure that changed by `change`: none (an invalid colour, the text's own) when
// nothing changed.
inline QColor RiseFallColour(int64_t change) {
  return change == 0 ? QColor() : PaletteColour(RiseFallOf(change));
}

}  // namespace ostrada
