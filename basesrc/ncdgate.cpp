#include "basesrc/ncdgate.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/ncdgate";

constexpr int32_t kIntervals[] = {1, 2, 3, 5, 10, 15, 20, 30, 60};
constexpr float kThresholdBound = 15.0f;
constexpr float kThresholdFloor = 1.0f;

auto CodeOrder() {
  return [](const NowCode& existing, const NowCode& incoming) { return StrCompare(existing.Code(), incoming.Code()); };
}

// Sums of values that the server keeps within 32 bits may not fit them; the sum stops at the bound.
int32_t Saturated(int64_t sum) {
  return static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

// The newest snapshot as the scan passes it on: its volume and field-12 value summed over the
// `checks` newest snapshots.
NowPrice WithSums(const NowCode& series, int32_t checks) {
  NowPrice newest = series.Newest()->price;
  int64_t volume = 0;
  int64_t value12 = 0;
  const TimedSnapshot* snapshot = series.Newest();
  for (int32_t i = 0; i < checks; ++i, snapshot = snapshot->older) {
    volume += snapshot->price.bar.volume;
    value12 += snapshot->price.value12;
  }
  newest.bar.volume = Saturated(volume);
  newest.value12 = Saturated(value12);
  return newest;
}

std::string Format(const char* pattern, auto... values) {
  char line[512];
  std::snprintf(line, sizeof line, pattern, values...);
  return line;
}

double Wide(float value) {
  return static_cast<double>(value);
}

}  // namespace

NcdScan::~NcdScan() {
  Clear();
}

bool NcdScan::IntervalAccepted(int32_t checks) {
  return std::find(std::begin(kIntervals), std::end(kIntervals), checks) != std::end(kIntervals);
}

bool NcdScan::ThresholdAccepted(float threshold) {
  return threshold >= -kThresholdBound && threshold <= kThresholdBound &&
         (threshold >= kThresholdFloor || threshold <= -kThresholdFloor);
}

int NcdScan::Insert(std::unique_ptr<NowCode> series) {
  if (!OSTRADA_VERIFY(series != nullptr)) return 0;
  if (!index_.Insert(series.get(), CodeOrder())) return 0;
  series.release();
  return 1;
}

int NcdScan::AddRecord(const NowInfo& record) {
  NowCode* series = FindByCode(record.key.code);
  if (series == nullptr) {
    std::unique_ptr<NowCode> created = NowCode::Create(record.key.code, record.key.name.get());
    if (!created) return 0;
    series = created.get();
    if (!Insert(std::move(created))) return 0;
  }
  return OSTRADA_VERIFY(series->Append(record.price)) ? 1 : 0;
}

int NcdScan::CreateFrom(const NowGate& group) {
  Clear();
  for (const NowInfo* record = group.First(); record != nullptr; record = record->next) {
    if (!AddRecord(*record)) return 0;
  }
  return index_.Rebuild();
}

int NcdScan::AddGroup(const NowGate& group) {
  // A group in code order pairs with the series by position; any record that does not is looked
  // up, so a group in another order cannot give one stock's prices to another's series.
  NowCode* series = index_.First();
  int added = 1;
  for (const NowInfo* record = group.First(); record != nullptr && added; record = record->next) {
    if (series != nullptr && StrCompare(series->Code(), record->key.code) == 0) {
      added = OSTRADA_VERIFY(series->Append(record->price));
      series = series->next;
    } else {
      added = AddRecord(*record);
    }
  }
  return added && index_.Rebuild();
}

std::unique_ptr<NcdScan> NcdScan::Select(int32_t checks, float threshold) const {
  if (!OSTRADA_VERIFY(IntervalAccepted(checks) && ThresholdAccepted(threshold))) return nullptr;
  std::unique_ptr<NcdScan> result;
  for (const NowCode* series = index_.First(); series != nullptr; series = series->next) {
    if (series->Count() <= checks) continue;
    const TimedSnapshot* older = series->Back(checks);
    const float moved = series->Newest()->price.bar.rate - older->price.bar.rate;
    const bool selected = (threshold >= 0 && moved >= threshold) || (threshold <= 0 && moved <= threshold);
    if (!selected) continue;
    if (!result) result = std::make_unique<NcdScan>();
    std::unique_ptr<NowCode> chosen = NowCode::Create(series->Code(), series->Name());
    if (!chosen || !OSTRADA_VERIFY(chosen->Append(older->price) && chosen->Append(WithSums(*series, checks))) ||
        !result->Insert(std::move(chosen))) {
      return nullptr;
    }
  }
  if (result && !result->index_.Rebuild()) return nullptr;
  return result;
}

std::unique_ptr<NowGate> NcdScan::ToGroup() const {
  auto group = std::make_unique<NowGate>();
  for (const NowCode* series = index_.First(); series != nullptr; series = series->next) {
    NowInfoPtr record = NowInfoCreate();
    if (!record || !OSTRADA_VERIFY(CodeKeySet(&record->key, series->Code(), series->Name()))) return nullptr;
    const TimedSnapshot* newest = series->Newest();
    record->price = newest->price;
    if (const TimedSnapshot* previous = newest->older; previous != nullptr) {
      record->minutesDiff = MinutesBetween(newest->checkTime, previous->checkTime);
      record->volumeDiff = newest->price.bar.volume - previous->price.bar.volume;
      record->rateDiff = newest->price.bar.rate - previous->price.bar.rate;
      record->value12Diff = newest->price.value12 - previous->price.value12;
    }
    if (!OSTRADA_VERIFY(group->Insert(std::move(record)))) return nullptr;
  }
  if (!group->Finish()) return nullptr;
  return group;
}

NowCode* NcdScan::GetAt(int32_t position) const {
  if (!OSTRADA_VERIFY(position >= 0 && position < Count())) return nullptr;
  NowCode* series = index_.First();
  for (int32_t i = 0; i < position; ++i) series = series->next;
  return series;
}

NowCode* NcdScan::FindByCode(const char* code) const {
  if (!OSTRADA_VERIFY(code != nullptr && *code != '\0')) return nullptr;
  // A scan still being filled keeps its newest series at the tail, where the code order puts
  // a group read in code order; a look there first spares the walk.
  NowCode* last = index_.Last();
  if (last != nullptr && StrCompare(last->Code(), code) == 0) return last;
  return index_.Find([code](const NowCode& existing) { return StrCompare(existing.Code(), code); });
}

int NcdScan::Remove(NowCode* series) {
  if (!OSTRADA_VERIFY(series != nullptr)) return 0;
  if (!index_.Remove(series, CodeOrder())) return 0;
  delete series;
  return 1;
}

void NcdScan::Clear() {
  NowCode* series = index_.First();
  while (series != nullptr) {
    NowCode* following = series->next;
    delete series;
    series = following;
  }
  index_.Reset();
}

int NcdScan::Report(const char* path) const {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return Report(file.get(), kReportByCode) ? file.Commit() : 0;
}

int NcdScan::Report(FileHandle file, int kind) const {
  const std::string text = ReportText(kind);
  if (text.empty()) return 0;
  const auto size = static_cast<int32_t>(text.size());
  return OSTRADA_VERIFY(FileWrite(file, text.data(), size) == size) ? 1 : 0;
}

std::string NcdScan::ReportText(int kind) const {
  if (!OSTRADA_VERIFY(kind == kReportByCode || kind == kReportByRate)) return {};
  if (Count() == 0) return {};
  const char* key = TextC(kind == kReportByCode ? Txt::kScanKeyCode : Txt::kScanKeyRate);
  const TimedSnapshot* latest = index_.Last()->Newest();
  std::string text = Text(Txt::kScanRuleTop) + "\r\n";
  text += Format(TextC(Txt::kScanHeader), key, Count(), latest->checkTime / 100, latest->checkTime % 100);
  if (const TimedSnapshot* previous = latest->older; previous != nullptr) {
    text += Format(TextC(Txt::kScanPrevious), previous->checkTime / 100, previous->checkTime % 100,
                   MinutesBetween(latest->checkTime, previous->checkTime));
  }
  text += "\r\n" + Text(Txt::kScanRuleTop) + "\r\n";
  int32_t lines = 0;
  for (const NowCode* series = index_.First(); series != nullptr; series = series->next) {
    const NowPrice& now = series->Newest()->price;
    const TimedSnapshot* previous = series->Newest()->older;
    const PriceBar& bar = now.bar;
    const char* name = series->Name() != nullptr ? series->Name() : "";
    // The distances count as 0 where the price they need is missing or equals the current one.
    const float fromOpen = NowBodyPercent(&now);
    const float fromLow = NowDistanceFromLow(&now);
    const float fromHigh = NowDistanceFromHigh(&now);
    ++lines;
    if (previous != nullptr) {
      text += Format(TextC(Txt::kScanLineLong), lines, name, Wide(bar.rate), Wide(bar.rate - previous->price.bar.rate),
                     Wide(fromOpen), Wide(fromLow), Wide(fromHigh));
    } else {
      text += Format(TextC(Txt::kScanLineShort), lines, name, Wide(bar.rate), Wide(fromOpen), Wide(fromLow),
                     Wide(fromHigh));
    }
  }
  if (lines != Count()) text += Text(Txt::kScanCut);
  text += Text(Txt::kScanRuleBottom) + "\r\n\r\n\r\n";
  return text;
}

}  // namespace ostrada
