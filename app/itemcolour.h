#pragma once
// Row colour values as the lists store them: red in the low byte, blue in the high one.
#include <QColor>
#include <cstdint>

namespace ostrada {

inline constexpr uint32_t kRedItemData = 0x0000FF;
inline constexpr uint32_t kBlueItemData = 0xFF0000;

inline QColor ItemDataColour(uint32_t itemData) {
  return QColor(static_cast<int>(itemData & 0xFF), static_cast<int>(itemData >> 8 & 0xFF),
                static_cast<int>(itemData >> 16 & 0xFF));
}

}  // namespace ostrada
