#include "basesrc/priceinfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "basesrc/foundation/localtime.h"
#include "basesrc/foundation/memory.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

class PriceInfoTest : public ::testing::Test {
 protected:
  testing::RecordingScope recording;
  size_t Reports() const { return recording.sink.messages.size(); }
};

PriceBar Bar(int32_t open, int32_t high, int32_t low, int32_t close, int32_t change) {
  return PriceBar{0, open, high, low, close, change, 0, 0.0f};
}

TEST_F(PriceInfoTest, TickBandsChangeAtTheirLowerBounds) {
  EXPECT_EQ(PriceTick(4999), 5);
  EXPECT_EQ(PriceTick(5000), 10);
  EXPECT_EQ(PriceTick(9999), 10);
  EXPECT_EQ(PriceTick(10000), 50);
  EXPECT_EQ(PriceTick(50000), 100);
  EXPECT_EQ(PriceTick(100000), 500);
  EXPECT_EQ(PriceTick(499999), 500);
  EXPECT_EQ(PriceTick(500000), 1000);
}

TEST_F(PriceInfoTest, LimitChangeRoundsUpperByTheLimitsBandAndLowerByThePricesBand) {
  EXPECT_EQ(PriceLimitChange(1000, 1), 150);
  EXPECT_EQ(PriceLimitChange(1000, 0), -150);
  EXPECT_EQ(PriceLimitChange(4990, 1), 740);   // 5,738 lies in the 10-won band
  EXPECT_EQ(PriceLimitChange(4990, 0), -745);  // 748 rounded down to the 5-won tick of 4,990
  EXPECT_EQ(PriceLimitChange(10000, 1), 1500);
  EXPECT_EQ(PriceLimitChange(10000, 0), -1500);
  EXPECT_EQ(PriceLimitChange(10000, 7), -1500);  // any value but 1 asks for the lower limit
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(PriceInfoTest, UpperLimitLandsOnATickOfItsOwnBandWithinFifteenPercent) {
  for (int32_t price = 100; price < 700000; price += 37) {
    const int32_t up = PriceLimitChange(price, 1);
    const int32_t down = PriceLimitChange(price, 0);
    ASSERT_EQ((price + up) % PriceTick(price + up), 0) << price;
    ASSERT_GE(up, 0) << price;
    ASSERT_LE(up, price * 15 / 100 + 1) << price;
    ASSERT_EQ(down % PriceTick(price), 0) << price;
    ASSERT_LE(-down, price * 15 / 100 + 1) << price;
  }
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(PriceInfoTest, LimitOfTheLargestPriceDoesNotOverflow) {
  const int32_t up = PriceLimitChange(INT32_MAX, 1);
  EXPECT_GT(up, 0);
  EXPECT_EQ((int64_t{INT32_MAX} + up) % 1000, 0);
  EXPECT_LT(PriceLimitChange(INT32_MAX, 0), 0);
}

TEST_F(PriceInfoTest, LimitChangeOfNoPriceIsReported) {
  EXPECT_EQ(PriceLimitChange(0, 1), 0);
  EXPECT_EQ(PriceLimitChange(-5, 0), 0);
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(PriceInfoTest, PercentDividesAndReportsZeroBase) {
  EXPECT_NEAR(Percent(3, 1), 33.3333f, 1e-4);
  EXPECT_FLOAT_EQ(Percent(10000, 1500), 15.0f);
  EXPECT_FLOAT_EQ(Percent(10000, -1500), -15.0f);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(Percent(0, 5), 0.0f);
  EXPECT_EQ(Reports(), 1u);
}

TEST_F(PriceInfoTest, BarRatesFollowTheirZeroRules) {
  PriceBar bar = Bar(10100, 10500, 9900, 10300, 300);  // previous close 10,000
  EXPECT_EQ(BarBody(&bar), 200);
  EXPECT_EQ(BarPreviousClose(&bar), 10000);
  EXPECT_FLOAT_EQ(BarRate(&bar, 1), 2.0f);
  EXPECT_FLOAT_EQ(BarOpenCloseRate(&bar), 2.0f);
  EXPECT_FLOAT_EQ(BarRate(&bar, 0), 3.0f);
  EXPECT_FLOAT_EQ(BarTypicalPrice(&bar), (10500.0f + 10300.0f + 9900.0f) / 3.0f);
  EXPECT_FLOAT_EQ(BarOpenCloseMidpoint(&bar), 10200.0f);

  PriceBar noOpen = Bar(0, 10500, 9900, 10300, 300);
  EXPECT_EQ(BarRate(&noOpen, 1), 0.0f);
  PriceBar flat = Bar(10300, 10500, 9900, 10300, 0);
  EXPECT_EQ(BarRate(&flat, 1), 0.0f);
  EXPECT_EQ(BarRate(&flat, 2), 0.0f);
  PriceBar noPrevious = Bar(100, 100, 100, 300, 300);
  EXPECT_EQ(BarRate(&noPrevious, 1), 0.0f);
  EXPECT_EQ(BarRate(&noPrevious, 2), 0.0f);
  EXPECT_EQ(Reports(), 0u);

  EXPECT_EQ(BarBody(nullptr), 0);
  EXPECT_EQ(BarRate(nullptr, 1), 0.0f);
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(PriceInfoTest, CandlePredicatesNeedAnOpenAndAClose) {
  PriceBar rising = Bar(100, 120, 90, 110, 10);
  PriceBar falling = Bar(110, 120, 90, 100, -10);
  PriceBar even = Bar(100, 120, 90, 100, 0);
  PriceBar cross = Bar(100, 100, 100, 100, 0);
  PriceBar noOpen = Bar(0, 120, 90, 110, 10);
  EXPECT_TRUE(BarIsRising(&rising));
  EXPECT_FALSE(BarIsRising(&noOpen));
  EXPECT_TRUE(BarIsFalling(&falling));
  EXPECT_TRUE(BarIsEven(&even));
  EXPECT_FALSE(BarIsCross(&even));
  EXPECT_TRUE(BarIsCross(&cross));
  EXPECT_TRUE(BarIsUp(&rising));
  EXPECT_TRUE(BarIsDown(&falling));
  EXPECT_TRUE(BarIsUnchanged(&even));
  EXPECT_FALSE(BarIsRising(nullptr));
  EXPECT_FALSE(BarIsUp(nullptr));
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(PriceInfoTest, ClosedAtTheLimitMeansTheChangeIsTheLimitChange) {
  PriceBar atUpper = Bar(10000, 11500, 10000, 11500, 1500);
  PriceBar belowUpper = Bar(10000, 11450, 10000, 11450, 1450);
  PriceBar atLower = Bar(10000, 10000, 8500, 8500, -1500);
  EXPECT_TRUE(BarClosedAtUpperLimit(&atUpper));
  EXPECT_FALSE(BarClosedAtUpperLimit(&belowUpper));
  EXPECT_TRUE(BarClosedAtLowerLimit(&atLower));
  EXPECT_FALSE(BarClosedAtLowerLimit(&atUpper));
  EXPECT_FALSE(BarClosedAtUpperLimit(nullptr));
}

TEST_F(PriceInfoTest, TouchedTheLimitOnlyWhenTheCloseLeftIt) {
  PriceBar touchedUpper = Bar(10000, 11500, 10000, 11000, 1000);
  PriceBar closedUpper = Bar(10000, 11500, 10000, 11500, 1500);
  PriceBar touchedLower = Bar(10000, 10000, 8500, 9000, -1000);
  EXPECT_TRUE(BarTouchedUpperLimit(&touchedUpper));
  EXPECT_FALSE(BarTouchedUpperLimit(&closedUpper));
  EXPECT_TRUE(BarTouchedLowerLimit(&touchedLower));
  EXPECT_FALSE(BarTouchedLowerLimit(&touchedUpper));
}

TEST_F(PriceInfoTest, RateThresholdsIncludeTheirBounds) {
  PriceBar bar{};
  bar.rate = 10.0f;
  EXPECT_TRUE(BarRateAtLeast10(&bar));
  EXPECT_FALSE(BarRateAtLeast12(&bar));
  bar.rate = -12.0f;
  EXPECT_TRUE(BarRateAtMostMinus10(&bar));
  EXPECT_TRUE(BarRateAtMostMinus12(&bar));
  bar.rate = -9.99f;
  EXPECT_FALSE(BarRateAtMostMinus10(&bar));
}

TEST_F(PriceInfoTest, MinutesBetweenIsSymmetricAndRejectsZero) {
  EXPECT_EQ(MinutesBetween(930, 1005), 35);
  EXPECT_EQ(MinutesBetween(1005, 930), 35);
  EXPECT_EQ(MinutesBetween(1005, 1005), 0);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(MinutesBetween(0, 930), 0);
  EXPECT_EQ(Reports(), 1u);
}

TEST_F(PriceInfoTest, BarEndTimeCarriesIntoTheHour) {
  EXPECT_EQ(BarEndTime(930, 5), 935);
  EXPECT_EQ(BarEndTime(93000, 5), 935);
  EXPECT_EQ(BarEndTime(959, 5), 1000);
  EXPECT_EQ(BarEndTime(900, 1), 901);
  EXPECT_EQ(BarEndTime(959, 1), 1000);
  EXPECT_EQ(BarEndTime(145930, 1), 1500);
  EXPECT_EQ(BarEndTime(1059, 0), 1100);
  EXPECT_EQ(BarEndTime(1050, 10), 1100);
  EXPECT_EQ(BarEndTime(1055, 10), 1100);
  EXPECT_EQ(BarEndTime(1059, 10), 1100);
  EXPECT_EQ(BarEndTime(105959, 10), 1100);
  EXPECT_EQ(BarEndTime(1059, 3), 1100);
  EXPECT_EQ(BarEndTime(1100, 3), 1103);
  EXPECT_EQ(BarEndTime(1000, 15), 1015);
  EXPECT_EQ(BarEndTime(1059, 30), 1100);
  EXPECT_EQ(BarEndTime(1100, 30), 1130);
  EXPECT_EQ(BarEndTime(959, 60), 1000);
  EXPECT_EQ(BarEndTime(1000, 60), 1100);
  EXPECT_EQ(BarEndTime(1020, 60), 1100);
}

// Over a whole session every interval the server takes gives bars of n minutes, ending in order on
// real times, so that a series accepts them one after another.
TEST_F(PriceInfoTest, BarEndsOfEveryIntervalAreTimesInOrder) {
  for (int32_t n = 1; n <= 60; ++n) {
    int32_t previous = 0;
    for (int32_t minute = 9 * 60; minute <= 15 * 60 + 30; ++minute) {
      const int32_t end = BarEndTime(minute / 60 * 100 + minute % 60, n);
      ASSERT_LT(end % 100, 60) << n << " " << minute;
      const int32_t endMinute = end / 100 * 60 + end % 100;
      ASSERT_GT(endMinute, minute) << n;
      ASSERT_LE(endMinute, minute + n) << n;
      ASSERT_EQ(endMinute % n, 0) << n;
      ASSERT_GE(end, previous) << n << " " << minute;
      previous = end;
    }
  }
}

TEST_F(PriceInfoTest, TimeHelpersReadTheInstalledClock) {
  FixedTimeSource clock(LocalClock{2010, 1, 3, 9, 5, 7, 0, 0, 2});
  ScopedTimeSource scope(clock);
  EXPECT_EQ(NowHHMM(), 905);
  EXPECT_EQ(NowHHMMSS(), 90507);
  EXPECT_EQ(TodayYYYYMMDD(), 20100103);
  clock.Set(LocalClock{2009, 12, 15, 23, 59, 0, 0, 2, 348});
  EXPECT_EQ(TodayYYYYMMDD(), 20091215);
}

TEST_F(PriceInfoTest, DateNumberReadsCenturyAndYearBytes) {
  const uint8_t record[kLocalTimeRecordSize] = {20, 10, 1, 3, 0, 0, 0, 1, 0, 2};
  EXPECT_EQ(DateNumber(record), 20100103);
  EXPECT_EQ(DateNumber(nullptr), 0);
  EXPECT_EQ(Reports(), 1u);
}

TEST_F(PriceInfoTest, CommaItemsIgnoreAnEmptyLastItem) {
  EXPECT_EQ(CountCommaItems("A000020,A000030,A000040"), 3);
  EXPECT_EQ(CountCommaItems("A000020,A000030,"), 2);
  EXPECT_EQ(CountCommaItems("A000020"), 1);
  EXPECT_EQ(CountCommaItems(""), 0);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(CountCommaItems(nullptr), -1);
  EXPECT_EQ(Reports(), 1u);
}

TEST_F(PriceInfoTest, FoldTurnsFullWidthLettersToAsciiAndKeepsEveryOtherByte) {
  const std::pair<const char*, const char*> cases[] = {
      // Full-width A, B, c, then Hangul "가" and full-width digit 1, which stay two bytes each.
      {"\xA3\xC1\xA3\xC2\xA3\xE3x\xB0\xA1\xA3\xB1", "ABcx\xB0\xA1\xA3\xB1"},
      // A lead byte cut off by the end.
      {"ab\xA3", "ab\xA3"},
  };
  for (const auto& [text, expected] : cases) {
    HeapText folded(FoldFullWidthLetters(text));
    ASSERT_NE(folded, nullptr) << expected;
    EXPECT_STREQ(folded.get(), expected);
  }
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(PriceInfoTest, FoldRejectsMissingAndEmptyTexts) {
  EXPECT_EQ(FoldFullWidthLetters(nullptr), nullptr);
  EXPECT_EQ(FoldFullWidthLetters(""), nullptr);
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(PriceInfoTest, ZeroPairClearsTwoValues) {
  int32_t pair[3] = {5, 6, 7};
  EXPECT_EQ(ZeroPair(pair), 1);
  EXPECT_EQ(pair[0], 0);
  EXPECT_EQ(pair[1], 0);
  EXPECT_EQ(pair[2], 7);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(ZeroPair(nullptr), 0);
  ASSERT_EQ(Reports(), 1u);
  EXPECT_NE(recording.sink.messages[0].Utf8().find("] - basesrc/priceinfo 에서"), std::string::npos);
}

}  // namespace
}  // namespace ostrada
