#include <gtest/gtest.h>

#include <vector>

#include "basesrc/nowpack.h"
#include "tests/screening/screen_fixture.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

using testing::Block;
using testing::Record;

// The slots (byte offsets) a stock counts in.
std::vector<size_t> Slots(NowPrice block, const PreDataRecord* record, PatternParams params = {}) {
  const PatternSlots slots = ClassifyStock(block, record, params);
  std::vector<size_t> offsets;
  for (size_t i = 0; i < slots.size(); ++i)
    if (slots.test(i)) offsets.push_back(4 * i);
  return offsets;
}

bool Has(const std::vector<size_t>& slots, size_t slot) {
  return std::find(slots.begin(), slots.end(), slot) != slots.end();
}

class ClassifierTest : public ::testing::Test {
 protected:
  testing::RecordingScope ui_;
};

TEST_F(ClassifierTest, UpperLimitDaysFirstMatchByDaysSinceTheLastLimit) {
  // Base 4,990: the limit is 5,730 (a change of 740).
  ASSERT_EQ(PriceLimitChange(4990, 1), 740);
  ASSERT_EQ(PriceLimitChange(10000, 0), -1500);
  const NowPrice limit = Block(4990, 5000, 5730, 4990, 5730);
  EXPECT_TRUE(AtUpperLimit(limit));
  PreDataPtr record = Record("A000010", 5730, 5000, 4900);
  record->cross.value = 4800;  // 19 % below: near enough the crossing
  struct Case {
    int32_t days;
    std::vector<size_t> expected;
  };
  for (const Case& c :
       {Case{3, {}}, Case{0, {24}}, Case{5, {}}, Case{6, {24}}, Case{20, {24}}, Case{21, {28}}, Case{2, {}}}) {
    record->upperLimit.key = c.days;
    const std::vector<size_t> slots = Slots(limit, record.get());
    EXPECT_TRUE(Has(slots, 16)) << c.days;
    EXPECT_EQ(Has(slots, 24), Has(c.expected, 24)) << c.days;
    EXPECT_EQ(Has(slots, 28), Has(c.expected, 28)) << c.days;
  }
  // Far above the crossing's average neither first counts; a streak behind it is consecutive.
  record->upperLimit.key = 21;
  record->cross.value = 4000;
  record->upperLimitStreak = 1;
  const std::vector<size_t> far = Slots(limit, record.get());
  EXPECT_FALSE(Has(far, 28));
  EXPECT_TRUE(Has(far, 20));
  EXPECT_TRUE(Has(Slots(Block(4990, 5000, 5730, 4990, 5700), nullptr), 36)) << "touched and left the limit";
  // 35 % above the crossing's average is still near it: 1,057 up 158 to 1,215 over 900.
  ASSERT_EQ(PriceLimitChange(1057, 1), 158);
  const NowPrice small = Block(1057, 1100, 1215, 1057, 1215);
  PreDataPtr near = Record("A000010", 1215, 1100, 1000);
  near->upperLimit.key = 21;
  near->cross.value = 900;
  EXPECT_TRUE(Has(Slots(small, near.get()), 28));
  near->cross.value = 899;
  EXPECT_FALSE(Has(Slots(small, near.get()), 28));
}

TEST_F(ClassifierTest, APriceTooLowForALimitMoveTouchesNoLimit) {
  // At 30 won both limit changes are 0: a high or low at the base price touched no limit.
  ASSERT_EQ(PriceLimitChange(30, 1), 0);
  ASSERT_EQ(PriceLimitChange(30, 0), 0);
  const std::vector<size_t> fell = Slots(Block(30, 30, 30, 25, 25), nullptr);
  EXPECT_FALSE(Has(fell, 36)) << "left the upper limit";
  EXPECT_FALSE(Has(fell, 56));
  const std::vector<size_t> rose = Slots(Block(30, 30, 35, 30, 35), nullptr);
  EXPECT_FALSE(Has(rose, 60)) << "left the lower limit";
  EXPECT_FALSE(Has(rose, 16));
  // Where the limit is a real move, touching it and falling back still counts: 10,000 to 11,500.
  EXPECT_TRUE(Has(Slots(Block(10000, 10000, 11500, 10000, 11000), nullptr), 36));
  EXPECT_TRUE(Has(Slots(Block(10000, 10000, 10000, 8500, 9000), nullptr), 60));
}

TEST_F(ClassifierTest, TheVolumeThresholdAndRisingDaysAtTheirBoundaries) {
  // Contract strength 250 % or more, on a falling candle, over averages that touch: 2084 (slot 260).
  NowPrice strong = Block(10000, 10100, 10200, 9900, 10000);
  strong.strength = 250.0f;
  PreDataPtr record = Record("A000010", 10000, 10000, 10000);
  record->averageVolume20 = 100000;
  EXPECT_TRUE(Has(Slots(strong, record.get(), {99999, 0}), 260));
  EXPECT_FALSE(Has(Slots(strong, record.get(), {100000, 0}), 260)) << "the average volume must be above";
  strong.strength = 249.99f;
  EXPECT_FALSE(Has(Slots(strong, record.get(), {0, 0}), 260));

  // Dense rising candles (slot 252): at least N rising days of 25, and at most 20 % above the
  // crossing's 5-day average.
  const NowPrice riser = Block(10000, 11000, 12100, 10950, 12000);
  PreDataPtr dense = Record("A000020", 12000, 12000, 12000);
  dense->averageVolume20 = 5000;
  dense->rising25 = 10;
  dense->cross.value = 10000;  // 12,000 is 20 % above it
  EXPECT_TRUE(Has(Slots(riser, dense.get(), {4999, 10}), 252));
  EXPECT_FALSE(Has(Slots(riser, dense.get(), {4999, 11}), 252)) << "fewer rising days than asked";
  EXPECT_FALSE(Has(Slots(riser, dense.get(), {4999, 0}), 252)) << "not tested without a day count";
  EXPECT_FALSE(Has(Slots(riser, dense.get(), {5000, 10}), 252)) << "the average volume must be above";
  dense->cross.value = 9999;  // 20.01 % above
  EXPECT_FALSE(Has(Slots(riser, dense.get(), {4999, 10}), 252));
}

TEST_F(ClassifierTest, RateThresholdsAreInclusive) {
  NowPrice up = Block(10000, 10000, 11200, 10000, 11200);
  up.bar.rate = 12.0f;
  EXPECT_EQ(Slots(up, nullptr), (std::vector<size_t>{0, 4, 8, 12, 68}));
  NowPrice down = Block(10000, 10000, 10000, 8800, 8800);
  down.bar.rate = -12.0f;
  EXPECT_EQ(Slots(down, nullptr), (std::vector<size_t>{40, 44, 48, 52, 76}));
}

TEST_F(ClassifierTest, AlignmentFirstMatchAndTouchingAverages) {
  const NowPrice rising = Block(10000, 10000, 10300, 9950, 10200);
  // 5 over 20 wins before anything else; 60 below both and the price adds slot 200.
  PreDataPtr over = Record("A000010", 10200, 10100, 10000, 9900);
  std::vector<size_t> slots = Slots(rising, over.get());
  EXPECT_TRUE(Has(slots, 196) && Has(slots, 200));
  EXPECT_FALSE(Has(slots, 208) || Has(slots, 228) || Has(slots, 232));
  // Equal averages below the price on a rising candle touch; on a falling candle they are unaligned.
  PreDataPtr touching = Record("A000010", 10200, 10100, 10100);
  slots = Slots(rising, touching.get());
  EXPECT_TRUE(Has(slots, 232));
  EXPECT_FALSE(Has(slots, 228) || Has(slots, 196) || Has(slots, 208));
  const NowPrice falling = Block(10000, 10300, 10300, 10150, 10200);
  PreDataPtr touchingFalling = Record("A000010", 10200, 10100, 10100);
  slots = Slots(falling, touchingFalling.get());
  EXPECT_TRUE(Has(slots, 228));
  EXPECT_FALSE(Has(slots, 232));

  NowPack pack;
  PreDataList list;
  list.SetSortKey(kPreDataKeyCode);
  ASSERT_TRUE(list.Insert(Record("A000010", 10200, 10100, 10100)));
  NowInfo stock{};
  CodeKeySet(&stock.key, "A000010", "x");
  stock.price = rising;
  EXPECT_EQ(pack.IsMember(2073, stock, nullptr, &list), 1) << "touching is no alignment to the test";
  EXPECT_EQ(pack.IsMember(2074, stock, nullptr, &list), 1);
  PatternCounts table = {};
  EXPECT_EQ(pack.IsMember(2074, stock, &table, &list), 0) << "a zero counter answers no";
  EXPECT_TRUE(ui_.sink.messages.empty());
  EXPECT_EQ(pack.IsMember(2010, stock, nullptr, &list), 0);
  EXPECT_EQ(ui_.sink.messages.size(), 1u) << "an unknown code is reported";
}

TEST_F(ClassifierTest, ZeroAveragesLieBelowThePriceAndNeverCross) {
  const NowPrice rising = Block(10000, 10000, 10300, 9950, 10200);
  PreDataPtr young = Record("A000010", 10200, 0, 0);
  young->bar.close = 10000;
  const std::vector<size_t> slots = Slots(rising, young.get());
  for (size_t slot = 148; slot <= 168; slot += 4) EXPECT_TRUE(Has(slots, slot)) << slot;
  for (size_t slot = 96; slot <= 116; slot += 4) EXPECT_FALSE(Has(slots, slot)) << slot;
  EXPECT_TRUE(Has(slots, 228));
}

TEST_F(ClassifierTest, NoTradeYetCountsOnlyRateLimitAndHalt) {
  NowPrice idle = Block(10000, 0, 0, 0, 10000);
  idle.openingRef = 0;
  PreDataPtr record = Record("A000010", 10000, 9000, 9000, 9000);
  EXPECT_EQ(Slots(idle, record.get()), (std::vector<size_t>{64}));
  idle.openingRef = 10000;
  EXPECT_TRUE(Slots(idle, record.get()).empty());
  idle.attr.class5 = '1';
  EXPECT_EQ(Slots(idle, record.get()), (std::vector<size_t>{64})) << "a suspended stock is halted";
  NowPrice stopped = Block(10000, 10000, 10000, 10000, 10000);
  stopped.state = 0;
  EXPECT_TRUE(Has(Slots(stopped, nullptr), 64)) << "a state of 0 is a halt too";
}

TEST_F(ClassifierTest, PullBackToTheFiveDayAverageTakesTheWidestRecentDay) {
  // Today opens at its low and closes below its high after a 6 % day three days ago.
  const NowPrice today = Block(10000, 10000, 10400, 10000, 10200);
  PreDataPtr record = Record("A000010", 10200, 10100, 9800);
  record->days[1].averages = record->averages;
  record->cross.value = 9000;
  const int32_t closes[] = {10100, 10300, 10600, 10000, 9900};
  for (int i = 0; i < 5; ++i)
    record->days[i].bar = {20261201 - i, closes[i] - 200, closes[i], closes[i] - 250, closes[i], 0, 1000, 2.0f};
  record->days[2].bar.open = 10000;  // the widest body: 600
  record->days[2].bar.rate = 6.0f;
  // Yesterday's averages: the base day's sums completed with yesterday's close (lower than today's).
  record->days[1].averages.lines[0] = 10000 * 5 - 10000;
  EXPECT_TRUE(Has(Slots(today, record.get()), 248));
  record->days[2].bar.rate = 5.5f;
  EXPECT_TRUE(Has(Slots(today, record.get()), 248)) << "a widest day of 5.5 % is enough";
  // A wider day of smaller rate later in time does not count before the 6 % day: the most recent
  // widest day decides, and its rate is below 5.5.
  record->days[1].bar = {20261130, 9700, 10300, 9650, 10300, 0, 1000, 5.0f};
  EXPECT_FALSE(Has(Slots(today, record.get()), 248));
}

TEST_F(ClassifierTest, RateThresholdsAtFiveAndTenPercent) {
  // 500 and 1,000 won on a base of 10,000 are exactly 5 and 10 %: each counts in its own slot.
  EXPECT_EQ(Slots(Block(10000, 10000, 10500, 10000, 10500), nullptr), (std::vector<size_t>{0, 4, 68}));
  EXPECT_EQ(Slots(Block(10000, 10000, 11000, 10000, 11000), nullptr), (std::vector<size_t>{0, 4, 8, 68}));
  EXPECT_EQ(Slots(Block(10000, 10000, 10000, 9500, 9500), nullptr), (std::vector<size_t>{40, 44, 76}));
  EXPECT_EQ(Slots(Block(10000, 10000, 10000, 9000, 9000), nullptr), (std::vector<size_t>{40, 44, 48, 76}));
  // At the lower limit all day long it touched nothing it left.
  const std::vector<size_t> floor = Slots(Block(10000, 10000, 10000, 8500, 8500), nullptr);
  EXPECT_TRUE(Has(floor, 56));
  EXPECT_FALSE(Has(floor, 60));
}

TEST_F(ClassifierTest, CrossingsAndAlignmentGapsAtTheirBoundaries) {
  // Yesterday's close on the 5-day average is no crossing of it; a won below it is.
  const NowPrice rising = Block(10000, 10000, 10300, 9950, 10200);
  PreDataPtr record = Record("A000010", 10200, 10100, 10150);
  record->bar.close = 10100;
  EXPECT_FALSE(Has(Slots(rising, record.get()), 96));
  record->bar.close = 10099;
  EXPECT_TRUE(Has(Slots(rising, record.get()), 96));

  // Both averages crossed on a body of 3 % or more (slot 120).
  const PreDataPtr both = Record("A000010", 10300, 10200, 10100);
  EXPECT_TRUE(Has(Slots(Block(10000, 10000, 10400, 10000, 10300), both.get()), 120));
  const PreDataPtr bothLower = Record("A000010", 10299, 10200, 10100);
  EXPECT_FALSE(Has(Slots(Block(10000, 10000, 10400, 10000, 10299), bothLower.get()), 120)) << "a body of 2.99 %";

  // Just before alignment: the 20-day average at most 5 % above the 5-day one (slot 236).
  const NowPrice above = Block(10000, 10000, 10300, 10000, 10200);
  EXPECT_TRUE(Has(Slots(above, Record("A000010", 10200, 10000, 10500).get()), 236));
  EXPECT_FALSE(Has(Slots(above, Record("A000010", 10200, 10000, 10501).get()), 236));
  // Just after: the 5-day average at most 7 % above the 20-day one (slot 240).
  const NowPrice high = Block(10000, 10000, 10900, 10000, 10800);
  EXPECT_TRUE(Has(Slots(high, Record("A000010", 10800, 10700, 10000).get()), 240));
  EXPECT_FALSE(Has(Slots(high, Record("A000010", 10800, 10701, 10000).get()), 240));

  // 5 over 20 over 60, all above the price: neither the 60-day slot (it must lie below the price)
  // nor the between slot.
  const std::vector<size_t> under =
      Slots(Block(10000, 9900, 10100, 9900, 10000), Record("A000010", 10000, 10300, 10200, 10000).get());
  EXPECT_TRUE(Has(under, 196));
  EXPECT_FALSE(Has(under, 200) || Has(under, 220));
}

TEST_F(ClassifierTest, PullBacksAndTheSurgeAtTheirBoundaries) {
  // 20-day pull-back (slot 244): 2 % over the 20-day average, the extreme 12 % above the price.
  const NowPrice near20 = Block(9900, 9950, 10050, 9950, 10000);
  PreDataPtr record = Record("A000010", 10000, 9900, 9800);
  record->extreme.value = 11200;
  EXPECT_TRUE(Has(Slots(near20, record.get()), 244));
  record->extreme.value = 11199;
  EXPECT_FALSE(Has(Slots(near20, record.get()), 244));

  // Upper-limit pull-back (slot 32): the last limit-up two to five days back, today's averages
  // level and above yesterday's.
  const NowPrice back = Block(9500, 9800, 10100, 9800, 10000);
  PreDataPtr limit = Record("A000010", 10000, 10000, 10000);
  limit->upperLimit.value = 11000;
  for (int32_t days : {1, 2, 5, 6}) {
    limit->upperLimit.key = days;
    EXPECT_EQ(Has(Slots(back, limit.get()), 32), days == 2 || days == 5) << days;
  }

  // First pull-back day of a surge (slot 256): a run of two limit-up closes, not one.
  PreDataPtr surge = Record("A000010", 10000, 10000, 10000);
  surge->upperLimitStreak = 2;
  EXPECT_TRUE(Has(Slots(back, surge.get()), 256));
  surge->upperLimitStreak = 1;
  EXPECT_FALSE(Has(Slots(back, surge.get()), 256));
}

TEST_F(ClassifierTest, StrongThenWeakHammerAndStrengthAtTheirBoundaries) {
  // A 7 % day closing 1,000 above its open, then a day that opens and stays at yesterday's close
  // on 70 % of the usual volume: strong then weak (slot 84), the averages between yesterday's open
  // and close.
  NowPrice weak = Block(10000, 10000, 10100, 9950, 10000);
  weak.volumeRatio = 70;
  PreDataPtr record = Record("A000010", 10000, 9700, 9500);
  record->bar.open = 9000;
  record->bar.change = 1000;
  record->bar.rate = 7.0f;
  EXPECT_TRUE(Has(Slots(weak, record.get()), 84));
  weak.volumeRatio = 71;
  EXPECT_FALSE(Has(Slots(weak, record.get()), 84)) << "71 % of the usual volume is no weak day";
  weak.volumeRatio = 70;
  record->bar.rate = 6.99f;
  EXPECT_FALSE(Has(Slots(weak, record.get()), 84)) << "the strong day rose less than 7 %";

  // Inverted hammer (slot 88): opens at its low, a body of 2.5 %, an upper shadow of 1 %; below the
  // 5-day average but above the 20-day one.
  PreDataPtr hammer = Record("A000010", 10250, 10300, 10000);
  hammer->cross.value = 10000;
  EXPECT_TRUE(Has(Slots(Block(10000, 10000, 10350, 10000, 10250), hammer.get()), 88));
  PreDataPtr thinner = Record("A000010", 10249, 10300, 10000);
  thinner->cross.value = 10000;
  EXPECT_FALSE(Has(Slots(Block(10000, 10000, 10349, 10000, 10249), thinner.get()), 88)) << "a body of 2.49 %";

  // An upper shadow of exactly a fifth of the body is long enough: 0.5 % over a body of 2.5 %.
  EXPECT_TRUE(Has(Slots(Block(10000, 10000, 10300, 10000, 10250), hammer.get()), 88));

  // Contract strength (slot 260) over level averages 15 % below a falling price still counts: the
  // 20-day average is not below the 5-day one.
  NowPrice strong = Block(11400, 11600, 11700, 11500, 11500);
  strong.strength = 300.0f;
  EXPECT_TRUE(Has(Slots(strong, Record("A000010", 11500, 10000, 10000).get()), 260));
}

TEST_F(ClassifierTest, DeeperRuleBoundaries) {
  // 20-day pull-back by the open: 7 % over the 20-day average, but it opened 5 % over it, and the
  // extreme lies 12 % above the price.
  PreDataPtr opened = Record("A000010", 10700, 10500, 10000);
  opened->extreme.value = 11984;
  EXPECT_TRUE(Has(Slots(Block(10400, 10500, 10800, 10500, 10700), opened.get()), 244));

  // Dense rising candles under a falling 5-day average: 20 % below the extreme still counts.
  PreDataPtr dense = Record("A000010", 10000, 10050, 10100);
  dense->rising25 = 10;
  dense->extreme.value = 12500;
  EXPECT_TRUE(Has(Slots(Block(10000, 9950, 10100, 9950, 10000), dense.get(), {0, 10}), 252));
  dense->extreme.value = 12501;
  EXPECT_FALSE(Has(Slots(Block(10000, 9950, 10100, 9950, 10000), dense.get(), {0, 10}), 252));
  // Over a rising one, a day down 3.5 % still counts.
  PreDataPtr down = Record("A000010", 9650, 9650, 9600);
  down->rising25 = 10;
  down->cross.value = 9000;
  EXPECT_TRUE(Has(Slots(Block(10000, 9650, 9700, 9600, 9650), down.get(), {0, 10}), 252));

  // Strong then weak on a falling day whose body is exactly half the strong day's 10 %.
  NowPrice falling = Block(11000, 11000, 11000, 10450, 10450);
  falling.volumeRatio = 50;
  PreDataPtr strong = Record("A000010", 10450, 10200, 10000);
  strong->bar = PriceBar{20261207, 10000, 11000, 10000, 11000, 1000, 1000, 10.0f};
  EXPECT_TRUE(Has(Slots(falling, strong.get()), 84));
}

}  // namespace
}  // namespace ostrada
