#pragma once
// The rise and fall colours every window must draw, as the SVG chart writes them ("#d7191c",
// "#1f5fd0"): written out here, so a window that keeps a colour of its own fails its test.
#include <QColor>

namespace ostrada::testing {

inline const QColor kRiseRed(0xd7, 0x19, 0x1c);
inline const QColor kFallBlue(0x1f, 0x5f, 0xd0);

}  // namespace ostrada::testing
