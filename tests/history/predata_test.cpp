#include "basesrc/predata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "basesrc/dayfunc.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/gatetargets.h"
#include "basesrc/stocgate.h"
#include "broker/sim/market/faults.h"
#include "tests/exchange_market/market_fixture.h"
#include "tests/history/history_fixture.h"

namespace ostrada {
namespace {

using namespace testing;

const int32_t kDate = NthDate(39);

// Forty days falling from 2,000 by 10, then rising by 50, then two upper-limit closes on the date
// and the day before it; one day after the date.
std::unique_ptr<DaySeries> ShapedSeries() {
  auto series = std::make_unique<DaySeries>();
  series->Create("A005930", "Sample");
  int32_t close = 2000;
  int32_t i = 0;
  auto add = [&](int32_t next) {
    DayBar bar = MakeBar(NthDate(i), next, next - close, 1000 + 10 * i);
    bar.price.open = close;
    bar.price.high = std::max(close, next) + 5;
    bar.price.low = std::min(close, next) - 5;
    bar.price.rate = Percent(close, next - close);
    series->Add(bar);
    close = next;
    ++i;
  };
  while (i < 30) add(close - 10);
  while (i < 38) add(close + 50);
  add(close + PriceLimitChange(close, 1));
  add(close + PriceLimitChange(close, 1));
  EXPECT_EQ(series->Newest()->Key(), kDate);
  add(close - 5);
  return series;
}

TEST(PreDataRecord, BuiltFromTheSeriesAtTheDate) {
  auto series = ShapedSeries();
  const DayBar* bar = series->Find(kDate);
  StocGate gate;
  PreDataRecord record{};
  ASSERT_EQ(gate.BuildPreData(&record, *series, 1, kDate), bar);
  EXPECT_STREQ(record.key.code, "A005930");
  EXPECT_EQ(record.bar.close, bar->price.close);
  EXPECT_EQ(record.averages.key, kDate);
  EXPECT_EQ(record.averages.lines[0], DaySum(bar, 4, BarValue::kClose));  // sums: the live price completes it
  EXPECT_EQ(record.averages.lines[2], 0);                                 // fewer than 59 bars

  // The crossing: the newest bar before the date where the 20-bar line is not below the 5-bar line;
  // the 5-bar line stays above it from there to the date.
  const DayBar* cross = series->Find(record.cross.key);
  ASSERT_NE(cross, nullptr);
  EXPECT_GE(DayAverage(cross, 20, BarValue::kClose), DayAverage(cross, 5, BarValue::kClose));
  for (const DayBar* b = cross->newer; b != cross && b != bar->newer; b = b->newer)
    EXPECT_GT(DayAverage(b, 5, BarValue::kClose), DayAverage(b, 20, BarValue::kClose)) << b->Key();
  EXPECT_EQ(record.cross.value, DayAverage(cross, 5, BarValue::kClose));
  EXPECT_EQ(record.extreme, (KeyValue{kDate, bar->price.high}));  // rising: the highest high

  EXPECT_EQ(record.averageVolume5, DayAverage(bar, 5, BarValue::kVolume));
  EXPECT_EQ(record.days[0].bar.time, kDate);
  EXPECT_EQ(record.days[4].bar.time, bar->older->older->older->older->Key());
  EXPECT_EQ(record.days[1].averages.key, bar->older->Key());
  EXPECT_EQ(record.upperLimit, (KeyValue{1, bar->price.close}));
  EXPECT_EQ(record.upperLimitStreak, 2);
  EXPECT_EQ(record.risingOrEven35, 10);  // the newest 35 of the series: the falling day after the date counts too
  EXPECT_EQ(record.rising25, 10);

  // A day later the limit-up date lies two bars back and the run has ended; two days earlier no
  // limit-up close had come yet.
  ASSERT_NE(gate.BuildPreData(&record, *series, 1, NthDate(40)), nullptr);
  EXPECT_EQ(record.upperLimit, (KeyValue{2, bar->price.close}));
  EXPECT_EQ(record.upperLimitStreak, 0);
  ASSERT_NE(gate.BuildPreData(&record, *series, 1, NthDate(37)), nullptr);
  EXPECT_EQ(record.upperLimit, (KeyValue{0, 0}));

  RecordingScope scope;
  EXPECT_EQ(gate.BuildPreData(&record, *series, 1, 20091231), nullptr);
  ASSERT_EQ(scope.sink.messages.size(), 1u);
  EXPECT_EQ(scope.sink.messages[0].Utf8(), "지정한 날짜의 데이터가 없습니다. - 20091231 [Sample - A005930]");
}

// The record of the busiest kind of stock, checked field by field against arithmetic done here on
// the plain numbers of the bars (oldest first), from the record's definition.
struct Bars {
  std::vector<int32_t> open, high, low, close, volume;
  std::vector<float> rate;
  size_t Size() const { return close.size(); }
  void Add(int32_t o, int32_t c, int32_t v, float r) {
    open.push_back(o);
    close.push_back(c);
    high.push_back(std::max(o, c) + 7);
    low.push_back(std::min(o, c) - 3);
    volume.push_back(v);
    rate.push_back(r);
  }
  // Sum of n values ending at bar `end` (inclusive), in 64 bits; -1 when fewer than n bars exist.
  static int64_t Sum(const std::vector<int32_t>& v, size_t end, size_t n) {
    if (end + 1 < n) return -1;
    int64_t sum = 0;
    for (size_t i = end + 1 - n; i <= end; ++i) sum += v[i];
    return sum;
  }
  static int64_t Average(const std::vector<int32_t>& v, size_t end, size_t n) {
    const int64_t sum = Sum(v, end, n);
    if (sum < 0) return 0;
    const auto whole = static_cast<int64_t>(n);
    return sum / whole + (2 * (sum % whole) >= whole ? 1 : 0);
  }
};

TEST(PreDataRecord, EveryFieldOfABusyStockAgainstItsArithmetic) {
  Bars bars;
  // 25 falling days, 14 rising ones to 2,500, two upper-limit closes (2,500 + 375 = 2,875 and
  // 2,875 + 430 = 3,305, the 15 % cut to the 5-won tick), then one day after the date. Each day
  // trades 200 to 330 million shares: 20 of them overflow 32 bits.
  int32_t close = 2810;
  for (int i = 0; i < 25; ++i, close -= 20) bars.Add(close + (i % 2 == 0 ? 10 : -10), close, 0, -0.25f * (i % 5));
  for (int i = 0; i < 14; ++i) {
    close = 2500 - 30 * (13 - i);
    bars.Add(i == 5 ? close : close + (i % 3 == 0 ? 15 : -15), close, 0, 0.5f * (i % 4));  // one even day
  }
  bars.Add(2500, 2875, 0, 15.0f);
  bars.Add(2880, 3305, 0, 14.95f);
  const size_t date = bars.Size() - 1;
  bars.Add(0, 3300, 0, -0.15f);  // no open: neither rising nor even
  for (size_t i = 0; i < bars.Size(); ++i) bars.volume[i] = 200'000'000 + 3'000'001 * static_cast<int32_t>(i % 44);

  auto series = std::make_unique<DaySeries>();
  series->Create("A448670", "Busy");
  for (size_t i = 0; i < bars.Size(); ++i) {
    DayBar bar{};
    bar.price = PriceBar{NthDate(static_cast<int>(i)), bars.open[i], bars.high[i], bars.low[i], bars.close[i],
                         i == 0 ? 0 : bars.close[i] - bars.close[i - 1], bars.volume[i], bars.rate[i]};
    ASSERT_TRUE(series->Add(bar));
  }
  const int32_t day = NthDate(static_cast<int>(date));
  StocGate gate;
  PreDataRecord record{};
  ASSERT_NE(gate.BuildPreData(&record, *series, 1, day), nullptr);

  EXPECT_STREQ(record.key.code, "A448670");
  EXPECT_EQ(record.bar.time, day);
  EXPECT_EQ(record.bar.close, 3305);
  EXPECT_EQ(record.bar.change, 430);
  EXPECT_EQ(record.bar.volume, bars.volume[date]);
  EXPECT_EQ(record.bar.rate, 14.95f);
  // Sums form: 4, 19, 59 … closes from the date back; too few bars for 59 and more.
  EXPECT_EQ(record.averages.key, day);
  EXPECT_EQ(record.averages.lines[0], Bars::Sum(bars.close, date, 4));
  EXPECT_EQ(record.averages.lines[1], Bars::Sum(bars.close, date, 19));
  for (int line = 2; line < kAverageLines; ++line) EXPECT_EQ(record.averages.lines[line], 0) << line;
  // The average volumes, summed wide: a 32-bit sum would wrap.
  ASSERT_GT(Bars::Sum(bars.volume, date, 20), int64_t{UINT32_MAX});
  EXPECT_EQ(record.averageVolume5, Bars::Average(bars.volume, date, 5));
  EXPECT_EQ(record.averageVolume20, Bars::Average(bars.volume, date, 20));
  // The crossing: walking back from the date, where the 20-bar average first reaches the 5-bar one.
  size_t cross = date;
  while (cross > 19 && Bars::Average(bars.close, cross, 20) < Bars::Average(bars.close, cross, 5)) --cross;
  ASSERT_GT(cross, 19u);
  EXPECT_EQ(record.cross, (KeyValue{NthDate(static_cast<int>(cross)),
                                    static_cast<int32_t>(Bars::Average(bars.close, cross, 5))}));
  // Rising (5 above 20) at the date: the highest high from the crossing to the date.
  size_t highest = cross;
  for (size_t i = cross; i <= date; ++i)
    if (bars.high[i] > bars.high[highest]) highest = i;
  EXPECT_EQ(record.extreme, (KeyValue{NthDate(static_cast<int>(highest)), bars.high[highest]}));
  // The five days: the date and the four before it, each with its own sums.
  for (size_t k = 0; k < 5; ++k) {
    const size_t i = date - k;
    EXPECT_EQ(record.days[k].bar.time, NthDate(static_cast<int>(i))) << k;
    EXPECT_EQ(record.days[k].bar.open, bars.open[i]) << k;
    EXPECT_EQ(record.days[k].bar.close, bars.close[i]) << k;
    EXPECT_EQ(record.days[k].bar.volume, bars.volume[i]) << k;
    EXPECT_EQ(record.days[k].averages.key, NthDate(static_cast<int>(i))) << k;
    EXPECT_EQ(record.days[k].averages.lines[0], Bars::Sum(bars.close, i, 4)) << k;
    EXPECT_EQ(record.days[k].averages.lines[1], Bars::Sum(bars.close, i, 19)) << k;
  }
  // The date closed at the limit after the day before did: one bar counted, a run of two.
  EXPECT_EQ(record.upperLimit, (KeyValue{1, 3305}));
  EXPECT_EQ(record.upperLimitStreak, 2);
  // Close >= open (open > 0) among the newest 35 bars of the series; open < close among the 25
  // bars ending at the date, and the sum of those 25 rates.
  int32_t risingOrEven = 0;
  for (size_t i = bars.Size() - 35; i < bars.Size(); ++i)
    risingOrEven += bars.close[i] >= bars.open[i] && bars.open[i] > 0;
  int32_t rising = 0;
  float rates = 0.0f;
  for (size_t i = date + 1 - 25; i <= date; ++i) {
    rising += bars.open[i] < bars.close[i];
    rates += bars.rate[i];
  }
  EXPECT_EQ(record.risingOrEven35, risingOrEven);
  EXPECT_EQ(record.rising25, rising);
  EXPECT_FLOAT_EQ(record.rateSum25, rates);
}

TEST(PreDataRecord, AStockFrozenAtThirtyWonHasNoLimitCloses) {
  auto series = std::make_unique<DaySeries>();
  series->Create("A000030", "Frozen");
  for (int i = 0; i < 30; ++i) series->Add(MakeBar(NthDate(i), 30, 0));
  StocGate gate;
  PreDataRecord record{};
  ASSERT_NE(gate.BuildPreData(&record, *series, 1, NthDate(29)), nullptr);
  EXPECT_EQ(record.upperLimit, (KeyValue{0, 0}));
  EXPECT_EQ(record.upperLimitStreak, 0);
  // Level lines cross at the date itself, and with the 20-bar line not below the 5-bar one the
  // extreme is the low.
  series->Clear(1);
  for (int i = 0; i < 30; ++i) {
    DayBar bar = MakeBar(NthDate(i), 30, 0);
    bar.price.high = 32;
    bar.price.low = 29;
    series->Add(bar);
  }
  ASSERT_NE(gate.BuildPreData(&record, *series, 1, NthDate(29)), nullptr);
  EXPECT_EQ(record.cross, (KeyValue{NthDate(29), 30}));
  EXPECT_EQ(record.extreme, (KeyValue{NthDate(29), 29}));
}

PreDataPtr Record(const char* code, const char* name, float rate, int32_t volume) {
  PreDataPtr record = PreDataRecordCreate();
  CodeKeySet(&record->key, code, name);
  record->bar.rate = rate;
  record->bar.volume = volume;
  return record;
}

std::string CodesOf(const PreDataList& list) {
  std::string codes;
  for (const PreDataRecord* r = list.First(); r != nullptr; r = r->next) codes += std::string(r->key.code) + " ";
  return codes;
}

TEST(PreDataList, SortOrdersAndDuplicates) {
  PreDataList list;  // key 11: rate, descending
  list.Insert(Record("A3", "c", 1.5f, 10));
  list.Insert(Record("A1", "b", 9.0f, -1));  // a volume read unsigned is the largest
  list.Insert(Record("A2", "a", -3.0f, 30));
  list.Insert(Record("A4", "d", 1.5f, 20));  // equal rate goes after
  EXPECT_EQ(CodesOf(list), "A1 A3 A4 A2 ");
  PreDataList byVolume;
  ASSERT_TRUE(byVolume.CopyFrom(list, kPreDataKeyVolumeDown));
  EXPECT_EQ(CodesOf(byVolume), "A1 A2 A4 A3 ");
  PreDataList byName;
  byName.SetTag(5);
  ASSERT_TRUE(byName.CopyFrom(list, kPreDataKeyName));
  EXPECT_EQ(CodesOf(byName), "A2 A1 A3 A4 ");
  EXPECT_EQ(byName.Tag(), 5);

  PreDataList byCode;
  byCode.SetSortKey(kPreDataKeyCode);
  byCode.Insert(Record("A2", "first", 0, 0));
  byCode.Insert(Record("A1", "x", 0, 0));
  byCode.Insert(Record("A2", "second", 0, 0));
  EXPECT_STREQ(byCode.At(1)->key.name.get(), "first");  // equal codes keep their arrival order
  ASSERT_TRUE(byCode.RemoveDuplicates());
  EXPECT_EQ(byCode.Count(), 2);
  EXPECT_STREQ(byCode.FindByCode("A2")->key.name.get(), "second");

  RecordingScope scope;
  byCode.SetSortKey(902);
  EXPECT_FALSE(byCode.Insert(Record("A9", "z", 0, 0)));
  EXPECT_FALSE(byCode.SetSortKey(5));
}

TEST(PreDataFile, LayoutAndLoadingInCodeOrder) {
  ScratchFolder folder;
  auto series = ShapedSeries();
  StocGate gate;
  PreDataList list;
  list.SetTag(77);
  PreDataPtr record = PreDataRecordCreate();
  ASSERT_TRUE(gate.BuildPreData(record.get(), *series, 1, kDate));
  const int32_t close = record->bar.close;
  const int32_t line5 = record->averages.lines[0];
  list.Insert(std::move(record));
  list.Insert(Record("A000001", "First", -30.0f, 5));
  const std::string path = folder.File("x.spd");
  ASSERT_TRUE(list.Save(path.c_str()));
  std::string image = ReadBytes(path);
  const uint8_t* b = Bytes(image);
  ASSERT_EQ(image.size(), 344u + 2 * (568 + 4) + 6 + 5);
  EXPECT_TRUE(CheckInfoFileHeader(b, 0xF2835150));
  EXPECT_EQ(GetI32(b, 68), 11);
  EXPECT_EQ(GetI32(b, 72), 77);
  EXPECT_EQ(GetI32(b, 76), 2);
  EXPECT_EQ(GetI32(b, 80), 344);
  EXPECT_EQ(GetI32(b, 84), static_cast<int32_t>(image.size()));
  const uint8_t* r = b + 344;  // the higher rate first
  EXPECT_EQ(GetText(r, 0, 16), "A005930");
  EXPECT_EQ(GetI32(r, 16), 0);
  EXPECT_EQ(GetI32(r, 20), kDate);
  EXPECT_EQ(GetI32(r, 28), line5);
  EXPECT_EQ(GetI32(r, 52), kDate);
  EXPECT_EQ(GetI32(r, 68), close);
  for (size_t at = 100; at < 196; at += 4) EXPECT_EQ(GetI32(r, at), 0);
  EXPECT_EQ(GetI32(r, 204), kDate);
  EXPECT_EQ(GetI32(r, 204 + 68), series->Find(kDate)->older->Key());
  EXPECT_EQ(GetI32(r, 204 + 36), kDate);  // the day item's entry follows bar and strength
  EXPECT_EQ(GetI32(r, 544), 1);
  EXPECT_EQ(GetI32(r, 548), close);
  EXPECT_EQ(GetI32(r, 552), 2);
  EXPECT_EQ(GetU32(r, 568), 6u);
  EXPECT_EQ(image.substr(344 + 572, 6), "Sample");

  PreDataList loaded;
  ASSERT_TRUE(loaded.Load(path.c_str(), kPreDataKeyCode));
  EXPECT_EQ(CodesOf(loaded), "A000001 A005930 ");
  EXPECT_EQ(loaded.SortKey(), kPreDataKeyCode);
  EXPECT_EQ(loaded.FindByCode("A005930")->upperLimitStreak, 2);
  EXPECT_STREQ(loaded.FindByName("First")->key.code, "A000001");
}

TEST(PreDataFile, LoadOrdersEachKeyAsInsertingOneByOneWould) {
  // Few distinct rates, volumes, names and codes: long runs of equal keys whose arrival must survive.
  // Enough records that the file is read in several blocks, with records across their boundaries.
  ScratchFolder folder;
  PreDataList saved;
  saved.SetSortKey(kPreDataKeyCode);
  for (int i = 0; i < 300; ++i) {
    const std::string code = "A" + std::to_string(100 + (i * 7) % 30);
    const std::string name = "n" + std::to_string(i % 8);
    ASSERT_TRUE(saved.Insert(Record(code.c_str(), name.c_str(), static_cast<float>(i % 4) - 1.5f, (i % 5) * 10)));
  }
  const std::string path = folder.File("keys.spd");
  ASSERT_TRUE(saved.Save(path.c_str()));
  for (int32_t key : {kPreDataKeyCode, kPreDataKeyName, kPreDataKeyRateDown, kPreDataKeyVolumeDown}) {
    SCOPED_TRACE(key);
    PreDataList expected;
    ASSERT_TRUE(expected.CopyFrom(saved, key));
    PreDataList loaded;
    ASSERT_TRUE(loaded.Load(path.c_str(), key));
    ASSERT_EQ(loaded.Count(), expected.Count());
    const PreDataRecord* want = expected.First();
    for (const PreDataRecord* r = loaded.First(); r != nullptr; r = r->next, want = want->next) {
      ASSERT_STREQ(r->key.code, want->key.code);
      ASSERT_STREQ(r->key.name.get(), want->key.name.get());
      ASSERT_EQ(r->bar.rate, want->bar.rate);
      ASSERT_EQ(r->bar.volume, want->bar.volume);
    }
    EXPECT_EQ(loaded.FindByCode("A107")->key.code, std::string("A107"));
  }
}

TEST(PreDataFile, CraftedFilesAreRejectedAndKeepWhatWasRead) {
  ScratchFolder folder;
  PreDataList list;
  list.SetSortKey(kPreDataKeyCode);
  for (const char* code : {"A1", "A2", "A3"}) list.Insert(Record(code, "name", 0, 0));
  const std::string path = folder.File("x.spd");
  ASSERT_TRUE(list.Save(path.c_str()));
  const std::string good = ReadBytes(path);
  auto load = [&](size_t offset, uint32_t value) {
    std::string bad = good;
    PutU32(Bytes(bad), offset, value);
    WriteBytes(path, bad);
    RecordingScope scope;
    PreDataList loaded;
    EXPECT_FALSE(loaded.Load(path.c_str(), 1)) << offset;
    EXPECT_EQ(scope.sink.messages.size(), 1u) << offset;
    return loaded.Count();
  };
  EXPECT_EQ(load(64, 0xF2190725), 0);
  EXPECT_EQ(load(76, 0x10000000), 0);                       // more records than the file can hold
  EXPECT_EQ(load(80, 0x7FFFFFF0), 0);                       // records beyond the end
  EXPECT_EQ(load(344 + 568 + 4 + 4 + 568, 0xFFFFFF00), 1);  // the second name is too long
}

TEST(HistoryFiles, SeriesAndPreDataNames) {
  EXPECT_EQ(StocGate::SeriesFileName("/data", "A005930", 'D'), "/data/005/A005930.std");
  EXPECT_EQ(StocGate::SeriesFileName("/data/", "U001", 'W'), "/data/001/U001.stw");
  EXPECT_EQ(StocGate::SeriesFileName("/data", "A005930", 'B'), "/data/005/A005930.stb");
  EXPECT_EQ(StocGate::PreDataFileName("/data", "A005930"), "/data/005/A005930.stp");
  RecordingScope scope;
  EXPECT_EQ(StocGate::SeriesFileName("/data", "A00593", 'D'), "");
  EXPECT_EQ(StocGate::PreDataFileName("/data", "U001"), "");
  EXPECT_EQ(StocGate::SeriesFileName("/", "A005930", 'D'), "");
  scope.sink.Clear();
  EXPECT_EQ(StocGate::SeriesFileName("/data", "A005930", 'X'), "");
  ASSERT_EQ(scope.sink.messages.size(), 1u);
  EXPECT_EQ(scope.sink.messages[0].Utf8(), "확인되지 않은 데이터 유형 - 시간 확인");
}

class RecordingListBox : public TextListBox {
 public:
  int AddLine(const std::string& text) override {
    lines.push_back(text);
    return static_cast<int>(lines.size()) - 1;
  }
  void SelectLine(int index) override { selected = index; }
  void RedrawNow() override { ++redraws; }
  std::vector<std::string> lines;
  int selected = -1;
  int redraws = 0;
};

class AnsweringDialog : public OpenFileDialog {
 public:
  bool Choose(const std::string& extension, const std::string& filter, std::string* path) override {
    asked = extension + "|" + filter;
    if (answer.empty()) return false;
    *path = answer;
    return true;
  }
  std::string answer;
  std::string asked;
};

class PreDataOpenTest : public sim::testing::MarketTest {
 protected:
  PreDataOpenTest() : MarketTest(sim::testing::LiveAt(15, 40)) {}

  ScratchFolder folder_;
  ScopedEnv dataDir_{"OSTRADA_DATA_DIR", folder_.Path().c_str()};
  StocGate gate_;
  PreDataList list_;
  AnsweringDialog dialog_;
};

TEST_F(PreDataOpenTest, NamesTheLastInfoFileAndTellsWhatWentWrong) {
  const std::string lastInfo = gate_.LastInfoFileName();
  EXPECT_EQ(lastInfo, folder_.Path() + "/_lastinfo.20261207.spd");
  EXPECT_FALSE(gate_.OpenPreDataFile(&list_, "", &dialog_));
  EXPECT_EQ(recording_.sink.Texts().back(), "세력주 분석용 파일이 없습니다.");

  PreDataList saved;
  saved.Insert(Record("A2", "b", 2, 0));
  saved.Insert(Record("A1", "a", 1, 0));
  ASSERT_TRUE(saved.Save(lastInfo.c_str()));
  list_.Insert(Record("A9", "old", 0, 0));
  ASSERT_TRUE(gate_.OpenPreDataFile(&list_, "", &dialog_));
  EXPECT_EQ(CodesOf(list_), "A1 A2 ");

  WriteBytes(folder_.File("bad.spd"), "not a pre-data file");
  EXPECT_FALSE(gate_.OpenPreDataFile(&list_, folder_.File("bad.spd"), &dialog_));
  EXPECT_EQ(recording_.sink.Texts().back(), "세력주 분석용 파일에서 읽지 못했습니다.");

  // Without a trading day there is no last-info name: the dialog asks.
  exchange_.Faults().Refuse(broker::clsid::kDayChart, {1, "x", "y"});
  recording_.sink.Clear();
  EXPECT_FALSE(gate_.OpenPreDataFile(&list_, "", &dialog_));
  EXPECT_EQ(Cp949ToUtf8(dialog_.asked), "spd|Stock PreData Files (*.spd)|*.spd|All Files (*.*)|*.*||");
  EXPECT_EQ(recording_.sink.Texts().back(),
            "최신 시세 파일을 선택하지 않으면 시세를 포착할 수 없습니다.\n프로파일에 설정하거나 파일대화상자에서 "
            "선택하십시오.");
  dialog_.answer = folder_.File("list.txt");
  EXPECT_FALSE(gate_.OpenPreDataFile(&list_, "", &dialog_));
  EXPECT_EQ(recording_.sink.Texts().back(), "최신 시세 파일 형식이 아닙니다.");
  dialog_.answer = lastInfo.substr(0, lastInfo.size() - 3) + "SPD";
  WriteBytes(dialog_.answer, ReadBytes(lastInfo));
  EXPECT_TRUE(gate_.OpenPreDataFile(&list_, "", &dialog_));
  EXPECT_EQ(list_.Count(), 2);
}

TEST_F(PreDataOpenTest, StockListAndLogLines) {
  std::unique_ptr<CodeInfoList> book = gate_.DownloadCodes(kSortByCode, 0);
  ASSERT_NE(book, nullptr);
  RecordingListBox box;
  EXPECT_EQ(StocGate::FillStockList(&box, *book), book->CountMarket1() + book->CountMarket2());
  ASSERT_EQ(box.lines.size(), static_cast<size_t>(book->CountMarket1() + book->CountMarket2()));
  const CodeInfo* first = book->First();
  while (first->attr.market != '1' && first->attr.market != '2') first = first->next;
  EXPECT_EQ(box.lines[0], std::string(first->key.code) + "    " + first->key.name.get());

  gate_.SetLogTarget(&box, 0);
  const size_t before = box.lines.size();
  gate_.Log("quiet");
  EXPECT_EQ(box.lines.size(), before);
  gate_.SetLogTarget(&box, 1);
  gate_.Log("loud");
  EXPECT_EQ(box.lines.back(), "loud");
  EXPECT_EQ(box.selected, static_cast<int>(before));
  EXPECT_EQ(box.redraws, 1);
}

}  // namespace
}  // namespace ostrada
