#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "basesrc/dayfunc.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/infofile.h"
#include "tests/history/history_fixture.h"

namespace ostrada {
namespace {

using namespace testing;

// Makes the series an empty one of minute bars of the interval, of the sample stock.
void StartMinutes(DaySeries& series, int32_t interval) {
  series.Create("A005930", "Sample");
  series.SetKind('B');
  series.SetInterval(interval);
}

ContractRecord Contract(int32_t hhmmss, int32_t price, int32_t quantity, char side, char phase = '2') {
  ContractRecord r{};
  r.timeHHMM = hhmmss / 100;
  r.timeHHMMSS = hhmmss;
  r.price = price;
  r.tickVolume = quantity;
  r.side = side;
  r.phase = phase;
  return r;
}

TEST(DaySeries, DuplicateDatesAndMinuteOrder) {
  DaySeries series;
  series.Create("A005930", "Sample");
  ASSERT_TRUE(series.Add(MakeBar(20091214, 100)));
  ASSERT_TRUE(series.Add(MakeBar(20091215, 110)));
  int duplicate = 0;
  EXPECT_TRUE(series.Add(MakeBar(20091215, 999), &duplicate));
  EXPECT_EQ(duplicate, 1);
  EXPECT_EQ(series.Count(), 2);
  EXPECT_EQ(series.Newest()->price.close, 110);
  {
    RecordingScope scope;
    EXPECT_FALSE(series.Add(MakeBar(20091215, 999)));
    EXPECT_EQ(scope.sink.messages.size(), 1u);
  }
  ASSERT_TRUE(series.Add(MakeBar(20091201, 90)));  // an older date goes first
  EXPECT_EQ(series.FirstPair(), (KeyValue{20091201, 90}));
  EXPECT_EQ(series.LastPair(), (KeyValue{20091215, 110}));
  // Removing an end bar moves its pair to the new end.
  ASSERT_TRUE(series.Remove(series.Newest(), 0));
  EXPECT_EQ(series.LastPair(), (KeyValue{20091214, 100}));
  ASSERT_TRUE(series.Remove(series.Oldest(), 1));
  EXPECT_EQ(series.FirstPair(), (KeyValue{20091214, 100}));
  ASSERT_TRUE(series.Add(MakeBar(20091201, 90)));
  ASSERT_TRUE(series.Add(MakeBar(20091215, 110)));

  DaySeries minutes;
  minutes.Create("A005930", "Sample");
  minutes.SetKind('B');
  ASSERT_TRUE(minutes.Add(MakeMinuteBar(1530, 20091214, 10)));
  ASSERT_TRUE(minutes.Add(MakeMinuteBar(901, 20091215, 11)));  // a later date, an earlier time
  ASSERT_TRUE(minutes.Add(MakeMinuteBar(1400, 20091214, 9)));  // an earlier time of the first date
  EXPECT_EQ(minutes.Oldest()->Key(), 1400);
  EXPECT_EQ(minutes.Newest()->Key(), 901);
}

TEST(DaySeries, ContractsFoldIntoMinuteBars) {
  DaySeries series;
  StartMinutes(series, 5);
  DayBar* bar = FoldContract(series, Contract(90010, 1000, 7, '2'), 20091215, 5);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Key(), 905);
  EXPECT_EQ(bar->Date(), 20091215);
  EXPECT_EQ(bar->sellVolume, 7);
  EXPECT_EQ(bar->sellCount, 1);
  EXPECT_EQ(bar->smallSellCount, 1);
  EXPECT_EQ(bar->strength, 0.0f);
  FoldContract(series, Contract(90359, 1010, 14, '1'), 20091215, 5);
  EXPECT_EQ(bar->strength, 200.0f);
  FoldContract(series, Contract(90400, 990, 1, '1'), 20091215, 5);
  EXPECT_EQ(series.Count(), 1);
  FoldContract(series, Contract(90401, 990, 10, '2'), 20091215, 5);  // 10 shares are still small
  FoldContract(series, Contract(90402, 990, 11, '2'), 20091215, 5);
  EXPECT_EQ(bar->smallSellCount, 2);
  EXPECT_EQ(bar->sellCount, 3);
  EXPECT_EQ(bar->smallBuyCount, 1);
  EXPECT_EQ(bar->price.high, 1010);
  EXPECT_EQ(bar->price.low, 990);
  EXPECT_EQ(bar->price.volume, 22 + 10 + 11);
  FoldContract(series, Contract(90500, 995, 3, '1'), 20091215, 5);
  EXPECT_EQ(series.Newest()->Key(), 910);
  EXPECT_EQ(series.BuyContracts(), 3);
  EXPECT_EQ(series.SellContracts(), 3);
  RecordingScope scope;
  EXPECT_EQ(FoldContract(series, Contract(90600, 995, 3, '1'), 20091215, 1), nullptr);  // another interval
}

TEST(DaySeries, TheNextDaysFirstContractStartsABarOfItsOwn) {
  DaySeries series;
  StartMinutes(series, 5);
  ASSERT_NE(FoldContract(series, Contract(150000, 1000, 40, '1'), 20091214, 5), nullptr);
  // 09:00:10 ends its bar at 09:05, before yesterday's 15:05: still a new bar, not yesterday's.
  DayBar* morning = FoldContract(series, Contract(90010, 1200, 7, '2'), 20091215, 5);
  ASSERT_NE(morning, nullptr);
  EXPECT_EQ(series.Count(), 2);
  EXPECT_EQ(morning->Key(), 905);
  EXPECT_EQ(morning->Date(), 20091215);
  EXPECT_EQ(morning->price.volume, 7);
  EXPECT_EQ(morning->sellVolume, 7);
  const DayBar* yesterday = series.Oldest();
  EXPECT_EQ(yesterday->Date(), 20091214);
  EXPECT_EQ(yesterday->price.close, 1000);
  EXPECT_EQ(yesterday->price.high, 1000);
  EXPECT_EQ(yesterday->price.volume, 40);
  EXPECT_EQ(yesterday->sellCount, 0);
}

TEST(DaySeries, TapeConversionDropsAuctionRecordsAndMergesTheEdgesOfTheDay) {
  ContractTape tape;
  tape.Create("A005930", "Sample");
  // The tape's head is its oldest contract: insert newest first.
  const ContractRecord records[] = {Contract(153000, 1200, 50, '1'),   Contract(151000, 1190, 5, '2'),
                                    Contract(150000, 1180, 5, '1'),    Contract(91000, 1100, 10, '1'),
                                    Contract(90000, 1050, 20, '2'),    Contract(85000, 1000, 30, '1', '1'),
                                    Contract(84000, 990, 4, '2', '0'), Contract(83000, 980, 6, '1', '0')};
  for (const ContractRecord& r : records) tape.Insert(r);
  auto series = SeriesFromTape(tape, 1, 20091215, 1);
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(series->Kind(), 'B');
  EXPECT_EQ(tape.Count(), 8);  // the caller's tape is left whole
  // 08:30 and 08:40 become one contract at 09:00 with the 09:00 price; the auction record is gone.
  const DayBar* first = series->Oldest();
  EXPECT_EQ(first->Key(), 901);
  EXPECT_EQ(first->price.open, 1050);
  EXPECT_EQ(first->price.volume, 6 + 4 + 20);
  // Everything from 15:00 on is one contract at 15:00 closing at the last price.
  const DayBar* last = series->Newest();
  EXPECT_EQ(last->Key(), 1501);
  EXPECT_EQ(last->price.close, 1200);
  EXPECT_EQ(last->price.volume, 60);
  EXPECT_EQ(last->buyCount + last->sellCount, 1) << "the 15:00 contract is merged too";
  EXPECT_EQ(series->Count(), 3);
}

TEST(DaySeries, JumpCheckAndLimitQuestions) {
  DaySeries series;
  series.Create("A005930", "Sample");
  series.Add(MakeBar(20091214, 10000));
  series.Add(MakeBar(20091215, 11500, 1500));
  EXPECT_EQ(DayJumpCheck(series, series.Oldest(), series.Newest()), 0);  // 15 %
  series.Add(MakeBar(20091216, 13340, 1840));                            // 16 %
  EXPECT_EQ(DayJumpCheckByKeys(series, 20091215, 20091216), 1);
  series.SetKind('W');
  EXPECT_EQ(DayJumpCheck(series, series.Oldest(), series.Newest()), 0) << "a week may rise up to 103 %";
  series.SetKind('M');
  EXPECT_EQ(DayJumpCheck(series, series.Oldest(), series.Newest()), 0);
  series.SetKind('D');

  // 11 500 closed at the upper limit of 10 000; 13 340 is not a limit of 11 500 (13 200).
  EXPECT_EQ(NewestUpperLimitBar(series)->Key(), 20091215);
  series.Add(MakeBar(20091217, 15300, 1960));  // 13 340 + 2 001 = 15 341, rounded down to the 50-won tick
  EXPECT_EQ(NewestUpperLimitBar(series)->Key(), 20091217);
  EXPECT_EQ(LimitStreak(series.Newest(), 1), 1);
  EXPECT_EQ(LimitStreak(series.Oldest()->newer, 1), 1);

  // Two closes each the whole limit move down from the close before: a run of two lower limits.
  const int32_t down1 = PriceLimitChange(15300, 0);
  series.Add(MakeBar(20091218, 15300 + down1, down1));
  const int32_t down2 = PriceLimitChange(15300 + down1, 0);
  series.Add(MakeBar(20091219, 15300 + down1 + down2, down2));
  EXPECT_EQ(LimitStreak(series.Newest(), 0), 2);
  EXPECT_EQ(LimitStreak(series.Newest(), 1), 0);
}

TEST(DaySeries, RecomputedChangesAndRatesRunFromThePreviousClose) {
  DaySeries series;
  series.Create("A005930", "Sample");
  for (int32_t close : {1000, 1100, 990}) series.Add(MakeBar(NthDate(series.Count()), close, 7));
  ASSERT_TRUE(RecomputeChanges(series, 0));
  EXPECT_EQ(series.Newest()->price.change, 7) << "an oldest bar with its own change keeps the series";
  ASSERT_TRUE(RecomputeChanges(series, 1));
  EXPECT_EQ(series.Oldest()->price.change, 0);
  EXPECT_EQ(series.At(1)->price.change, 100);
  EXPECT_FLOAT_EQ(series.At(1)->price.rate, 10.0f);
  EXPECT_EQ(series.Newest()->price.change, -110);
  EXPECT_FLOAT_EQ(series.Newest()->price.rate, -10.0f);
}

TEST(DaySeries, MinuteRepairsAndQuestions) {
  DaySeries series;
  StartMinutes(series, 1);
  series.Add(MakeMinuteBar(1530, 20091214, 10, 500));
  series.Add(MakeMinuteBar(901, 20091215, 10, 100));
  series.Add(MakeMinuteBar(902, 20091215, 10, 150));
  series.Add(MakeMinuteBar(905, 20091215, 10, 400));
  ASSERT_TRUE(DecumulateMinuteVolumes(series, 1));
  EXPECT_EQ(series.Newest()->price.volume, 250);
  EXPECT_EQ(series.At(2)->price.volume, 50);
  EXPECT_EQ(series.At(1)->price.volume, 100);  // the first bar of a day keeps its own
  int32_t gaps = 0;
  int32_t covered = 0;
  ASSERT_TRUE(MinuteGaps(series, 4, series.Newest(), &gaps, &covered));
  EXPECT_EQ(gaps, 2);  // 903 and 904 are missing
  EXPECT_EQ(covered, 4);
  KeyValue busiest;
  ASSERT_TRUE(BusiestMinute(series, 3, series.Newest(), &busiest));
  EXPECT_EQ(busiest, (KeyValue{905, 250}));
  ASSERT_TRUE(KeepNewestDay(series));
  EXPECT_EQ(series.Count(), 3);
  EXPECT_EQ(series.FirstPair().key, 901);
  EXPECT_EQ(series.HighPair().value, 10);
  RecordingScope scope;
  series.SetKind('D');
  EXPECT_EQ(CrossBarCount(series, 3, series.Newest()), -1);
}

TEST(DaySeries, MergeContinuesAtEitherEnd) {
  auto older = RandomSeries('D', 10, 1);
  auto newer = RandomSeries('D', 20, 1);  // the same walk, ten bars further
  DaySeries tail;
  tail.Create("A005930", "Sample");
  for (DayBar* bar = newer->At(9); bar != nullptr; bar = bar->newer) tail.Add(*bar);
  ASSERT_TRUE(older->Merge(tail));  // overlaps on one date: the older series' last bar is replaced
  EXPECT_EQ(older->Count(), 20);
  EXPECT_EQ(tail.Count(), 0);
  EXPECT_EQ(older->LastPair(), newer->LastPair());
  DaySeries gap;
  gap.Create("A005930", "Sample");
  gap.Add(MakeBar(20300101, 5));
  gap.Add(MakeBar(20300102, 5));
  DaySeries inside;
  inside.Create("A005930", "Sample");
  inside.Add(MakeBar(20300101, 5));
  inside.Add(MakeBar(20300103, 5));
  RecordingScope scope;
  EXPECT_FALSE(gap.Merge(inside));  // overlaps more than the one end bar
  EXPECT_EQ(gap.Count(), 2);
}

TEST(DaySeries, AnOlderSeriesMergesWholeNewestBarFirst) {
  DaySeries newer;
  newer.Create("A005930", "Sample");
  DaySeries older;
  older.Create("A005930", "Sample");
  for (int32_t day : {10, 11, 12}) newer.Add(MakeBar(20260100 + day, 1000 + day));
  for (int32_t day : {5, 6, 7}) older.Add(MakeBar(20260100 + day, 1000 + day));
  ASSERT_TRUE(newer.Merge(older));
  EXPECT_EQ(older.Count(), 0);
  std::vector<int32_t> keys;
  for (const DayBar* bar = newer.Oldest(); bar != nullptr; bar = bar->newer) keys.push_back(bar->Key());
  EXPECT_EQ(keys, (std::vector<int32_t>{20260105, 20260106, 20260107, 20260110, 20260111, 20260112}));
  EXPECT_EQ(newer.Count(), 6);
  EXPECT_EQ(newer.FirstPair(), (KeyValue{20260105, 1005}));
  EXPECT_EQ(newer.LastPair(), (KeyValue{20260112, 1012}));

  // Touching at the older end: the newer series' oldest bar gives way to the merged one.
  DaySeries touching;
  touching.Create("A005930", "Sample");
  touching.Add(MakeBar(20260104, 1));
  touching.Add(MakeBar(20260105, 2));
  ASSERT_TRUE(newer.Merge(touching));
  EXPECT_EQ(newer.Count(), 7);
  EXPECT_EQ(newer.At(1)->price.close, 2);

  // Refused: both keep every bar.
  DaySeries inside;
  inside.Create("A005930", "Sample");
  inside.Add(MakeBar(20260108, 5));
  inside.Add(MakeBar(20260109, 5));
  RecordingScope scope;
  EXPECT_FALSE(newer.Merge(inside));
  EXPECT_EQ(newer.Count(), 7);
  EXPECT_EQ(inside.Count(), 2);
}

TEST(DaySeries, MinuteGapsStayWithinTheBarsDate) {
  DaySeries series;
  StartMinutes(series, 5);
  // A whole afternoon and a whole morning: the night between them is no missing data.
  for (int32_t end : {1510, 1515, 1520}) series.Add(MakeMinuteBar(end, 20261204, 10));
  for (int32_t end : {905, 910, 920}) series.Add(MakeMinuteBar(end, 20261207, 10));
  int32_t gaps = -1;
  int32_t covered = -1;
  ASSERT_TRUE(MinuteGaps(series, 50, series.Newest(), &gaps, &covered));
  EXPECT_EQ(gaps, 1);     // 09:15 is missing; 15:20 to 09:05 is the night
  EXPECT_EQ(covered, 3);  // 09:20 back to 09:05 in steps of 5
  // Yesterday's afternoon on its own still counts its own stretch.
  ASSERT_TRUE(MinuteGaps(series, 50, series.At(2), &gaps, &covered));
  EXPECT_EQ(gaps, 0);
  EXPECT_EQ(covered, 2);
}

TEST(DaySeries, AMinuteTimeIsFoundOnAnEarlierDay) {
  DaySeries series;
  StartMinutes(series, 5);
  series.Add(MakeMinuteBar(1520, 20261204, 7));
  series.Add(MakeMinuteBar(1525, 20261204, 8));
  series.Add(MakeMinuteBar(905, 20261207, 9));
  // Minute keys start again every day: 15:25 lies past today's newest time and is still held.
  const DayBar* afternoon = series.Find(1525);
  ASSERT_NE(afternoon, nullptr);
  EXPECT_EQ(afternoon->price.close, 8);
  EXPECT_EQ(series.Find(1000), nullptr);
  KeyValue high{};
  KeyValue low{};
  ASSERT_TRUE(series.HighLowBetween(1525, 905, &high, &low));
  EXPECT_EQ(high, (KeyValue{905, 9}));
  EXPECT_EQ(low, (KeyValue{1525, 8}));
}

TEST(DaySeries, MinuteSeriesMergeByDateAndTime) {
  auto makeDay = [](int32_t date, std::initializer_list<int32_t> ends) {
    auto series = std::make_unique<DaySeries>();
    StartMinutes(*series, 5);
    for (int32_t end : ends) series->Add(MakeMinuteBar(end, date, end));
    return series;
  };
  auto keys = [](const DaySeries& series) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const DayBar* bar = series.Oldest(); bar != nullptr; bar = bar->newer)
      out.emplace_back(bar->Date(), bar->Key());
    return out;
  };
  // The stored afternoon of one day and the next morning: the morning's end times are lower.
  auto stored = makeDay(20261204, {1520, 1525, 1530});
  auto morning = makeDay(20261207, {905, 910});
  ASSERT_TRUE(stored->Merge(*morning));
  EXPECT_EQ(morning->Count(), 0);
  using Bars = std::vector<std::pair<int32_t, int32_t>>;
  EXPECT_EQ(keys(*stored),
            (Bars{{20261204, 1520}, {20261204, 1525}, {20261204, 1530}, {20261207, 905}, {20261207, 910}}));
  EXPECT_EQ(stored->LastPair(), (KeyValue{910, 910}));

  // A day before the stored ones merges at the older end, though its times are higher.
  auto before = makeDay(20261203, {1525, 1530});
  ASSERT_TRUE(stored->Merge(*before));
  EXPECT_EQ(stored->Count(), 7);
  EXPECT_EQ(keys(*stored).front(), (std::pair<int32_t, int32_t>{20261203, 1525}));
  EXPECT_EQ(stored->FirstPair(), (KeyValue{1525, 1525}));

  // The same bar at the seam gives way to the merged one; an overlap of more is refused.
  auto again = makeDay(20261207, {910, 915});
  ASSERT_TRUE(stored->Merge(*again));
  EXPECT_EQ(stored->Count(), 8);
  EXPECT_EQ(keys(*stored).back(), (std::pair<int32_t, int32_t>{20261207, 915}));
  auto inside = makeDay(20261204, {1525, 1530});
  RecordingScope scope;
  EXPECT_FALSE(stored->Merge(*inside));
  EXPECT_EQ(stored->Count(), 8);
  EXPECT_EQ(inside->Count(), 2);
}

TEST(DaySeries, TheDaysFirstMinuteBarKeepsItsOwnVolume) {
  DaySeries series;
  StartMinutes(series, 5);
  // The server's running volumes of the day: 714,300 at 09:05, then 1,549,749 and 1,600,000.
  series.Add(MakeMinuteBar(905, 20261207, 10, 714300));
  series.Add(MakeMinuteBar(910, 20261207, 10, 1549749));
  series.Add(MakeMinuteBar(915, 20261207, 10, 1600000));
  ASSERT_TRUE(DecumulateMinuteVolumes(series, 0));
  EXPECT_EQ(series.At(0)->price.volume, 714300);
  EXPECT_EQ(series.At(1)->price.volume, 1549749 - 714300);
  EXPECT_EQ(series.At(2)->price.volume, 1600000 - 1549749);
  // Cut at the request's start, the oldest bar's running volume holds bars that did not come.
  DaySeries cut;
  StartMinutes(cut, 5);
  cut.Add(MakeMinuteBar(1005, 20261207, 10, 5000000));
  cut.Add(MakeMinuteBar(1010, 20261207, 10, 5000400));
  ASSERT_TRUE(DecumulateMinuteVolumes(cut, 1));
  EXPECT_EQ(cut.At(0)->price.volume, 400);
}

TEST(DaySeries, TheBusiestMinuteStaysWithinTheBarsDate) {
  DaySeries series;
  StartMinutes(series, 5);
  series.Add(MakeMinuteBar(1455, 20261204, 10, 900000));  // 350 minutes before 09:05 by the clock
  series.Add(MakeMinuteBar(1500, 20261204, 10, 800000));
  series.Add(MakeMinuteBar(905, 20261207, 10, 300));
  series.Add(MakeMinuteBar(910, 20261207, 10, 200));
  KeyValue busiest;
  ASSERT_TRUE(BusiestMinute(series, 360, series.Newest(), &busiest));
  EXPECT_EQ(busiest, (KeyValue{905, 300}));
  ASSERT_TRUE(BusiestMinute(series, 5, series.Newest(), &busiest));  // 09:05 is 5 minutes back: within
  EXPECT_EQ(busiest, (KeyValue{905, 300}));
  ASSERT_TRUE(BusiestMinute(series, 4, series.Newest(), &busiest));
  EXPECT_EQ(busiest, (KeyValue{910, 200}));
  // Of equal volumes the newest counts.
  series.Add(MakeMinuteBar(915, 20261207, 10, 300));
  ASSERT_TRUE(BusiestMinute(series, 10, series.Newest(), &busiest));
  EXPECT_EQ(busiest, (KeyValue{915, 300}));
}

TEST(DaySeries, APriceTooLowForALimitMoveNeverClosesAtTheLimit) {
  // At 30 won the 15 % width (4 won) rounds to no tick of 5 won: the limit change is 0.
  ASSERT_EQ(PriceLimitChange(30, 1), 0);
  DaySeries series;
  series.Create("A000030", "Sample");
  for (int i = 0; i < 5; ++i) series.Add(MakeBar(NthDate(i), 30, 0));
  EXPECT_EQ(NewestUpperLimitBar(series), nullptr);
  EXPECT_EQ(LimitStreak(series.Newest(), 1), 0);
  EXPECT_EQ(LimitStreak(series.Newest(), 0), 0);
  // A true limit close still counts: 1,000 to 1,150 is the whole 15 %.
  series.Add(MakeBar(NthDate(5), 1000, 0));
  series.Add(MakeBar(NthDate(6), 1150, 150));
  EXPECT_EQ(NewestUpperLimitBar(series), series.Newest());
  EXPECT_EQ(LimitStreak(series.Newest(), 1), 1);
}

TEST(DaySeriesFile, LayoutNewestFirstAndRoundTrip) {
  ScratchFolder folder;
  auto series = RandomSeries('D', 5, 9);
  series->SetStrengthFlag(1);
  series->Newest()->strength = 123.5f;
  const std::string path = folder.File("s.std");
  ASSERT_TRUE(series->Save(path.c_str()));
  std::string image = ReadBytes(path);
  const uint8_t* b = Bytes(image);
  ASSERT_EQ(image.size(), 448u + 5 * 48);
  EXPECT_TRUE(CheckInfoFileHeader(b, 0xF2190725));
  EXPECT_EQ(GetText(b, 68, 16), "A005930");
  EXPECT_EQ(GetText(b, 84, 64), "Sample");
  EXPECT_EQ(GetI32(b, 148), 5);
  EXPECT_EQ(GetI32(b, 152), series->Oldest()->Key());
  EXPECT_EQ(GetI32(b, 160), series->Newest()->Key());
  EXPECT_EQ(GetI32(b, 164), series->Newest()->price.close);
  EXPECT_EQ(GetI32(b, 172), series->HighPair().value);
  EXPECT_EQ(GetI32(b, 184), 448);
  EXPECT_EQ(GetI32(b, 188), static_cast<int32_t>(image.size()));
  EXPECT_EQ(GetI32(b, 196), 'D');
  EXPECT_EQ(GetI32(b, 200), 1);
  EXPECT_EQ(GetI32(b, 448), series->Newest()->Key());  // the newest bar comes first
  EXPECT_EQ(GetF32(b, 448 + 44), 123.5f);
  EXPECT_EQ(GetI32(b, 448 + 48), series->Newest()->older->Key());

  DaySeries loaded;
  ASSERT_TRUE(loaded.Load(path.c_str(), 0));
  EXPECT_EQ(loaded.Count(), 5);
  EXPECT_EQ(loaded.Newest()->strength, 123.5f);
  EXPECT_EQ(loaded.HighPair(), series->HighPair());
  ASSERT_TRUE(loaded.Load(path.c_str(), 2));  // a limit keeps the newest bars
  EXPECT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.Newest()->Key(), series->Newest()->Key());

  const std::string text = folder.File("s.txt");
  DaySeries day;
  day.Create("A005930", "Sample");
  DayBar bar = MakeBar(20091215, 168277, 1200, 10);
  bar.price.rate = 0.72f;
  day.Add(bar);
  ASSERT_TRUE(day.ExportText(text.c_str(), 1));
  EXPECT_EQ(ReadBytes(text), "2009-12-15\t1682.77\t1682.77\t1682.77\t1682.77\t10\t12.00\t0.72\r\n");
  // Won prices as they are; a strength only where the series keeps one and it is above 0.
  bar.price = PriceBar{20091216, 168000, 169000, 167000, 168500, 223, 10, 0.13f};
  day.Add(bar);
  day.SetStrengthFlag(1);
  day.Newest()->strength = 87.5f;
  ASSERT_TRUE(day.ExportText(text.c_str(), 0));
  EXPECT_EQ(ReadBytes(text),
            "2009-12-15\t168277\t168277\t168277\t168277\t10\t1200\t0.72\r\n"
            "2009-12-16\t168000\t169000\t167000\t168500\t10\t223\t0.13\t87.50\r\n");
}

TEST(DaySeriesFile, AnIndexMinuteExportKeepsTheBarsDateWhole) {
  ScratchFolder folder;
  const std::string text = folder.File("u.txt");
  DaySeries minutes;
  minutes.Create("U001", "Index");
  minutes.SetKind('B');
  minutes.SetInterval(10);
  DayBar bar = MakeMinuteBar(910, 20261209, 142801, 18898);
  bar.price.open = 142788;
  minutes.Add(bar);
  // The change word of a minute bar is its date: shown as the date, not as hundredths of one.
  ASSERT_TRUE(minutes.ExportText(text.c_str(), 1));
  EXPECT_EQ(ReadBytes(text), "0000-09-10\t1427.88\t1428.01\t1428.01\t1428.01\t18898\t20261209\t0.00\r\n");
}

TEST(DaySeriesFile, CraftedFilesAreRejectedAndKeepWhatWasRead) {
  ScratchFolder folder;
  auto series = RandomSeries('D', 4, 2);
  const std::string path = folder.File("s.std");
  ASSERT_TRUE(series->Save(path.c_str()));
  const std::string good = ReadBytes(path);
  auto load = [&](const std::string& bytes) {
    WriteBytes(path, bytes);
    RecordingScope scope;
    auto loaded = std::make_unique<DaySeries>();
    EXPECT_FALSE(loaded->Load(path.c_str(), 0));
    EXPECT_EQ(scope.sink.messages.size(), 1u);
    return loaded;
  };
  std::string bad = good;
  PutU32(Bytes(bad), 64, 0xF2897037);
  EXPECT_EQ(load(bad)->Count(), 0);
  bad = good;
  PutI32(Bytes(bad), 148, 100000000);
  EXPECT_EQ(load(bad)->Count(), 0);
  bad = good;
  PutI32(Bytes(bad), 196, 'X');
  EXPECT_EQ(load(bad)->Count(), 0);
  bad = good;  // the third stored bar repeats the second's date
  PutI32(Bytes(bad), 448 + 88, GetI32(Bytes(bad), 448 + 44));
  EXPECT_EQ(load(bad)->Count(), 2);
}

}  // namespace
}  // namespace ostrada
