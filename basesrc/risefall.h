#pragma once
// The one rise/fall palette of the program: every table, header, board and chart, on the screen and
// in the SVG chart, takes its colours here, so a rise is the same red everywhere. Korean traders read
// a rise in red and a fall in blue.
#include <cstdint>
#include <string>

namespace ostrada {

enum class RiseFall { kEven, kRise, kFall };

// 0xRRGGBB. Dark enough to read as text on white, bright enough to fill a candle.
inline constexpr uint32_t kRiseRgb = 0xD7191C;
inline constexpr uint32_t kFallRgb = 0x1F5FD0;
// What neither rose nor fell, where something must be drawn (a candle); text stays in its own colour.
inline constexpr uint32_t kEvenRgb = 0x333333;

constexpr RiseFall RiseFallOf(int64_t change) {
  return change > 0 ? RiseFall::kRise : change < 0 ? RiseFall::kFall : RiseFall::kEven;
}

constexpr uint32_t RgbOf(RiseFall direction) {
  return direction == RiseFall::kRise ? kRiseRgb : direction == RiseFall::kFall ? kFallRgb : kEvenRgb;
}

// "#rrggbb", as SVG and style sheets write a colour.
std::string HexColour(uint32_t rgb);

}  // namespace ostrada
