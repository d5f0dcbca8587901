#include "basesrc/predata.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "basesrc/foundation/blockreader.h"
#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/predata";

using namespace predata;

// A stored name longer than this is not a stock name but a damaged file.
constexpr uint32_t kLongestName = 255;
constexpr size_t kLongestRecord = kRecordSize + kNameLengthSize + kLongestName;
static_assert(BlockReader::kBlockSize >= kLongestRecord);

void PutPair(uint8_t* out, size_t offset, const KeyValue& pair) {
  PutI32(out, offset, pair.key);
  PutI32(out, offset + 4, pair.value);
}

KeyValue GetPair(const uint8_t* in, size_t offset) {
  return KeyValue{GetI32(in, offset), GetI32(in, offset + 4)};
}

void PutPriceBar(uint8_t* out, size_t offset, const PriceBar& bar) {
  const int32_t words[] = {bar.time, bar.open, bar.high, bar.low, bar.close, bar.change, bar.volume};
  for (size_t i = 0; i < 7; ++i) PutI32(out, offset + 4 * i, words[i]);
  PutF32(out, offset + 28, bar.rate);
}

PriceBar GetPriceBar(const uint8_t* in, size_t offset) {
  return PriceBar{GetI32(in, offset),      GetI32(in, offset + 4),  GetI32(in, offset + 8),  GetI32(in, offset + 12),
                  GetI32(in, offset + 16), GetI32(in, offset + 20), GetI32(in, offset + 24), GetF32(in, offset + 28)};
}

bool KeyOrders(int32_t key) {
  return key == kPreDataKeyCode || key == kPreDataKeyName || key == kPreDataKeyRateDown || key == kPreDataKeyVolumeDown;
}

bool KeyTaken(int32_t key) {
  return KeyOrders(key) || key == 0 || key == 902 || key == 903 || key == 911;
}

// The key's name from a text; the code is copied first, as setting the key clears it.
int SetName(CodeKey* key, const char* name) {
  char code[kCodeSize];
  StrCopyBounded(code, key->code, sizeof code);
  return OSTRADA_VERIFY(CodeKeySet(key, code, name)) ? 1 : 0;
}

template <class T>
int Descending(T existing, T incoming) {
  return existing > incoming ? -1 : (existing < incoming ? 1 : 0);
}

}  // namespace

PreDataPtr PreDataRecordCreate() {
  PreDataPtr record(new (std::nothrow) PreDataRecord{});
  if (!OSTRADA_VERIFY(record != nullptr)) return nullptr;
  return record;
}

void PreDataRecordReset(PreDataRecord* record) {
  if (!OSTRADA_VERIFY(record != nullptr)) return;
  PreDataRecord* const links[] = {record->parent, record->left, record->right, record->prev, record->next};
  *record = PreDataRecord{};
  record->parent = links[0];
  record->left = links[1];
  record->right = links[2];
  record->prev = links[3];
  record->next = links[4];
}

void EncodePreDataRecord(const PreDataRecord& r, uint8_t* out) {
  PutText(out, kCodeOffset, r.key.code, kCodeSize);
  PutI32(out, kNamePointerOffset, 0);
  EncodeAverageEntry(r.averages, out + kAveragesOffset);
  PutPriceBar(out, kBarOffset, r.bar);
  PutPair(out, kCrossOffset, r.cross);
  PutPair(out, kExtremeOffset, r.extreme);
  for (size_t i = 0; i < kReservedPairs; ++i) PutPair(out, kReservedPairsOffset + 8 * i, r.reserved[i]);
  PutI32(out, kAverageVolume5Offset, r.averageVolume5);
  PutI32(out, kAverageVolume20Offset, r.averageVolume20);
  for (size_t i = 0; i < kDays; ++i) {
    const size_t at = kDaysOffset + kDaySize * i;
    PutPriceBar(out, at, r.days[i].bar);
    PutF32(out, at + 32, r.days[i].strength);
    EncodeAverageEntry(r.days[i].averages, out + at + 36);
  }
  PutPair(out, kUpperLimitOffset, r.upperLimit);
  PutI32(out, kUpperLimitStreakOffset, r.upperLimitStreak);
  PutI32(out, kRisingOrEvenOffset, r.risingOrEven35);
  PutI32(out, kRisingOffset, r.rising25);
  PutF32(out, kRateSumOffset, r.rateSum25);
}

void DecodePreDataRecord(const uint8_t* in, PreDataRecord* r) {
  std::memcpy(r->key.code, in + kCodeOffset, kCodeSize);
  r->key.code[kCodeSize - 1] = '\0';
  DecodeAverageEntry(in + kAveragesOffset, &r->averages);
  r->bar = GetPriceBar(in, kBarOffset);
  r->cross = GetPair(in, kCrossOffset);
  r->extreme = GetPair(in, kExtremeOffset);
  for (size_t i = 0; i < kReservedPairs; ++i) r->reserved[i] = GetPair(in, kReservedPairsOffset + 8 * i);
  r->averageVolume5 = GetI32(in, kAverageVolume5Offset);
  r->averageVolume20 = GetI32(in, kAverageVolume20Offset);
  for (size_t i = 0; i < kDays; ++i) {
    const size_t at = kDaysOffset + kDaySize * i;
    r->days[i].bar = GetPriceBar(in, at);
    r->days[i].strength = GetF32(in, at + 32);
    DecodeAverageEntry(in + at + 36, &r->days[i].averages);
  }
  r->upperLimit = GetPair(in, kUpperLimitOffset);
  r->upperLimitStreak = GetI32(in, kUpperLimitStreakOffset);
  r->risingOrEven35 = GetI32(in, kRisingOrEvenOffset);
  r->rising25 = GetI32(in, kRisingOffset);
  r->rateSum25 = GetF32(in, kRateSumOffset);
}

void PreDataList::Reset() {
  index_.Reset();
  sortKey_ = kPreDataKeyRateDown;
  tag_ = -1;
  firstRecordOffset_ = endOffset_ = -1;
}

void PreDataList::Clear() {
  for (PreDataRecord* record = index_.First(); record != nullptr;) {
    PreDataRecord* next = record->next;
    static_cast<void>(record->key.name.release());  // the arena's, not the heap's
    std::destroy_at(record);
    record = next;
  }
  freeSlots_.clear();
  arena_.Clear();
  Reset();
}

PreDataRecord* PreDataList::NewRecord() {
  void* slot = TakeSlot(arena_, freeSlots_, sizeof(PreDataRecord), alignof(PreDataRecord));
  return slot != nullptr ? new (slot) PreDataRecord{} : nullptr;
}

void PreDataList::DestroyRecord(PreDataRecord* record) {
  static_cast<void>(record->key.name.release());
  std::destroy_at(record);
  freeSlots_.push_back(record);
}

int PreDataList::TakeName(PreDataRecord* record, const char* name, size_t length) {
  char* copy = arena_.CopyText(name, length);
  if (copy == nullptr) return 0;
  record->key.name.reset(copy);
  return 1;
}

int PreDataList::SetSortKey(int32_t key) {
  if (!OSTRADA_VERIFY(KeyTaken(key))) return 0;
  sortKey_ = key;
  return 1;
}

int PreDataList::Compare(const PreDataRecord& existing, const PreDataRecord& incoming) const {
  switch (sortKey_) {
    case kPreDataKeyCode:
      return StrCompare(existing.key.code, incoming.key.code);
    case kPreDataKeyName:
      return StrCompare(existing.key.name.get(), incoming.key.name.get());
    case kPreDataKeyRateDown:
      return Descending(existing.bar.rate, incoming.bar.rate);
    default:
      return Descending(static_cast<uint32_t>(existing.bar.volume), static_cast<uint32_t>(incoming.bar.volume));
  }
}

int PreDataList::Insert(PreDataPtr record) {
  if (!OSTRADA_VERIFY(record != nullptr && KeyOrders(sortKey_))) return 0;
  PreDataRecord* stored = NewRecord();
  if (stored == nullptr) return 0;
  HeapText name = std::move(record->key.name);
  *stored = std::move(*record);
  if (name != nullptr && !TakeName(stored, name.get(), StrLen(name.get()))) {
    DestroyRecord(stored);
    return 0;
  }
  auto order = [this](const PreDataRecord& existing, const PreDataRecord& incoming) {
    return Compare(existing, incoming);
  };
  if (!index_.Insert(stored, order)) {
    DestroyRecord(stored);
    return 0;
  }
  return 1;
}

int PreDataList::InsertCopy(const PreDataRecord& source) {
  PreDataPtr copy = PreDataRecordCreate();
  if (!copy) return 0;
  uint8_t bytes[kRecordSize];
  EncodePreDataRecord(source, bytes);
  DecodePreDataRecord(bytes, copy.get());
  if (source.key.name != nullptr && !SetName(&copy->key, source.key.name.get())) return 0;
  return Insert(std::move(copy));
}

int PreDataList::CopyFrom(const PreDataList& source, int32_t key) {
  if (!OSTRADA_VERIFY(&source != this)) return 0;
  const int32_t tag = tag_;
  Clear();
  tag_ = tag;
  if (!SetSortKey(key != 0 ? key : source.sortKey_)) return 0;
  for (const PreDataRecord* record = source.First(); record != nullptr; record = record->next) {
    if (!InsertCopy(*record)) return 0;
  }
  return Count() == 0 || index_.Rebuild();
}

int PreDataList::Remove(PreDataRecord* record) {
  if (!OSTRADA_VERIFY(record != nullptr && KeyOrders(sortKey_))) return 0;
  auto order = [this](const PreDataRecord& existing, const PreDataRecord& incoming) {
    return Compare(existing, incoming);
  };
  if (!index_.Remove(record, order)) return 0;
  DestroyRecord(record);
  return 1;
}

int PreDataList::RemoveDuplicates() {
  if (!OSTRADA_VERIFY(sortKey_ == kPreDataKeyCode || sortKey_ == kPreDataKeyName)) return 0;
  PreDataRecord* record = index_.First();
  while (record != nullptr && record->next != nullptr) {
    PreDataRecord* following = record->next;
    if (Compare(*record, *following) == 0 && !Remove(record)) return 0;
    record = following;
  }
  return Count() == 0 || index_.Rebuild();
}

PreDataRecord* PreDataList::FindByCode(const char* code) const {
  if (!OSTRADA_VERIFY(code != nullptr && *code != '\0')) return nullptr;
  if (sortKey_ == kPreDataKeyCode)
    return index_.Find([code](const PreDataRecord& existing) { return StrCompare(existing.key.code, code); });
  return index_.FindLinear([code](const PreDataRecord& node) { return StrCompare(node.key.code, code) == 0; });
}

PreDataRecord* PreDataList::FindByName(const char* name) const {
  if (!OSTRADA_VERIFY(name != nullptr && *name != '\0')) return nullptr;
  if (sortKey_ == kPreDataKeyName)
    return index_.Find([name](const PreDataRecord& existing) { return StrCompare(existing.key.name.get(), name); });
  return index_.FindLinear([name](const PreDataRecord& node) { return StrCompare(node.key.name.get(), name) == 0; });
}

PreDataRecord* PreDataList::At(int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  PreDataRecord* record = index_.First();
  for (int32_t i = 0; i < position; ++i) record = record->next;
  return record;
}

int32_t PreDataList::Position(const PreDataRecord* record) const {
  int32_t position = 1;
  for (const PreDataRecord* r = index_.First(); r != nullptr; r = r->next, ++position) {
    if (r == record) return position;
  }
  return -1;
}

int PreDataList::Save(FileHandle file) {
  const int32_t start = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(start >= 0)) return 0;
  std::string image(kHeaderSize, '\0');
  image.reserve(kHeaderSize + static_cast<size_t>(Count()) * (kRecordSize + kNameLengthSize + 16));
  uint8_t bytes[kRecordSize + kNameLengthSize];
  int32_t written = 0;
  for (const PreDataRecord* r = index_.First(); r != nullptr; r = r->next, ++written) {
    EncodePreDataRecord(*r, bytes);
    const size_t nameLength = StrLen(r->key.name.get());
    PutU32(bytes, kRecordSize, static_cast<uint32_t>(nameLength));
    image.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
    if (nameLength > 0) image.append(r->key.name.get(), nameLength);
  }
  if (!OSTRADA_VERIFY(written == Count() && int64_t{start} + static_cast<int64_t>(image.size()) <= INT32_MAX)) return 0;
  firstRecordOffset_ = start + static_cast<int32_t>(kHeaderSize);
  endOffset_ = start + static_cast<int32_t>(image.size());
  auto* header = reinterpret_cast<uint8_t*>(image.data());
  PutInfoFileHeader(header, kMagic);
  PutI32(header, kSortKeyOffset, sortKey_);
  PutI32(header, kTagOffset, tag_);
  PutI32(header, kCountOffset, Count());
  PutI32(header, kFirstRecordOffset, firstRecordOffset_);
  PutI32(header, kEndOffset, endOffset_);
  const auto size = static_cast<int32_t>(image.size());
  return OSTRADA_VERIFY(FileWrite(file, image.data(), size) == size) ? 1 : 0;
}

int PreDataList::Save(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return Save(file.get()) ? file.Commit() : 0;
}

int PreDataList::Load(FileHandle file, int32_t key) {
  Clear();
  if (key != 0 && !SetSortKey(key)) return 0;
  int32_t start = 0;
  int32_t size = 0;
  if (!OSTRADA_VERIFY(FileSpan(file, &start, &size))) return 0;
  uint8_t header[kHeaderSize];
  if (!OSTRADA_VERIFY(FileRead(file, header, kHeaderSize) == static_cast<int32_t>(kHeaderSize))) return 0;
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(header, kMagic))) return 0;
  const int32_t stored = GetI32(header, kCountOffset);
  const int32_t first = GetI32(header, kFirstRecordOffset);
  // Every record takes at least its fixed part and name length: the count must fit the file.
  const int64_t smallest = static_cast<int64_t>(kRecordSize + kNameLengthSize);
  if (!OSTRADA_VERIFY(stored >= 0 && first >= start + static_cast<int32_t>(kHeaderSize) && first <= size &&
                      int64_t{stored} * smallest <= int64_t{size} - first))
    return 0;
  if (!OSTRADA_VERIFY(FileSeek(file, first, kSeekSet) == first)) return 0;
  BlockReader blocks(file, static_cast<size_t>(size - first));
  // Every record is read first, then all are sorted and linked once, in the order inserting them
  // one after another would give.
  std::vector<PreDataRecord*> records;
  records.reserve(static_cast<size_t>(stored));
  bool readFailed = false;
  for (int32_t read = 0; read < stored; ++read) {
    readFailed = !blocks.Want(kLongestRecord);
    if (readFailed) break;
    size_t used = 0;
    PreDataRecord* record = ReadRecord(blocks.Data(), blocks.Available(), &used);
    if (record == nullptr) break;
    records.push_back(record);
    blocks.Consume(used);
  }
  FileSeek(file, first + static_cast<int32_t>(blocks.Taken()), kSeekSet);
  // A record that failed has been reported where it failed; the records before it stay.
  const bool complete = !readFailed && records.size() == static_cast<size_t>(stored);
  const int linked = LinkAll(records);
  return complete && linked && OSTRADA_VERIFY(Count() == stored) ? 1 : 0;
}

int PreDataList::LinkAll(std::vector<PreDataRecord*>& records) {
  if (records.empty()) return 1;
  if (!OSTRADA_VERIFY(KeyOrders(sortKey_))) {
    for (PreDataRecord* record : records) DestroyRecord(record);
    return 0;
  }
  auto order = [this](const PreDataRecord& existing, const PreDataRecord& incoming) {
    return Compare(existing, incoming);
  };
  SortForIndex(records, order);
  if (!index_.InsertSorted(records.data(), static_cast<int32_t>(records.size()), order)) {
    for (PreDataRecord* record : records) DestroyRecord(record);
    return 0;
  }
  return 1;
}

PreDataRecord* PreDataList::ReadRecord(const uint8_t* bytes, size_t length, size_t* at) {
  const uint8_t* fixed = bytes + *at;
  const size_t nameAt = *at + kRecordSize + kNameLengthSize;
  const uint32_t nameLength = nameAt <= length ? GetU32(fixed, kRecordSize) : 0;
  const uint8_t* name = bytes + nameAt;
  // Checked once per record without a report on the good path; a bad record is reported here.
  const bool sound = nameAt <= length && nameLength <= kLongestName && nameLength <= length - nameAt &&
                     std::memchr(name, 0, nameLength) == nullptr;
  if (!sound) {
    OSTRADA_VERIFY(sound);
    return nullptr;
  }
  PreDataRecord* record = NewRecord();
  if (record == nullptr) return nullptr;
  DecodePreDataRecord(fixed, record);
  if (nameLength > 0 && !TakeName(record, reinterpret_cast<const char*>(name), nameLength)) {
    DestroyRecord(record);
    return nullptr;
  }
  *at = nameAt + nameLength;
  return record;
}

int PreDataList::Load(const char* path, int32_t key) {
  Clear();
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening
  return Load(file.get(), key);
}

}  // namespace ostrada
