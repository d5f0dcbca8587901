#include "basesrc/nowgate.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowgate";

// Counter slots the average rise and fall rely on.
constexpr size_t kRisingSlot = 0;
constexpr size_t kUpFivePercentSlot = 4;
constexpr size_t kFallingSlot = 40;

// The index's order (existing against incoming, <= 0 goes after) from the record comparison
// (negative puts the new record before the existing one).
auto IndexOrder(int32_t key) {
  return [key](const NowInfo& existing, const NowInfo& incoming) {
    const int result = NowInfoCompare(existing, incoming, key);
    return result < 0 ? 1 : (result > 0 ? -1 : 0);
  };
}

// A float as an unsigned number in the same order (-0 and +0 alike); false for NaN, which has no
// place in an order.
bool OrderedBits(float value, uint32_t* bits) {
  if (value != value) return false;
  if (value == 0.0f) value = 0.0f;
  std::memcpy(bits, &value, sizeof *bits);
  *bits = (*bits & 0x80000000u) != 0 ? ~*bits : *bits | 0x80000000u;
  return true;
}

uint32_t OrderedBits(int32_t value) {
  return static_cast<uint32_t>(value) ^ 0x80000000u;
}

// The first eight bytes of a text, big-endian and NUL-padded: the same order as StrCompare
// wherever two prefixes differ.
uint64_t TextPrefix(const char* text) {
  uint64_t prefix = 0;
  for (int i = 0; i < 8; ++i) {
    const auto byte = text != nullptr ? static_cast<unsigned char>(*text) : 0u;
    prefix = prefix << 8 | byte;
    if (byte != 0) ++text;
  }
  return prefix;
}

// The key's order as a number per record, smaller first; false for a key without one or a value
// (NaN) that has no place in an order.
bool SortNumber(const NowInfo& record, int32_t key, uint64_t* number) {
  const NowPrice& price = record.price;
  uint32_t bits = 0;
  switch (key) {
    case kNowKeyCode:
      *number = TextPrefix(record.key.code);
      return true;
    case kNowKeyName:
      *number = TextPrefix(record.key.name.get());
      return true;
    case kNowKeyRateDown:
      if (!OrderedBits(price.bar.rate, &bits)) return false;
      break;
    case kNowKeyVolumeDown:
      bits = static_cast<uint32_t>(price.bar.volume);
      break;
    case kNowKeyVolumeRatioDown:
      bits = OrderedBits(price.volumeRatio);
      break;
    case kNowKeyVolumeRatio2Down:
      if (!OrderedBits(price.volumeRatio2, &bits)) return false;
      break;
    case kNowKeyValue12Down:
      bits = OrderedBits(price.value12);
      break;
    case kNowKeyOpeningRefDown:
      if (!OrderedBits(NowOpeningRefPercent(&price), &bits)) return false;
      break;
    default:
      return false;
  }
  *number = uint64_t{~bits} << 32;  // every such key runs from the largest value down
  return true;
}

// Records equal by their sort number: the rest of the key (a text beyond its prefix), then the
// code, as the record comparison breaks ties.
bool TieBefore(const NowInfo& a, const NowInfo& b, int32_t key) {
  if (key == kNowKeyName) {
    const int byName = StrCompare(a.key.name.get(), b.key.name.get());
    if (byName != 0) return byName < 0;
  }
  return StrCompare(a.key.code, b.key.code) < 0;
}

// Sorts records stably by the key without reaching into two records for each comparison: a radix
// sort of (sort number, record) pairs, then each run of equal numbers stably by TieBefore. The same
// order as a stable sort by the record comparison. False (nothing moved) when the key has no sort
// number or a value has none.
bool RadixSort(std::vector<NowInfo*>& records, int32_t key) {
  using Keyed = std::pair<uint64_t, NowInfo*>;
  const size_t n = records.size();
  std::vector<Keyed> keyed(n);
  for (size_t i = 0; i < n; ++i) {
    if (!SortNumber(*records[i], key, &keyed[i].first)) return false;
    keyed[i].second = records[i];
  }
  // Every byte's counts in one pass over the numbers. A numeric key's number is its value in the
  // upper half, so only a text key's lower bytes can differ.
  constexpr int kBytes = 8;
  const int lowest = key == kNowKeyCode || key == kNowKeyName ? 0 : 4;
  std::vector<std::array<uint32_t, 256>> counts(kBytes);
  for (const Keyed& item : keyed) {
    for (int byte = lowest; byte < kBytes; ++byte) ++counts[byte][(item.first >> (8 * byte)) & 0xFF];
  }
  std::vector<Keyed> spare(n);
  for (int byte = lowest; byte < kBytes; ++byte) {
    const int shift = 8 * byte;
    std::array<uint32_t, 256>& starts = counts[byte];
    if (starts[(keyed[0].first >> shift) & 0xFF] == n) continue;  // one value: nothing moves
    uint32_t start = 0;
    for (uint32_t& count : starts) start += std::exchange(count, start);
    for (const Keyed& item : keyed) spare[starts[(item.first >> shift) & 0xFF]++] = item;
    keyed.swap(spare);
  }
  for (size_t low = 0; low < n;) {
    size_t high = low + 1;
    while (high < n && keyed[high].first == keyed[low].first) ++high;
    if (high - low > 1) {
      std::stable_sort(keyed.begin() + static_cast<ptrdiff_t>(low), keyed.begin() + static_cast<ptrdiff_t>(high),
                       [key](const Keyed& a, const Keyed& b) { return TieBefore(*a.second, *b.second, key); });
    }
    low = high;
  }
  for (size_t i = 0; i < n; ++i) records[i] = keyed[i].second;
  return true;
}

// Sorts new records into the key's order and links them in one pass.
int SortAndLink(OrderedIndex<NowInfo>& index, std::vector<NowInfo*>& records, int32_t key) {
  // Arrival order is the order they came in; every other key sorts, by numbers where it can.
  if (key != kNowKeyArrival && (records.size() < 2 || !RadixSort(records, key))) SortForIndex(records, IndexOrder(key));
  return index.InsertSorted(records.data(), static_cast<int32_t>(records.size()), IndexOrder(key));
}

// The quote time of a record that has traded; -1 for one with no volume.
int32_t TradedTime(const NowInfo& record) {
  return record.price.bar.volume != 0 ? record.price.bar.time : -1;
}

bool Follows(const NowInfo* earlier, const NowInfo* later) {
  for (const NowInfo* node = earlier->next; node != nullptr; node = node->next) {
    if (node == later) return true;
  }
  return false;
}

int Sign(float value) {
  return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

}  // namespace

bool AcceptedGroupKey(int32_t key) {
  switch (key) {
    case 0:
    case kNowKeyCode:
    case kNowKeyName:
    case kNowKeyRateDown:
    case kNowKeyVolumeDown:
    case kNowKeyVolumeRatioDown:
    case kNowKeyVolumeRatio2Down:
    case kNowKeyValue12Down:
    case kNowKeyOpeningRefDown:
    case kNowKeyArrival:
      return true;
    default:
      return false;
  }
}

NowGate::NowGate(int32_t key) {
  if (key != 0) SetKey(key);
}

NowGate::NowGate(const NowGate& source, int32_t key) {
  std::memcpy(name_, source.name_, sizeof name_);
  counts_ = source.counts_;
  selection_ = source.selection_;
  codeAttrFlag_ = source.codeAttrFlag_;
  SetKey(key != 0 ? key : source.key_);
  CopyRecordsFrom(source);
  Finish();
  reservedA_ = source.reservedA_;
  reservedB_ = source.reservedB_;
  latestTime_ = source.latestTime_;
}

NowGate::~NowGate() {
  DestroyRecords();
}

void NowGate::ResetHeader() {
  std::memset(name_, 0, sizeof name_);
  codeAttrFlag_ = 0;
  key_ = kDefaultKey;
  reservedA_ = reservedB_ = 0;
  latestTime_ = -1;
  volumeThreshold_ = risingDays_ = 0;
  recordsBegin_ = recordsEnd_ = -1;
}

NowInfo* NowGate::NewRecord(const char* code, const char* name, size_t nameLength) {
  if (!OSTRADA_VERIFY(code != nullptr)) return nullptr;
  if (!OSTRADA_VERIFY(name == nullptr || nameLength > 0)) return nullptr;
  void* slot = TakeSlot(arena_, freeSlots_, sizeof(NowInfo), alignof(NowInfo));
  if (slot == nullptr) return nullptr;
  auto* record = new (slot) NowInfo();
  StrCopyBounded(record->key.code, code, sizeof record->key.code);
  if (name != nullptr) {
    char* copy = arena_.CopyText(name, nameLength);
    if (copy == nullptr) {
      DestroyRecord(record);
      return nullptr;
    }
    record->key.name.reset(copy);
  }
  return record;
}

void NowGate::DestroyRecord(NowInfo* record) {
  if (record->ownAverage != nullptr) --ownBlocks_;
  // The name belongs to the arena, not to the heap the key would give it back to.
  static_cast<void>(record->key.name.release());
  std::destroy_at(record);
  freeSlots_.push_back(record);
}

int NowGate::Link(NowInfo* record) {
  if (!NowCompareKeyKnown(key_) || !index_.Insert(record, IndexOrder(key_))) {
    DestroyRecord(record);
    return 0;
  }
  NoteQuoteTime(*record);
  return 1;
}

void NowGate::NoteQuoteTime(const NowInfo& record) {
  latestTime_ = std::max(latestTime_, TradedTime(record));
}

int NowGate::LinkAll(std::vector<NowInfo*>& records) {
  if (records.empty()) return 1;
  // Read in the order the records were made, which is the order of their memory; the sort scatters it.
  int32_t latest = -1;
  for (const NowInfo* record : records) latest = std::max(latest, TradedTime(*record));
  const bool linked = NowCompareKeyKnown(key_) && SortAndLink(index_, records, key_) == 1;
  if (!linked) {
    for (NowInfo* record : records) DestroyRecord(record);
    return 0;
  }
  latestTime_ = std::max(latestTime_, latest);
  return 1;
}

void NowGate::DestroyRecords() {
  // Names and slots go with the arena. Only an own block is the heap's: without one the records
  // need no walk, which in a sorted group would visit memory in no order.
  for (NowInfo* record = ownBlocks_ > 0 ? index_.First() : nullptr; record != nullptr;) {
    NowInfo* following = record->next;
    static_cast<void>(record->key.name.release());
    std::destroy_at(record);
    record = following;
  }
  ownBlocks_ = 0;
  index_.Reset();
  freeSlots_.clear();
  arena_.Clear();
}

void NowGate::Reset() {
  DestroyRecords();
  ResetHeader();
  counts_ = {};
  selection_ = {};
  parent = left = right = prev = next = nullptr;
}

void NumberedGroupName(const char* name, int n, char (&out)[nowfile::kNameSize]) {
  char suffix[16];
  const int suffixLength = std::snprintf(suffix, sizeof suffix, "-%d", n);
  const size_t room = sizeof out - 1 - static_cast<size_t>(suffixLength);
  size_t kept = 0;
  // A byte of 0x81 or more leads a two-byte character, which is kept whole or not at all.
  for (size_t length = 0; name[length] != '\0';) {
    const size_t width = static_cast<unsigned char>(name[length]) >= 0x81 && name[length + 1] != '\0' ? 2 : 1;
    if (length + width > room) break;
    length += width;
    kept = length;
  }
  std::memcpy(out, name, kept);
  std::memcpy(out + kept, suffix, static_cast<size_t>(suffixLength) + 1);
}

int NowGate::SetName(const char* name, int n) {
  if (!OSTRADA_VERIFY(name != nullptr)) return 0;
  if (n > 0) {
    NumberedGroupName(name, n, name_);
  } else {
    StrCopyBounded(name_, name, sizeof name_);
  }
  return 1;
}

int NowGate::SetKey(int32_t key) {
  if (!OSTRADA_VERIFY(AcceptedGroupKey(key))) return 0;
  key_ = key;
  return 1;
}

int NowGate::CopyRecordsFrom(const NowGate& source) {
  for (const NowInfo* record = source.First(); record != nullptr; record = record->next) {
    if (!OSTRADA_VERIFY(InsertCopy(record))) return 0;
  }
  return 1;
}

NowInfo* NowGate::StoreRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes) {
  if (!OSTRADA_VERIFY(name != nullptr && block != nullptr)) return nullptr;
  NowInfo* record = NewRecord(code, name, StrLen(name));
  if (record != nullptr) NowInfoTakeRow(record, *block, attributes);
  return record;
}

int NowGate::AddRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes) {
  NowInfo* record = StoreRow(code, name, block, attributes);
  return record != nullptr ? Link(record) : 0;
}

int NowGateBatch::AddRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes) {
  NowInfo* record = group_.StoreRow(code, name, block, attributes);
  if (record == nullptr) return 0;
  rows_.push_back(record);
  return 1;
}

int NowGateBatch::Close() {
  const int linked = group_.LinkAll(rows_);
  rows_.clear();
  return linked;
}

int NowGate::AddCodeInfo(const CodeInfo* entry) {
  if (!OSTRADA_VERIFY(entry != nullptr && entry->key.name != nullptr)) return 0;
  NowInfo* record = NewRecord(entry->key.code, entry->key.name.get(), StrLen(entry->key.name.get()));
  if (record == nullptr) return 0;
  NowPriceReset(&record->price);
  record->price.attr = entry->attr;
  return Link(record);
}

int NowGate::InsertCopy(const NowInfo* source) {
  if (!OSTRADA_VERIFY(source != nullptr && source->ownAverage == nullptr)) return 0;
  NowInfo* record = NewRecord(source->key.code, source->key.name.get(), StrLen(source->key.name.get()));
  if (record == nullptr) return 0;
  NowInfoCopyValues(*source, record);
  return Link(record);
}

int NowGate::Insert(NowInfoPtr source) {
  if (!OSTRADA_VERIFY(source != nullptr)) return 0;
  NowInfo* record = NewRecord(source->key.code, source->key.name.get(), StrLen(source->key.name.get()));
  if (record == nullptr) return 0;
  NowInfoCopyValues(*source, record);
  if (source->ownAverage != nullptr) ++ownBlocks_;
  record->ownAverage = std::move(source->ownAverage);
  return Link(record);
}

int NowGate::Remove(NowInfo* record) {
  if (!OSTRADA_VERIFY(record != nullptr)) return 0;
  int removed;
  if (key_ == kNowKeyArrival) {
    // Every new record sorts after every other, so the key cannot find a record again; the list
    // order is the key: a node is found left or right of another by where it lies in the list.
    removed = index_.Remove(record, [](const NowInfo& existing, const NowInfo& node) {
      return &existing == &node ? 0 : (Follows(&existing, &node) ? -1 : 1);
    });
  } else {
    if (!NowCompareKeyKnown(key_)) return 0;
    removed = index_.Remove(record, IndexOrder(key_));
  }
  if (!removed) return 0;
  DestroyRecord(record);
  return 1;
}

NowInfo* NowGate::FindByCode(const char* code) const {
  if (!OSTRADA_VERIFY(code != nullptr && *code != '\0')) return nullptr;
  if (key_ == kNowKeyCode) {
    return index_.Find([code](const NowInfo& existing) { return StrCompare(existing.key.code, code); });
  }
  return index_.FindLinear([code](const NowInfo& node) { return StrCompare(node.key.code, code) == 0; });
}

NowInfo* NowGate::FindByName(const char* name) const {
  if (!OSTRADA_VERIFY(name != nullptr && *name != '\0')) return nullptr;
  if (key_ == kNowKeyName) {
    return index_.Find([name](const NowInfo& existing) { return StrCompare(existing.key.name.get(), name); });
  }
  return index_.FindLinear([name](const NowInfo& node) { return StrCompare(node.key.name.get(), name) == 0; });
}

NowInfo* NowGate::GetAt(int32_t position) const {
  if (!OSTRADA_VERIFY(position >= 0 && position <= Count())) return nullptr;
  NowInfo* record = index_.First();
  for (int32_t i = 0; i < position && record != nullptr; ++i) record = record->next;
  return record;
}

int32_t NowGate::Position(const NowInfo* record) const {
  int32_t position = 1;
  for (const NowInfo* node = index_.First(); node != nullptr; node = node->next, ++position) {
    if (node == record) return position;
  }
  return -1;
}

int32_t NowGate::BasePriceOf(const char* code) const {
  const NowInfo* record = FindByCode(code);
  if (!OSTRADA_VERIFY(record != nullptr)) return 0;
  return record->price.basePrice;
}

int32_t NowGate::ScanLatestQuoteTime() const {
  int32_t latest = -1;
  for (const NowInfo* node = index_.First(); node != nullptr; node = node->next) {
    if (node->price.bar.time > latest) latest = node->price.bar.time;
  }
  return latest;
}

HeapText NowGate::JoinCodes(int32_t start, int32_t n, int32_t* taken) const {
  if (!OSTRADA_VERIFY(taken != nullptr && start >= 0 && n >= 1 && n <= kMaxJoinedCodes)) return nullptr;
  *taken = 0;
  if (!OSTRADA_VERIFY(start < Count())) return nullptr;
  const NowInfo* first = GetAt(start);
  size_t bytes = 1;
  int32_t codes = 0;
  for (const NowInfo* node = first; node != nullptr && codes < n; node = node->next, ++codes) {
    const size_t length = StrLen(node->key.code);
    if (!OSTRADA_VERIFY(length > 0)) return nullptr;
    bytes += length + 1;
  }
  HeapText text(static_cast<char*>(AllocZeroed(bytes)));
  if (!text) return nullptr;
  char* out = text.get();
  const NowInfo* node = first;
  for (int32_t i = 0; i < codes; ++i, node = node->next) {
    if (i > 0) *out++ = ',';
    const size_t length = StrLen(node->key.code);
    std::memcpy(out, node->key.code, length);
    out += length;
  }
  *taken = codes;
  return text;
}

int NowGate::RemoveDuplicates() {
  if (!OSTRADA_VERIFY(key_ == kNowKeyCode || key_ == kNowKeyName)) return 0;
  const bool byCode = key_ == kNowKeyCode;
  NowInfo* record = index_.First();
  while (record != nullptr && record->next != nullptr) {
    NowInfo* following = record->next;
    const int same = byCode ? StrCompare(record->key.code, following->key.code) == 0
                            : StrCompare(record->key.name.get(), following->key.name.get()) == 0;
    if (same && !Remove(record)) return 0;
    record = following;
  }
  return Finish();
}

int NowGate::Refill(const NowGate& master) {
  if (!OSTRADA_VERIFY(master.Count() > 0 && Count() > 0)) return 0;
  for (NowInfo* record = index_.First(); record != nullptr; record = record->next) {
    const NowInfo* source = master.FindByCode(record->key.code);
    if (OSTRADA_VERIFY(source != nullptr)) record->price = source->price;
  }
  reservedA_ = master.reservedA_;
  reservedB_ = master.reservedB_;
  latestTime_ = master.latestTime_;
  return 1;
}

int NowGate::Finish() {
  // The rebuild checks every list link and the count before it touches the tree.
  return index_.Rebuild();
}

std::unique_ptr<CodeInfoList> NowGate::ExportCodeList() const {
  auto book = std::make_unique<CodeInfoList>();
  int32_t added = 0;
  for (const NowInfo* node = index_.First(); node != nullptr; node = node->next) {
    CodeAttr attributes = node->price.attr;
    attributes.market = static_cast<char>('0' + node->price.marketNumber + 1);
    added += book->Insert(node->key.code, node->key.name.get(), &attributes);
  }
  if (!OSTRADA_VERIFY(added == Count())) return nullptr;
  book->Rebuild();
  return book;
}

int NowGate::AverageOfMoving(int sign, size_t countSlot, float* average) const {
  if (!OSTRADA_VERIFY(average != nullptr)) return 0;
  *average = 0.0f;
  const int32_t expected = counts_.AtSlot(countSlot);
  if (counts_.AtSlot(kRisingSlot) == 0 && counts_.AtSlot(kFallingSlot) == 0) return 0;
  double sum = 0.0;
  int32_t found = 0;
  for (const NowInfo* node = index_.First(); node != nullptr; node = node->next) {
    if (node->price.bar.change * sign > 0) {
      sum += node->price.bar.rate;
      ++found;
    }
  }
  if (!OSTRADA_VERIFY(found == expected)) return 0;
  if (found > 0) *average = static_cast<float>(sum / found);
  return 1;
}

int NowGate::AverageRise(float* average) const {
  return AverageOfMoving(1, kRisingSlot, average);
}
int NowGate::AverageFall(float* average) const {
  return AverageOfMoving(-1, kFallingSlot, average);
}

int NowGate::CompareGroups(const NowGate& existing, const NowGate& incoming, int32_t groupKey) {
  switch (groupKey) {
    case kGroupKeyName:
      return StrCompare(existing.name_, incoming.name_);
    case kGroupKeyAverageRise: {
      float existingRise = 0.0f;
      float incomingRise = 0.0f;
      existing.AverageRise(&existingRise);
      incoming.AverageRise(&incomingRise);
      return Sign(incomingRise - existingRise);
    }
    case kGroupKeyArrival:
      return -1;
    case kGroupKeyRisingCount:
      return incoming.counts_.AtSlot(kRisingSlot) - existing.counts_.AtSlot(kRisingSlot);
    case kGroupKeyUpFivePercent:
      return incoming.counts_.AtSlot(kUpFivePercentSlot) - existing.counts_.AtSlot(kUpFivePercentSlot);
    default:
      OSTRADA_VERIFY(false);
      return 0;
  }
}

}  // namespace ostrada
