// Daily history from the server: daily, weekly and monthly bars from the chart object, today's
// N-minute bars from the minute-chart object, every contract of the day, the last trading days of
// the exchange index; loads of series and tape files; and the pre-data record built from a series.
#include <algorithm>
#include <cstdio>
#include <limits>

#include "basesrc/coninfo.h"
#include "basesrc/dayfunc.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/gatetargets.h"
#include "basesrc/movepair.h"
#include "basesrc/predata.h"
#include "basesrc/statustext.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/stocgate_down";

using broker::Variant;

constexpr int32_t kChartRowsHeader = 3;
constexpr int32_t kContractRowsHeader = 2;
constexpr int16_t kContractsPerPage = 80;
constexpr int32_t kMostInterval = 60;
constexpr int32_t kIndexDays = 10;
constexpr char kExchangeIndex[] = "U001";
constexpr int32_t kSessionOpen = 90000;  // HHMMSS

// Chart row fields.
namespace chart {
constexpr int kDate = 0;
constexpr int kOpen = 1;  // then high, low, close
constexpr int kVolume = 5;
constexpr int kChange = 6;
}  // namespace chart
namespace minute {
constexpr int kDate = 0;
constexpr int kEndTime = 1;
constexpr int kOpen = 2;  // then high, low, close
constexpr int kVolume = 6;
}  // namespace minute

// The most rows one chart request answers; the server refuses a request for more.
constexpr int32_t kMostChartRows = 9999;

// Inputs 3 and 2 of the chart objects are 16-bit.
int16_t Count16(int32_t count) {
  return static_cast<int16_t>(std::min<int32_t>(count, std::numeric_limits<int16_t>::max()));
}

// A price field: an integer, or with hundredths a float kept times 100, truncated.
int32_t PriceOf(const Variant& value, int hundredths) {
  if (hundredths != 1) return value.ToI4();
  return static_cast<int32_t>(value.ToR4() * 100.0f);
}

MovingAverageEntry Unlinked(const MovingAverageEntry& entry) {
  MovingAverageEntry copy = entry;
  copy.older = copy.newer = nullptr;
  return copy;
}

void ShowNoDataForDate(int32_t date, const DaySeries& series) {
  char text[256];
  std::snprintf(text, sizeof text, TextC(Txt::kDayNoDataForDate), date, series.Name(), series.Code());
  ShowMessage(text);
}

}  // namespace

bool StocGate::Answered(broker::IMarketRequest& object) {
  {
    WaitCursor wait;
    object.Request();
  }
  if (object.Status() == 0) return true;
  ShowMessage(RefusalText(object));
  return false;
}

int StocGate::ReadChartRow(int32_t row, int hundredths, DayBar* bar) {
  if (!OSTRADA_VERIFY(dayChart_ != nullptr && DayBarReset(bar))) return 0;
  PriceBar& p = bar->price;
  p.time = dayChart_->DataValue(chart::kDate, row).ToI4();
  p.volume = dayChart_->DataValue(chart::kVolume, row).ToI4();
  int32_t* const prices[] = {&p.open, &p.high, &p.low, &p.close};
  for (int i = 0; i < 4; ++i) *prices[i] = PriceOf(dayChart_->DataValue(chart::kOpen + i, row), hundredths);
  p.change = PriceOf(dayChart_->DataValue(chart::kChange, row), hundredths);
  if (p.close > 0) p.rate = p.close == p.change ? 0.0f : Percent(p.close - p.change, p.change);
  return 1;
}

int StocGate::ReadMinuteRow(int32_t row, int hundredths, DayBar* bar) {
  if (!OSTRADA_VERIFY(minuteChart_ != nullptr && DayBarReset(bar))) return 0;
  PriceBar& p = bar->price;
  p.change = minuteChart_->DataValue(minute::kDate, row).ToI4();  // the date word
  p.time = minuteChart_->DataValue(minute::kEndTime, row).ToI2();
  p.volume = minuteChart_->DataValue(minute::kVolume, row).ToI4();
  int32_t* const prices[] = {&p.open, &p.high, &p.low, &p.close};
  for (int i = 0; i < 4; ++i) *prices[i] = PriceOf(minuteChart_->DataValue(minute::kOpen + i, row), hundredths);
  return 1;
}

int32_t StocGate::DownloadBars(DaySeries* series, int32_t count, int32_t from, int32_t to, int hundredths) {
  if (!OSTRADA_VERIFY(series != nullptr && *series->Code() != '\0' && count > 0)) return -1;
  int32_t processed = 0;
  int32_t result = -1;
  try {
    dayChart_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
    dayChart_->SetInput(0, Variant::Text(series->Code()));
    dayChart_->SetInput(1, Variant::UI1(static_cast<uint8_t>(series->Kind())));
    dayChart_->SetInput(2, Variant::I4(0));
    dayChart_->SetInput(3, Variant::I2(Count16(count)));
    // A daily, weekly or monthly series keeps no interval (it reads 0): the wrappers' interval 1.
    if (series->Interval() <= 1) dayChart_->SetInput(4, Variant::UI1('1'));
    if (Answered(*dayChart_)) {
      const int32_t rows = dayChart_->HeaderValue(kChartRowsHeader).ToI4();
      int32_t row = rows - 1;
      DayBar bar;
      bool sound = true;
      if (rows > 0 && to > 0) {
        sound = ReadChartRow(row, hundredths, &bar) != 0;
        if (sound && to < bar.Key()) {  // even the oldest row is after the end date
          processed = rows;
          row = -1;
        }
      }
      for (; sound && row >= 0 && processed < count; --row) {
        sound = ReadChartRow(row, hundredths, &bar) != 0;
        if (!sound) break;
        if (from <= 0 || bar.Key() >= from) {
          if (to > 0 && bar.Key() > to) break;
          DayBar* newest = series->Newest();
          if (newest != nullptr && newest->Key() == bar.Key() && !series->Remove(newest, 0)) break;
          sound = series->Add(bar) != 0;
          if (!sound) break;
        }
        ++processed;
      }
      result = sound ? processed : -1;
    }
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    result = -1;
  }
  dayChart_.reset();
  if (series->Count() > 0 && (series->Kind() == 'W' || series->Kind() == 'M')) RecomputeChanges(*series, 0);
  return result;
}

int32_t StocGate::DownloadBarsFor(DaySeries* series, const char* code, const char* name, int32_t count,
                                  int32_t interval, char kind, int32_t from, int32_t to, int hundredths) {
  if (!OSTRADA_VERIFY(series != nullptr && code != nullptr && name != nullptr && count > 0)) return -1;
  series->SetKind(kind);
  series->SetInterval(interval);
  if (!series->SetCodeName(code, name)) return -1;
  const int32_t processed = DownloadBars(series, count, from, to, hundredths);
  return processed > 0 ? series->Count() : -1;
}

std::unique_ptr<DaySeries> StocGate::DownloadBarsNew(const char* code, const char* name, int32_t count,
                                                     int32_t interval, char kind, int32_t from, int32_t to,
                                                     int hundredths) {
  auto series = std::make_unique<DaySeries>();
  if (DownloadBarsFor(series.get(), code, name, count, interval, kind, from, to, hundredths) < 0) return nullptr;
  return series;
}

int32_t StocGate::DownloadMinuteBars(DaySeries* series, int32_t count, int hundredths) {
  if (!OSTRADA_VERIFY(series != nullptr && series->Kind() == 'B' && *series->Code() != '\0' && count > 0)) return -1;
  int32_t added = -1;
  int oldestCut = 0;
  // The server's volumes run through the day: a bar tells its own only beside the bar before it. The
  // oldest bar wanted is asked with that one, which is dropped once it has served.
  const int32_t asked = count < kMostChartRows ? count + 1 : count;
  DayBar* askedAlong = nullptr;  // the bar before the oldest wanted
  try {
    minuteChart_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMinuteChart);
    minuteChart_->SetInput(0, Variant::Text(series->Code()));
    minuteChart_->SetInput(1, Variant::UI1('M'));
    minuteChart_->SetInput(2, Variant::I2(static_cast<int16_t>(series->Interval())));
    minuteChart_->SetInput(3, Variant::I2(Count16(asked)));
    minuteChart_->SetInput(4, Variant::UI1('1'));
    if (Answered(*minuteChart_)) {
      added = 0;
      const int32_t rows = minuteChart_->HeaderValue(kChartRowsHeader).ToI4();
      DayBar bar;
      for (int32_t row = rows - 1; row >= 0 && added < asked; --row) {
        if (!ReadMinuteRow(row, hundredths, &bar) || !series->Add(bar)) break;
        if (added == 0 && rows > count) askedAlong = series->Newest();
        ++added;
      }
      // The server answers the newest `asked` bars of the day. Fewer rows than asked means the day
      // came whole; a full answer may have lost the day's start, unless its oldest bar is the session's
      // first.
      const DayBar* oldest = series->Oldest();
      oldestCut =
          rows >= asked && oldest != nullptr && oldest->Key() != BarEndTime(kSessionOpen, series->Interval()) ? 1 : 0;
    }
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    added = -1;
  }
  minuteChart_.reset();
  if (series->Count() > 0) DecumulateMinuteVolumes(*series, oldestCut);
  // A failed read keeps what came, the bar asked along too.
  if (added > 0 && askedAlong != nullptr && askedAlong->newer != nullptr && series->Remove(askedAlong, 0)) {
    series->RefreshPoints();  // its high and low were the series' too
    --added;
  }
  return added;
}

std::unique_ptr<DaySeries> StocGate::DownloadMinuteBarsNew(const char* code, const char* name, int32_t interval,
                                                           int32_t count, int hundredths) {
  if (!OSTRADA_VERIFY(code != nullptr && name != nullptr && count > 0 && interval >= 1 && interval <= kMostInterval))
    return nullptr;
  auto series = std::make_unique<DaySeries>();
  if (!series->Create(code, name)) return nullptr;
  series->SetKind('B');
  series->SetInterval(interval);
  if (DownloadMinuteBars(series.get(), count, hundredths) < 0) return nullptr;
  return series;
}

int32_t StocGate::LastTradingDay(int mode) {
  std::unique_ptr<DaySeries> series =
      DownloadBarsNew(kExchangeIndex, TextC(Txt::kDayIndexName), kIndexDays, 1, 'D', 0, 0, 1);
  if (!OSTRADA_VERIFY(series != nullptr)) return 0;
  const DayBar* newest = series->Newest();
  if (newest == nullptr) return 0;
  if (mode != 1) return newest->Key();
  return newest->older != nullptr ? newest->older->Key() : 0;
}

std::unique_ptr<ContractTape> StocGate::DownloadAllContracts(const char* code, const char* name) {
  auto tape = std::make_unique<ContractTape>();
  if (!tape->Create(code, name)) return nullptr;
  bool ok = false;
  try {
    contractHistory_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractHistory);
    contractHistory_->SetInput(0, Variant::Text(code));
    contractHistory_->SetInput(1, Variant::I4(0));
    contractHistory_->SetInput(2, Variant::I2(kContractsPerPage));
    do {
      ok = Answered(*contractHistory_);
      if (!ok) break;
      const int32_t rows = contractHistory_->HeaderValue(kContractRowsHeader).ToI4();
      ContractRecord record;
      for (int32_t row = 0; row < rows && ok; ++row) {
        ReadContractRow(*contractHistory_, row, &record);
        ok = OSTRADA_VERIFY(tape->Insert(record));
      }
    } while (ok && contractHistory_->MoreData() != 0);
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    ok = false;
  }
  contractHistory_.reset();
  return ok ? std::move(tape) : nullptr;
}

std::unique_ptr<DaySeries> StocGate::LoadSeriesFile(const char* path, int32_t limit) {
  auto series = std::make_unique<DaySeries>();
  return series->Load(path, limit) ? std::move(series) : nullptr;
}

std::unique_ptr<ContractTape> StocGate::LoadTapeFile(const char* path, int32_t limit) {
  auto tape = std::make_unique<ContractTape>();
  return tape->Load(path, limit) ? std::move(tape) : nullptr;
}

void StocGate::LogLine(TextListBox* box, const std::string& text) {
  if (box == nullptr) return;
  box->SelectLine(box->AddLine(text));
  box->RedrawNow();
}

const DayBar* StocGate::BuildPreData(PreDataRecord* record, const DaySeries& series, int sums, int32_t date) {
  if (!OSTRADA_VERIFY(record != nullptr)) return nullptr;
  PreDataRecordReset(record);
  const DayBar* bar = series.Find(date);
  if (bar == nullptr) {
    ShowNoDataForDate(date, series);
    return nullptr;
  }
  MovingAverageList sumsList;
  MovingAverageList averages;
  if (!sumsList.Build(series, sums, nullptr, bar) || !averages.Build(series, 0, nullptr, bar)) return nullptr;
  const MovingAverageEntry* sumsEntry = sumsList.Find(date);
  if (sumsEntry == nullptr) {
    ShowNoDataForDate(date, series);
    return nullptr;
  }
  if (!OSTRADA_VERIFY(CodeKeySet(&record->key, series.Code(), series.Name()))) return nullptr;
  record->averages = Unlinked(*sumsEntry);
  record->bar = bar->price;

  const MovingAverageEntry* entry = averages.Find(date);
  if (!OSTRADA_VERIFY(entry != nullptr)) return nullptr;
  if (const MovingAverageEntry* cross = averages.FindCrossing(entry, nullptr, 1)) {
    record->cross = KeyValue{cross->key, cross->Line5()};
    KeyValue high;
    KeyValue low;
    if (!series.HighLowBetween(cross->key, date, &high, &low)) return nullptr;
    record->extreme = entry->Line20() < entry->Line5() ? high : low;
  }
  record->averageVolume5 = DayAverage(bar, 5, BarValue::kVolume);
  record->averageVolume20 = DayAverage(bar, 20, BarValue::kVolume);

  const DayBar* day = bar;
  const MovingAverageEntry* dayEntry = sumsEntry;
  for (PreDataDay& item : record->days) {
    if (day == nullptr || dayEntry == nullptr) break;
    item = PreDataDay{day->price, day->strength, Unlinked(*dayEntry)};
    day = day->older;
    dayEntry = dayEntry->older;
  }

  if (const DayBar* limit = NewestUpperLimitBar(series, bar)) {
    record->upperLimit = KeyValue{series.Position(bar) - series.Position(limit) + 1, limit->price.close};
    if (limit == bar) record->upperLimitStreak = LimitStreak(bar, 1);
  }
  record->risingOrEven35 = RisingOrEvenCount(series, 35);
  if (!RiseCountAndRateSum(bar, 25, &record->rising25, &record->rateSum25)) return nullptr;
  return bar;
}

}  // namespace ostrada
