// The bar indicators and one bar's contract figures, each against arithmetic done here on the
// plain numbers of five bars.
#include "basesrc/dayinfo.h"

#include <gtest/gtest.h>

#include "tests/history/history_fixture.h"

namespace ostrada {
namespace {

using namespace testing;

// Oldest first: open, high, low, close, volume. Close-to-close: +50, -30, +10, -60.
constexpr int32_t kBars[5][5] = {{1000, 1010, 990, 1000, 100},
                                 {1000, 1060, 995, 1050, 200},
                                 {1050, 1055, 1000, 1020, 300},
                                 {1020, 1040, 1010, 1030, 400},
                                 {1030, 1035, 960, 970, 500}};

std::unique_ptr<DaySeries> FiveBars() {
  auto series = std::make_unique<DaySeries>();
  series->Create("A000010", "Five");
  for (int i = 0; i < 5; ++i) {
    const int32_t* b = kBars[i];
    DayBar bar{};
    bar.price = PriceBar{NthDate(i), b[0], b[1], b[2], b[3], 0, b[4], 0.0f};
    series->Add(bar);
  }
  return series;
}

double Typical(int i) {
  return (static_cast<double>(kBars[i][1]) + kBars[i][2] + kBars[i][3]) / 3.0;
}

TEST(DayIndicators, StrengthIndexRangePositionAndSignedFlow) {
  RecordingScope scope;
  auto series = FiveBars();
  const DayBar* newest = series->Newest();
  // Three differences from the newest: -60, +10, -30: 10 * 100 / (10 + 90).
  EXPECT_FLOAT_EQ(DayStrengthIndex(newest, 3), 10.0f);
  // Four: +50 joins the gains: 60 * 100 / (60 + 90).
  EXPECT_FLOAT_EQ(DayStrengthIndex(newest, 4), 40.0f);
  EXPECT_EQ(DayStrengthIndex(newest, 5), 0.0f) << "the oldest bar has no older neighbour: four differences";

  // From the fourth bar over four bars: lowest low 990 (the oldest), highest high 1060; close 1030.
  const DayBar* fourth = newest->older;
  EXPECT_FLOAT_EQ(DayRangePosition(fourth, 4), static_cast<float>((1030.0 - 990) * 100 / (1060 - 990)));
  // The starting bar's own low and high count: from the newest over two bars, 960 to 1040, close 970.
  EXPECT_FLOAT_EQ(DayRangePosition(newest, 2), static_cast<float>((970.0 - 960) * 100 / (1040 - 960)));
  EXPECT_EQ(DayRangePosition(newest, 6), 0.0f) << "fewer bars than asked";

  // The newest typical price fell from the bar before it: negative; the fourth rose: positive.
  EXPECT_FLOAT_EQ(DaySignedFlow(newest), static_cast<float>(-Typical(4) * 500));
  EXPECT_FLOAT_EQ(DaySignedFlow(fourth), static_cast<float>(Typical(3) * 400));
  EXPECT_EQ(DaySignedFlow(series->Oldest()), 0.0f) << "no older bar";
  // An unchanged typical price is not a fall.
  DayBar same = *newest;
  same.price.time = NthDate(5);
  ASSERT_TRUE(series->Add(same));
  EXPECT_FLOAT_EQ(DaySignedFlow(series->Newest()), static_cast<float>(Typical(4) * 500));
  EXPECT_TRUE(scope.sink.messages.empty());
}

TEST(DayIndicators, OneBarsContractFiguresAndLimits) {
  DayBar bar = MakeBar(20261208, 1040);
  bar.price.open = 1000;
  bar.buyVolume = 700;
  bar.sellVolume = 400;
  bar.buyCount = 12;
  bar.smallBuyCount = 5;
  bar.sellCount = 9;
  bar.smallSellCount = 2;
  EXPECT_EQ(DayNetCount(&bar, 0), 12 - 9);
  EXPECT_EQ(DayNetCount(&bar, 1), (12 - 5) - (9 - 2));
  EXPECT_FLOAT_EQ(DayNetMoney(&bar), (700.0f - 400) * (1000 + 1040) / 2);
  EXPECT_FLOAT_EQ(DayMoneyPerNetCount(&bar, 0), (700.0f - 400) * (1000 + 1040) / 2 / 3);
  EXPECT_EQ(DayMoneyPerNetCount(&bar, 1), 0.0f) << "no net count without the small contracts";
  EXPECT_FLOAT_EQ(DayBuyShare(&bar), 12 * 100.0f / 9);
  EXPECT_EQ(DayTotalCount(&bar), 21);
  bar.sellCount = 1;
  EXPECT_FLOAT_EQ(DayBuyShare(&bar), 1200.0f);
  bar.sellCount = 0;
  EXPECT_FLOAT_EQ(DayBuyShare(&bar), 1200.0f) << "divided by 1 without sells";

  // From the previous close 4,990 (5,730 - 740): 15 % is 748; up to the 10-won tick of 5,738 is
  // 740, down by 748 less its remainder on the 5-won tick of 4,990 is -745.
  DayBar limit = MakeBar(20261208, 5730, 740);
  ASSERT_TRUE(DayBarSetLimits(&limit));
  EXPECT_EQ(limit.limitUp, 740);
  EXPECT_EQ(limit.limitDown, -745);
  DayBar first = MakeBar(20261208, 5730, 5730);  // no previous close
  ASSERT_TRUE(DayBarSetLimits(&first));
  EXPECT_EQ(first.limitUp, 0);
  EXPECT_EQ(first.limitDown, 0);
}

}  // namespace
}  // namespace ostrada
