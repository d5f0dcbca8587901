// The program's one rise/fall palette: which way a change points, at its boundaries, and the colour
// each way takes, as the SVG writes it.
#include "basesrc/risefall.h"

#include <gtest/gtest.h>

#include <limits>

namespace ostrada {
namespace {

struct PaletteCase {
  int64_t change;
  RiseFall direction;
  const char* hex;
};

class Palette : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(Palette, ChangePointsOneWayInOneColour) {
  EXPECT_EQ(RiseFallOf(GetParam().change), GetParam().direction);
  EXPECT_EQ(HexColour(RgbOf(GetParam().direction)), GetParam().hex);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, Palette,
                         ::testing::Values(PaletteCase{1, RiseFall::kRise, "#d7191c"},
                                           PaletteCase{std::numeric_limits<int64_t>::max(), RiseFall::kRise, "#d7191c"},
                                           PaletteCase{0, RiseFall::kEven, "#333333"},
                                           PaletteCase{-1, RiseFall::kFall, "#1f5fd0"},
                                           PaletteCase{std::numeric_limits<int64_t>::min(), RiseFall::kFall, "#1f5fd0"}));

TEST(HexColour, KeepsLeadingZerosAndDropsWhatIsNoColour) {
  EXPECT_EQ(HexColour(0x00000A), "#00000a");
  EXPECT_EQ(HexColour(0xFF123456), "#123456");
}

}  // namespace
}  // namespace ostrada
