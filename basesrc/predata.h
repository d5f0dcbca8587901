#pragma once
// The pre-data record: one stock's daily history condensed at one date into 568 bytes (the bar and
// its moving-average sums, the last crossing of the 5- and 20-bar lines, average volumes, the last
// five days, upper-limit and rising-day counts); and the pre-data list that keeps such records in a
// chosen order and stores them in the ".spd" file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/arena.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/orderedindex.h"
#include "basesrc/movepair.h"

namespace ostrada {

// Stored layout of a record (the name text follows it in the file, after its 32-bit length).
namespace predata {
inline constexpr size_t kCodeOffset = 0;          // 16 bytes
inline constexpr size_t kNamePointerOffset = 16;  // 0 in the file
inline constexpr size_t kAveragesOffset = 20;     // the date's entry, sums form
inline constexpr size_t kBarOffset = 52;          // the first 32 bytes of the date's bar
inline constexpr size_t kCrossOffset = 84;
inline constexpr size_t kExtremeOffset = 92;
inline constexpr size_t kReservedPairsOffset = 100;  // twelve pairs
inline constexpr size_t kReservedPairs = 12;
inline constexpr size_t kAverageVolume5Offset = 196;
inline constexpr size_t kAverageVolume20Offset = 200;
inline constexpr size_t kDaysOffset = 204;
inline constexpr size_t kDaySize = 68;  // bar, strength, entry
inline constexpr size_t kDays = 5;
inline constexpr size_t kUpperLimitOffset = 544;
inline constexpr size_t kUpperLimitStreakOffset = 552;
inline constexpr size_t kRisingOrEvenOffset = 556;
inline constexpr size_t kRisingOffset = 560;
inline constexpr size_t kRateSumOffset = 564;
inline constexpr size_t kRecordSize = 568;
static_assert(kReservedPairsOffset + kReservedPairs * 8 == kAverageVolume5Offset);
static_assert(kDaysOffset + kDays * kDaySize == kUpperLimitOffset);
static_assert(kDaySize == 32 + 4 + movefile::kEntrySize);

// The ".spd" header.
inline constexpr uint32_t kMagic = 0xF2835150;
inline constexpr size_t kSortKeyOffset = 68;
inline constexpr size_t kTagOffset = 72;
inline constexpr size_t kCountOffset = 76;
inline constexpr size_t kFirstRecordOffset = 80;  // -1 until saved
inline constexpr size_t kEndOffset = 84;          // -1 until saved
inline constexpr size_t kHeaderSize = 344;
inline constexpr size_t kNameLengthSize = 4;
}  // namespace predata

// One of the five last days: the bar's head, its strength, its moving-average sums.
struct PreDataDay {
  PriceBar bar;
  float strength;
  MovingAverageEntry averages;  // links unused
};

struct PreDataRecord {
  CodeKey key;
  MovingAverageEntry averages;  // of the date, sums form; links unused
  PriceBar bar;                 // of the date
  KeyValue cross;               // (key, 5-bar line) of the last crossing at or before the date
  KeyValue extreme;             // (key, price): highest high or lowest low since the crossing
  KeyValue reserved[predata::kReservedPairs];
  int32_t averageVolume5;
  int32_t averageVolume20;
  PreDataDay days[predata::kDays];  // the date, then the four bars before it
  KeyValue upperLimit;              // (bars from the newest upper-limit bar to the date, its close)
  int32_t upperLimitStreak;         // when the date itself closed at the upper limit
  int32_t risingOrEven35;           // among the newest 35 bars of the series
  int32_t rising25;                 // among the 25 bars ending at the date
  float rateSum25;
  PreDataRecord* parent;
  PreDataRecord* left;
  PreDataRecord* right;
  PreDataRecord* prev;
  PreDataRecord* next;
};

// Zeroes everything and frees the name. REQUIRES: a record of its own, not one of a PreDataList
// (the list's records keep their names in the list's arena).
void PreDataRecordReset(PreDataRecord* record);
// The 568 stored bytes (name pointer written as 0).
void EncodePreDataRecord(const PreDataRecord& record, uint8_t* out);
// The stored bytes into the record's fields; name and links untouched.
void DecodePreDataRecord(const uint8_t* in, PreDataRecord* record);

using PreDataPtr = std::unique_ptr<PreDataRecord>;
// A zeroed record; null (reported) when memory is short.
PreDataPtr PreDataRecordCreate();

enum PreDataKey : int32_t {
  kPreDataKeyCode = 1,
  kPreDataKeyName = 2,
  kPreDataKeyRateDown = 11,
  kPreDataKeyVolumeDown = 901,
};

class PreDataList {
 public:
  PreDataList() { Reset(); }
  ~PreDataList() { Clear(); }
  PreDataList(const PreDataList&) = delete;
  PreDataList& operator=(const PreDataList&) = delete;

  // Frees every record and name and starts an empty header (key 11, tag -1).
  void Clear();
  int32_t SortKey() const { return sortKey_; }
  // 1, 2, 11 and 901 order the records; 0, 902, 903 and 911 are taken but every insertion then
  // fails. Anything else is refused (reported).
  int SetSortKey(int32_t key);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }
  int32_t Count() const { return index_.Count(); }
  PreDataRecord* Root() const { return index_.Root(); }
  PreDataRecord* First() const { return index_.First(); }
  PreDataRecord* Last() const { return index_.Last(); }
  int32_t FirstRecordOffset() const { return firstRecordOffset_; }
  int32_t EndOffset() const { return endOffset_; }

  // Takes the record's values and name into the list's own storage; the given record is destroyed.
  // Equal keys go after.
  int Insert(PreDataPtr record);
  // A copy of the 568 bytes and the name.
  int InsertCopy(const PreDataRecord& record);
  // Reset, the key (0: the source's), a copy of each source record, then a balanced tree. The tag
  // stays this list's.
  int CopyFrom(const PreDataList& source, int32_t key);
  int Remove(PreDataRecord* record);
  // Keys 1 and 2: of neighbours with equal keys the earlier goes.
  int RemoveDuplicates();
  PreDataRecord* FindByCode(const char* code) const;
  PreDataRecord* FindByName(const char* name) const;
  // 0-based; null beyond the end.
  PreDataRecord* At(int32_t position) const;
  // 1-based, -1 when absent.
  int32_t Position(const PreDataRecord* record) const;
  int Rebuild() { return index_.Rebuild(); }

  int Save(FileHandle file);
  int Save(const char* path);
  // Clears; a nonzero key orders the records (the file's own key is not taken). Records read before
  // a failure stay.
  int Load(FileHandle file, int32_t key);
  int Load(const char* path, int32_t key);

 private:
  void Reset();
  // A zeroed record in the list's arena, not yet linked; null (reported) when memory is short.
  PreDataRecord* NewRecord();
  // Runs the record's destructor; its slot serves the next new record.
  void DestroyRecord(PreDataRecord* record);
  // The name's first `length` bytes as the record's name, copied into the arena. 1/0 (reported).
  int TakeName(PreDataRecord* record, const char* name, size_t length);
  int Compare(const PreDataRecord& existing, const PreDataRecord& incoming) const;
  // One stored record from bytes[*at] on (length bytes in all), not yet linked; *at moves past it.
  // Null (reported) for a damaged record.
  PreDataRecord* ReadRecord(const uint8_t* bytes, size_t length, size_t* at);
  // Sorts new records and links them in one pass; when they cannot be linked they are destroyed.
  int LinkAll(std::vector<PreDataRecord*>& records);

  int32_t sortKey_;
  int32_t tag_;
  int32_t firstRecordOffset_;
  int32_t endOffset_;
  OrderedIndex<PreDataRecord> index_;
  // The records and their names: one arena instead of two heap blocks a record.
  Arena arena_;
  std::vector<void*> freeSlots_;  // slots of removed records
};

}  // namespace ostrada
