#include "basesrc/nowpack.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowpack";

// The slots summed into the pack totals: every counter but the last.
constexpr size_t kSummedCounters = PatternCounts::kCounters - 1;

auto GroupOrder(int32_t key) {
  return [key](const NowGate& existing, const NowGate& incoming) {
    return NowGate::CompareGroups(existing, incoming, key);
  };
}

// Where a group lies in the list is its key for taking it out, whatever key put it there.
bool Follows(const NowGate* earlier, const NowGate* later) {
  for (const NowGate* group = earlier->next; group != nullptr; group = group->next) {
    if (group == later) return true;
  }
  return false;
}

int ListOrder(const NowGate& existing, const NowGate& node) {
  return &existing == &node ? 0 : (Follows(&existing, &node) ? -1 : 1);
}

}  // namespace

bool NowPack::IsPackKey(int32_t key) {
  switch (key) {
    case kGroupKeyName:
    case kGroupKeyAverageRise:
    case kGroupKeyArrival:
    case kGroupKeyRisingCount:
    case kGroupKeyUpFivePercent:
      return true;
    default:
      return false;
  }
}

void NowPack::Clear() {
  NowGate* group = groups_.First();
  while (group != nullptr) {
    NowGate* following = group->next;
    delete group;
    group = following;
  }
  groups_.Reset();
  merged_.reset();
  std::memset(name_, 0, sizeof name_);
  header_ = NowGroupHeader();
  totals_ = {};
  selection_ = {};
}

void NowPack::SetName(const char* name) {
  StrCopyBounded(name_, name != nullptr ? name : "", sizeof name_);
}

int NowPack::SetKey(int32_t key) {
  if (!OSTRADA_VERIFY(IsPackKey(key))) return 0;
  header_.key = key;
  return 1;
}

void NowPack::SetParams(const PatternParams& params) {
  header_.threshold = static_cast<int32_t>(params.volumeThreshold);
  header_.risingDays = params.risingDays;
}

PatternParams NowPack::Params() const {
  return {static_cast<uint32_t>(header_.threshold), header_.risingDays};
}

int NowPack::CopyFrom(const NowPack& source) {
  if (!OSTRADA_VERIFY(&source != this)) return 0;
  Clear();
  std::memcpy(name_, source.name_, sizeof name_);
  header_ = source.header_;
  totals_ = source.totals_;
  selection_ = source.selection_;
  int32_t copied = 0;
  for (const NowGate* group = source.First(); group != nullptr; group = group->next) {
    auto clone = std::make_unique<NowGate>(*group, 0);
    if (!OSTRADA_VERIFY(clone->Count() == group->Count()) || !Insert(std::move(clone))) break;
    ++copied;
  }
  if (source.merged_) merged_ = std::make_unique<NowGate>(*source.merged_, 0);
  return OSTRADA_VERIFY(copied == source.GroupCount()) ? 1 : 0;
}

void NowPack::NoteLatestTime(const NowGate& group) {
  if (group.LatestTime() > header_.latestTime) header_.latestTime = group.LatestTime();
}

int NowPack::Insert(std::unique_ptr<NowGate> group) {
  if (!OSTRADA_VERIFY(group != nullptr && IsPackKey(header_.key))) return 0;
  if (!groups_.Insert(group.get(), GroupOrder(header_.key))) return 0;
  NoteLatestTime(*group);
  group.release();
  return 1;
}

int NowPack::Remove(NowGate* group) {
  if (!OSTRADA_VERIFY(group != nullptr)) return 0;
  if (!groups_.Remove(group, ListOrder)) return 0;
  delete group;
  return 1;
}

NowGate* NowPack::FindByName(const char* name, int n) const {
  if (!OSTRADA_VERIFY(name != nullptr)) return nullptr;
  char wanted[nowfile::kNameSize];
  if (n > 0) {
    NumberedGroupName(name, n, wanted);
  } else {
    StrCopyBounded(wanted, name, sizeof wanted);
  }
  return groups_.FindLinear([&wanted](const NowGate& group) { return StrCompare(group.Name(), wanted) == 0; });
}

NowGate* NowPack::GetAt(int32_t position) const {
  if (!OSTRADA_VERIFY(position >= 0 && position < GroupCount())) return nullptr;
  NowGate* group = groups_.First();
  for (int32_t i = 0; i < position; ++i) group = group->next;
  return group;
}

int NowPack::Resort(int32_t key) {
  if (GroupCount() == 0 || !OSTRADA_VERIFY(key == kGroupKeyRisingCount || key == kGroupKeyAverageRise)) return 0;
  std::vector<NowGate*> taken;
  for (NowGate* group = groups_.First(); group != nullptr; group = group->next) taken.push_back(group);
  groups_.Reset();
  header_.key = key;
  int inserted = 1;
  for (NowGate* group : taken) {
    // A group the index refuses is destroyed rather than lost.
    if (!groups_.Insert(group, GroupOrder(key))) {
      delete group;
      inserted = 0;
    }
  }
  return inserted && groups_.Rebuild();
}

int NowPack::CountGroup(NowGate& group, const PreDataList* list) const {
  if (!OSTRADA_VERIFY(group.Count() > 0)) return 0;
  group.Counts() = {};
  const PatternParams params{static_cast<uint32_t>(group.VolumeThreshold()), group.RisingDays()};
  NowInfo* stock = group.First();
  for (int32_t i = 0; i < group.Count(); ++i, stock = stock->next) {
    if (!OSTRADA_VERIFY(stock != nullptr)) return 0;
    const PreDataRecord* record = list != nullptr ? list->FindByCode(stock->key.code) : nullptr;
    const PatternSlots slots = ClassifyStock(stock->price, record, params);
    for (size_t c = 0; c < PatternCounts::kCounters; ++c) group.Counts().counters[c] += slots.test(c);
  }
  return 1;
}

int NowPack::CountPatterns(const PreDataList* list) {
  if (GroupCount() == 0) return 0;
  header_.count = 0;
  totals_ = {};
  for (NowGate* group = groups_.First(); group != nullptr; group = group->next) {
    if (group->Count() == 0) continue;
    group->SetVolumeThreshold(header_.threshold);
    group->SetRisingDays(header_.risingDays);
    if (!OSTRADA_VERIFY(CountGroup(*group, list))) return 0;
    header_.count += group->Count();
    for (size_t c = 0; c < kSummedCounters; ++c) totals_.counters[c] += group->Counts().counters[c];
  }
  return 1;
}

int NowPack::IsMember(int32_t code, NowInfo& stock, const PatternCounts* table, const PreDataList* list) const {
  const PatternInfo* pattern = FindPattern(code);
  if (pattern == nullptr) return 0;
  if (table != nullptr && table->AtSlot(pattern->slot) <= 0) return 0;
  const PreDataRecord* record = list != nullptr ? list->FindByCode(stock.key.code) : nullptr;
  return ShowsPattern(ClassifyStock(stock.price, record, Params()), code) ? 1 : 0;
}

const char* NowPack::PatternText(int32_t code, const PatternCounts& table, int32_t* count) {
  if (!OSTRADA_VERIFY(count != nullptr)) return nullptr;
  *count = 0;
  const PatternInfo* pattern = FindPattern(code);
  if (pattern == nullptr || table.AtSlot(pattern->slot) <= 0) return nullptr;
  *count = table.AtSlot(pattern->slot);
  return TextC(pattern->text);
}

int NowPack::BuildFromCodes(const CodeInfoList& book, const char* name) {
  if (!OSTRADA_VERIFY(book.Count() > 0 && book.CountMarket1() > 0 && book.CountMarket2() > 0)) return 0;
  Clear();
  SetKey(kGroupKeyArrival);
  auto group = std::make_unique<NowGate>(kNowKeyArrival);
  group->SetName(name != nullptr ? name : "", 0);
  NowGate* kept = group.get();
  if (!Insert(std::move(group))) return 0;
  for (const CodeInfo* entry = book.First(); entry != nullptr; entry = entry->next) {
    if (!kept->AddCodeInfo(entry)) return 0;
  }
  return kept->Finish();
}

int NowPack::FillFrom(const NowGate& master) {
  for (NowGate* group = groups_.First(); group != nullptr; group = group->next) {
    if (group->Count() > 0 && !group->Refill(master)) return 0;
  }
  header_.reservedA = master.ReservedA();
  header_.reservedB = master.ReservedB();
  header_.latestTime = master.LatestTime();
  return 1;
}

int NowPack::Merge(const NowGate& master) {
  if (merged_) {
    merged_->Reset();
    merged_->SetKey(kNowKeyCode);
  } else {
    merged_ = std::make_unique<NowGate>(kNowKeyCode);
  }
  for (const NowGate* group = groups_.First(); group != nullptr; group = group->next) {
    int32_t walked = 0;
    for (const NowInfo* entry = group->First(); entry != nullptr; entry = entry->next, ++walked) {
      const NowInfo* current = master.FindByCode(entry->key.code);
      // A stock the master lacks is told and left out.
      if (OSTRADA_VERIFY(current != nullptr) && !merged_->InsertCopy(current)) return 0;
    }
    if (!OSTRADA_VERIFY(walked == group->Count())) return 0;
  }
  return merged_->RemoveDuplicates();
}

std::unique_ptr<CodeInfoList> NowPack::ExportCodeList() const {
  auto book = std::make_unique<CodeInfoList>();
  for (const NowGate* group = groups_.First(); group != nullptr; group = group->next) {
    for (const NowInfo* entry = group->First(); entry != nullptr; entry = entry->next) {
      CodeAttr attributes = entry->price.attr;
      attributes.market = static_cast<char>('0' + entry->price.marketNumber + 1);
      if (!OSTRADA_VERIFY(book->Insert(entry->key.code, entry->key.name.get(), &attributes))) return nullptr;
    }
  }
  book->Rebuild();
  return book;
}

int NowPack::PruneByVolume(int32_t minimum) {
  if (!OSTRADA_VERIFY(minimum > 0)) return 0;
  NowGate* group = groups_.First();
  while (group != nullptr) {
    NowGate* following = group->next;
    NowInfo* entry = group->First();
    while (entry != nullptr) {
      NowInfo* nextEntry = entry->next;
      if (entry->price.bar.volume < minimum && !group->Remove(entry)) return 0;
      entry = nextEntry;
    }
    if (group->Count() == 0 && !Remove(group)) return 0;
    group = following;
  }
  return 1;
}

}  // namespace ostrada
