#include "basesrc/dayfunc.h"

#include <algorithm>
#include <vector>

#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/dayfunc";

constexpr float kDailyJump = 15.0f;
constexpr float kWeeklyJump = 103.0f;
constexpr int32_t kSmallContract = 10;
constexpr float kStrengthWithoutSells = 500.0f;
constexpr int32_t kMostInterval = 60;
constexpr int32_t kLongestSpan = 360;
constexpr int32_t kMorningOpen = 900;
constexpr int32_t kAfternoonClose = 1500;

bool IsMinuteSeries(const DaySeries& series) {
  return OSTRADA_VERIFY(series.Kind() == 'B');
}

// A price too low for a limit move has a limit change of 0: an unchanged bar there is no limit close.
bool ClosedAtLimit(const DayBar& bar, int mode) {
  if (bar.older == nullptr || bar.older->price.close <= 0 || bar.price.change == 0) return false;
  return bar.price.change == PriceLimitChange(bar.older->price.close, mode);
}

float Strength(int32_t buyVolume, int32_t sellVolume) {
  if (sellVolume != 0) return static_cast<float>(static_cast<double>(buyVolume) * 100.0 / sellVolume);
  return buyVolume != 0 ? kStrengthWithoutSells : 0.0f;
}

// A merged contract's quantity joins the volume and quantity of the one that stands for it.
void Absorb(ContractRecord& into, const ContractRecord& record) {
  into.volume += record.tickVolume;
  into.tickVolume += record.tickVolume;
}

// The contracts before the opening join the first one, which then stands at 09:00 with the price
// of a contract made at exactly 09:00.
void MergeMorning(std::vector<ContractRecord>& records) {
  if (records.empty() || records.front().timeHHMM >= kMorningOpen) return;
  ContractRecord head = records.front();
  size_t next = 1;
  for (; next < records.size() && records[next].timeHHMM < kMorningOpen; ++next) Absorb(head, records[next]);
  if (next < records.size() && records[next].timeHHMM == kMorningOpen) head.price = records[next].price;
  head.timeHHMM = kMorningOpen;
  head.timeHHMMSS = kMorningOpen * 100;
  records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(next));
  records.insert(records.begin(), head);
}

// The contracts from 15:00 on join the last one (the closing price), which then stands at 15:00.
void MergeAfternoon(std::vector<ContractRecord>& records) {
  if (records.empty() || records.back().timeHHMM < kAfternoonClose) return;
  ContractRecord tail = records.back();
  size_t first = records.size() - 1;
  while (first > 0 && records[first - 1].timeHHMM >= kAfternoonClose) Absorb(tail, records[--first]);
  tail.timeHHMM = kAfternoonClose;
  tail.timeHHMMSS = kAfternoonClose * 100;
  records.erase(records.begin() + static_cast<std::ptrdiff_t>(first), records.end());
  records.push_back(tail);
}

}  // namespace

int DayJumpCheck(const DaySeries& series, const DayBar* from, const DayBar* to) {
  if (!OSTRADA_VERIFY(from != nullptr && to != nullptr)) return -1;
  const char kind = series.Kind();
  if (!OSTRADA_VERIFY(kind == 'D' || kind == 'W' || kind == 'M' || kind == 'B')) return -1;
  if (from->price.volume == 0) return 1;
  for (const DayBar* bar = from; bar != to;) {
    const int32_t previous = bar->price.close;
    bar = bar->newer;
    if (!OSTRADA_VERIFY(bar != nullptr)) return -1;
    if (previous == 0 || (kind != 'D' && kind != 'W')) continue;
    const float rate = Percent(previous, bar->price.close - previous);
    if (rate > (kind == 'D' ? kDailyJump : kWeeklyJump)) return 1;
  }
  return 0;
}

int DayJumpCheckByKeys(const DaySeries& series, int32_t fromKey, int32_t toKey) {
  return DayJumpCheck(series, series.Find(fromKey), series.Find(toKey));
}

DayBar* FoldContract(DaySeries& series, const ContractRecord& contract, int32_t date, int32_t interval) {
  if (!OSTRADA_VERIFY(series.Kind() == 'B' && series.Interval() == interval)) return nullptr;
  const int32_t end = BarEndTime(contract.timeHHMMSS, interval);
  DayBar* bar = series.Newest();
  // Times start again every day: another day's contract never joins the newest bar.
  if (bar == nullptr || bar->Date() != date || end - bar->Key() >= 1) {
    if (!series.AddContractBar(contract, date, interval)) return nullptr;
    bar = series.Newest();
  } else {
    PriceBar& p = bar->price;
    p.high = std::max(p.high, contract.price);
    p.close = contract.price;
    p.low = std::min(p.low, contract.price);
    p.volume += contract.tickVolume;
  }
  const bool buyer = contract.side == '1';
  const int32_t quantity = contract.tickVolume;
  int32_t& volume = buyer ? bar->buyVolume : bar->sellVolume;
  volume = bar->price.volume == quantity ? quantity : volume + quantity;
  ++(buyer ? bar->buyCount : bar->sellCount);
  series.CountContract(buyer);
  if (quantity <= kSmallContract) ++(buyer ? bar->smallBuyCount : bar->smallSellCount);
  bar->strength = Strength(bar->buyVolume, bar->sellVolume);
  return bar;
}

std::unique_ptr<DaySeries> SeriesFromTape(const ContractTape& tape, int32_t interval, int32_t date, int mergeAuctions) {
  if (!OSTRADA_VERIFY(interval >= 1 && interval <= kMostInterval)) return nullptr;
  auto series = std::make_unique<DaySeries>();
  if (!series->Create(tape.Code(), tape.Name())) return nullptr;
  series->SetKind('B');
  series->SetInterval(interval);
  std::vector<ContractRecord> records;
  records.reserve(static_cast<size_t>(tape.Count()));
  for (const ContractNode* node = tape.Head(); node != nullptr; node = node->next) {
    if (node->record.phase != '1') records.push_back(node->record);
  }
  if (mergeAuctions == 1) {
    MergeMorning(records);
    MergeAfternoon(records);
  }
  for (const ContractRecord& record : records) {
    if (FoldContract(*series, record, date, interval) == nullptr) return nullptr;
  }
  return series;
}

int RecomputeChanges(DaySeries& series, int resetFirst) {
  DayBar* oldest = series.Oldest();
  if (oldest == nullptr) return 1;
  if (resetFirst == 1) {
    oldest->price.change = 0;
  } else if (oldest->price.change != 0) {
    return 1;
  }
  for (DayBar* bar = oldest->newer; bar != nullptr; bar = bar->newer) {
    const int32_t previous = bar->older->price.close;
    bar->price.change = bar->price.close - previous;
    if (previous > 0) bar->price.rate = Percent(previous, bar->price.change);
  }
  return 1;
}

int DecumulateMinuteVolumes(DaySeries& series, int oldestCut) {
  if (!IsMinuteSeries(series)) return 0;
  for (DayBar* bar = series.Newest(); bar != nullptr && bar->older != nullptr; bar = bar->older) {
    if (bar->Date() == bar->older->Date()) bar->price.volume -= bar->older->price.volume;
  }
  DayBar* oldest = series.Oldest();
  if (oldestCut == 1 && oldest != nullptr && oldest->newer != nullptr && oldest->newer->Date() == oldest->Date())
    oldest->price.volume = oldest->newer->price.volume;
  return 1;
}

int KeepNewestDay(DaySeries& series) {
  if (!IsMinuteSeries(series)) return 0;
  DayBar* newest = series.Newest();
  if (newest == nullptr) return 1;
  DayBar* stale = newest;
  while (stale != nullptr && stale->Date() == newest->Date()) stale = stale->older;
  while (stale != nullptr) {
    DayBar* older = stale->older;
    if (!series.Remove(stale, 0)) return 0;
    stale = older;
  }
  series.RefreshPoints();
  return 1;
}

int SetMinuteDate(DaySeries& series, int32_t date) {
  if (!IsMinuteSeries(series)) return 0;
  for (DayBar* bar = series.Oldest(); bar != nullptr; bar = bar->newer) bar->price.change = date;
  return 1;
}

const DayBar* NewestUpperLimitBar(const DaySeries& series, const DayBar* from) {
  for (const DayBar* bar = from != nullptr ? from : series.Newest(); bar != nullptr; bar = bar->older) {
    if (ClosedAtLimit(*bar, 1)) return bar;
  }
  return nullptr;
}

int32_t LimitStreak(const DayBar* bar, int mode) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  int32_t streak = 0;
  for (; bar != nullptr && ClosedAtLimit(*bar, mode == 1 ? 1 : 0); bar = bar->older) ++streak;
  return streak;
}

int32_t RisingOrEvenCount(const DaySeries& series, int32_t n, const DayBar* from) {
  int32_t count = 0;
  int32_t seen = 0;
  for (const DayBar* bar = from != nullptr ? from : series.Newest(); bar != nullptr && seen < n;
       bar = bar->older, ++seen) {
    if (bar->price.close >= bar->price.open && bar->price.open > 0) ++count;
  }
  return count;
}

int RiseCountAndRateSum(const DayBar* bar, int32_t n, int32_t* rising, float* rateSum) {
  if (!OSTRADA_VERIFY(bar != nullptr && rising != nullptr && rateSum != nullptr)) return 0;
  *rising = 0;
  *rateSum = 0.0f;
  for (int32_t seen = 0; bar != nullptr && seen < n; bar = bar->older, ++seen) {
    if (bar->price.open < bar->price.close) ++*rising;
    *rateSum += bar->price.rate;
  }
  return 1;
}

int MinuteGaps(const DaySeries& series, int32_t n, const DayBar* bar, int32_t* gaps, int32_t* covered) {
  if (!IsMinuteSeries(series) || !OSTRADA_VERIFY(bar != nullptr && gaps != nullptr && covered != nullptr)) return 0;
  const int32_t interval = series.Interval();
  if (!OSTRADA_VERIFY(interval > 0)) return 0;
  *gaps = 0;
  *covered = 0;
  // The night between two days is no missing data: the stretch ends at the bar's first of the day.
  for (; bar->older != nullptr && bar->older->Date() == bar->Date() && *covered < n; bar = bar->older) {
    const int32_t minutes = MinutesBetween(bar->Key(), bar->older->Key());
    if (!OSTRADA_VERIFY(minutes > 0)) return 0;
    *gaps += minutes / interval - 1;
    *covered += minutes / interval;
  }
  return 1;
}

int32_t CrossBarCount(const DaySeries& series, int32_t n, const DayBar* bar) {
  if (!IsMinuteSeries(series)) return -1;
  int32_t count = 0;
  for (int32_t seen = 0; bar != nullptr && seen < n; bar = bar->older, ++seen) {
    if (BarIsCross(&bar->price)) ++count;
  }
  return count;
}

int BusiestMinute(const DaySeries& series, int32_t span, const DayBar* bar, KeyValue* busiest) {
  if (!IsMinuteSeries(series) || !OSTRADA_VERIFY(bar != nullptr && busiest != nullptr)) return 0;
  if (!OSTRADA_VERIFY(span >= 1 && span <= kLongestSpan)) return 0;
  *busiest = KeyValue{bar->Key(), bar->price.volume};
  // The span is a stretch of the bar's own day: the minutes between times of two days mean nothing.
  for (const DayBar* b = bar->older;
       b != nullptr && b->Date() == bar->Date() && MinutesBetween(bar->Key(), b->Key()) <= span; b = b->older) {
    if (b->price.volume > busiest->value) *busiest = KeyValue{b->Key(), b->price.volume};
  }
  return 1;
}

}  // namespace ostrada
