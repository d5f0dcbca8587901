#pragma once
// A snapshot group: the snapshot records of many stocks taken by one download, kept in a chosen
// order, with the header that also begins the group's file and the classifier's counter tables.
// The group owns its records: they and their names live in the group's arena, so a group of
// thousands of stocks costs a few heap blocks, and they go with the group. A pack of groups keeps groups in its own
// ordered index through the group's five public links.
#include <cstdint>
#include <memory>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/arena.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/orderedindex.h"
#include "basesrc/nowinfo.h"
#include "basesrc/patterncounts.h"

namespace ostrada {

// The group header and the group file. All integers are 32-bit little-endian.
namespace nowfile {
constexpr uint32_t kKind = 0xF2195009;
constexpr size_t kNameOffset = 68;  // 64 bytes, NUL-terminated
constexpr size_t kNameSize = 64;
constexpr size_t kCodeAttrFlagOffset = 132;  // 1 when the rows were stored with their attributes
constexpr size_t kKeyOffset = 136;           // record ordering key
constexpr size_t kReservedAOffset = 140;
constexpr size_t kReservedBOffset = 144;
constexpr size_t kLatestTimeOffset = 148;  // latest quote time of a record with volume, -1 when none
constexpr size_t kCountOffset = 152;
constexpr size_t kThresholdOffset = 156;  // average-volume threshold
constexpr size_t kRisingDaysOffset = 160;
constexpr size_t kRecordsBeginOffset = 164;  // file offset of the first record, -1 until saved
constexpr size_t kRecordsEndOffset = 168;    // file offset just past the last record, -1 until saved
constexpr size_t kHeaderSize = 172;
constexpr size_t kCountsOffset = 172;     // current counters
constexpr size_t kSelectionOffset = 440;  // selection table
constexpr size_t kRecordsOffset = 708;    // records, when the group is the first thing in the file
static_assert(kCountsOffset + PatternCounts::kSize == kSelectionOffset);
static_assert(kSelectionOffset + PatternCounts::kSize == kRecordsOffset);
// Each record: the 168-byte fixed part, the name length n, n name bytes, a marker 0.
constexpr size_t kNameBufferSize = 264;  // a stored name is at most 263 bytes
constexpr size_t kRecordOverhead = nowrecord::kFixedSize + 4 + 4;
}  // namespace nowfile

// The header's values, for an owner that keeps a header of its own (a pack of groups).
struct NowGroupHeader {
  char name[nowfile::kNameSize] = {};
  int32_t codeAttrFlag = 0;
  int32_t key = 11;
  int32_t reservedA = 0;
  int32_t reservedB = 0;
  int32_t latestTime = -1;
  int32_t count = 0;
  int32_t threshold = 0;
  int32_t risingDays = 0;
  int32_t recordsBegin = -1;
  int32_t recordsEnd = -1;
};
// The 172 header bytes: check text, kind number and the values at their offsets.
void EncodeNowGroupHeader(const NowGroupHeader& header, uint8_t* out);
// The values of 172 header bytes (check text and kind are the reader's to check).
NowGroupHeader DecodeNowGroupHeader(const uint8_t* in);

// A record ordering key a group takes (0: the group's default order).
bool AcceptedGroupKey(int32_t key);

// The group keys a pack orders its groups by.
enum NowGroupKey : int32_t {
  kGroupKeyName = 2,
  kGroupKeyAverageRise = 921,
  kGroupKeyArrival = 991,
  kGroupKeyRisingCount = 992,
  kGroupKeyUpFivePercent = 993,
};

// "name-n" in a group's 64-byte name field: a long name is cut (at a whole CP949 character) so that
// "-n" always fits, and groups of different times never share a name.
void NumberedGroupName(const char* name, int n, char (&out)[nowfile::kNameSize]);

class NowGate {
 public:
  friend class NowGateBatch;
  // The most codes one multi-stock request and one joined code text can hold.
  static constexpr int kMaxJoinedCodes = 110;

  // An empty group; a nonzero key becomes the ordering key (11 otherwise).
  explicit NowGate(int32_t key = 0);
  // A copy of the source: name, counters, selection table, attribute flag, ordering key (the given
  // key when nonzero), a copy of each record, then reserved values and latest quote time. A failed
  // record copy is reported and ends the copying: compare Count() with the source's.
  NowGate(const NowGate& source, int32_t key);
  ~NowGate();
  NowGate(const NowGate&) = delete;
  NowGate& operator=(const NowGate&) = delete;

  // Destroys every record and resets header, counters, selection table and links.
  void Reset();

  // ---- Header values ----
  const char* Name() const { return name_; }
  // The name bounded to 64 bytes, or "name-n" when n > 0 (see NumberedGroupName). 0 (reported) for
  // a missing name.
  int SetName(const char* name, int n);
  int32_t Key() const { return key_; }
  // Accepts 0, 1, 2, 11, 901, 902, 903, 911, 938 and 991; any other key is reported and ignored.
  int SetKey(int32_t key);
  int32_t CodeAttrFlag() const { return codeAttrFlag_; }
  void SetCodeAttrFlag(int32_t flag) { codeAttrFlag_ = flag; }
  int32_t ReservedA() const { return reservedA_; }
  void SetReservedA(int32_t value) { reservedA_ = value; }
  int32_t ReservedB() const { return reservedB_; }
  void SetReservedB(int32_t value) { reservedB_ = value; }
  // The latest quote time of any stored record with volume; -1 until one is stored.
  int32_t LatestTime() const { return latestTime_; }
  void SetLatestTime(int32_t time) { latestTime_ = time; }
  int32_t VolumeThreshold() const { return volumeThreshold_; }
  void SetVolumeThreshold(int32_t value) { volumeThreshold_ = value; }
  int32_t RisingDays() const { return risingDays_; }
  void SetRisingDays(int32_t value) { risingDays_ = value; }
  int32_t RecordsBegin() const { return recordsBegin_; }
  int32_t RecordsEnd() const { return recordsEnd_; }

  int32_t Count() const { return index_.Count(); }
  NowInfo* First() const { return index_.First(); }
  NowInfo* Last() const { return index_.Last(); }
  PatternCounts& Counts() { return counts_; }
  const PatternCounts& Counts() const { return counts_; }
  const PatternCounts& Selection() const { return selection_; }
  void SetSelection(const PatternCounts& table) { selection_ = table; }

  // ---- Records ----
  // Stores one server row (see NowInfoStoreRow) and inserts it.
  int AddRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes);
  int AddCodeInfo(const CodeInfo* entry);
  int InsertCopy(const NowInfo* record);
  // Takes the record's values, name and own block into the group's storage; the given record is then
  // destroyed, as it is on failure. Ties go after equal keys.
  int Insert(NowInfoPtr record);
  // Unlinks and destroys the record.
  int Remove(NowInfo* record);

  NowInfo* FindByCode(const char* code) const;
  NowInfo* FindByName(const char* name) const;
  // The record at a 0-based position; Count() gives null quietly, beyond it null with a report.
  NowInfo* GetAt(int32_t position) const;
  // 1-based position in list order, or -1 when the record is not here.
  int32_t Position(const NowInfo* record) const;
  // The base price of the code's record; 0 (reported) when the code is not here.
  int32_t BasePriceOf(const char* code) const;
  // The largest quote time over all records; -1 for an empty group.
  int32_t ScanLatestQuoteTime() const;
  // Up to n (1..110) codes from the 0-based start, joined by ','; taken gets their number.
  HeapText JoinCodes(int32_t start, int32_t n, int32_t* taken) const;
  // Only for key 1 or 2: of two neighbours with equal code (or name) the first is removed.
  int RemoveDuplicates();
  // Replaces each record's price block by the master's record of the same code, then takes the
  // master's reserved values and latest quote time.
  int Refill(const NowGate& master);
  // Checks every record's links and balances the index; after a bulk fill.
  int Finish();
  // A code book with the code, name and market number + 1 of every record; null on failure.
  std::unique_ptr<CodeInfoList> ExportCodeList() const;

  // ---- Classifier figures ----
  // Mean rate of the records with change > 0 (< 0); they need the rising (slot 0) and falling
  // (slot 40) counters filled.
  int AverageRise(float* average) const;
  int AverageFall(float* average) const;
  // r <= 0 puts the new group after the existing one, r > 0 before.
  static int CompareGroups(const NowGate& existing, const NowGate& incoming, int32_t groupKey);

  // ---- Files ----
  // Mode 1: the text export (flag must be nonzero); any other mode: the binary group file.
  int Save(const char* path, int mode, int flag);
  // Resets the group, then reads the binary group file; a nonzero key orders the records.
  int Load(const char* path, int32_t key);
  // The binary group at the file's current position; afterwards the position is just past the
  // records, so groups can follow each other in one file.
  int WriteBinary(FileHandle file);
  int ReadBinary(FileHandle file, int32_t key);
  int WriteText(FileHandle file) const;

  // Links of a pack's index of groups.
  NowGate* parent = nullptr;
  NowGate* left = nullptr;
  NowGate* right = nullptr;
  NowGate* prev = nullptr;
  NowGate* next = nullptr;

 private:
  static constexpr int32_t kDefaultKey = 11;

  void ResetHeader();
  // A zero record in the arena with the code (cut to 15 characters) and a copy of the name's first
  // nameLength bytes (none when null; an empty name is reported); null on failure.
  NowInfo* NewRecord(const char* code, const char* name, size_t nameLength);
  // Runs the record's destructor; its slot serves the next new record. The name stays in the arena.
  void DestroyRecord(NowInfo* record);
  // A record of a server row, not yet linked; null (reported) on failure.
  NowInfo* StoreRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes);
  // Links a record from NewRecord into the index; on failure it is destroyed.
  int Link(NowInfo* record);
  void NoteQuoteTime(const NowInfo& record);
  void DestroyRecords();
  int CopyRecordsFrom(const NowGate& source);
  int AverageOfMoving(int sign, size_t countSlot, float* average) const;
  void EncodeHeader(uint8_t* out) const;
  int ReadRecords(FileHandle file, int32_t begin, int32_t fileEnd, int32_t records);
  // A stored record, not yet linked: its name is the stored bytes up to the first NUL.
  // REQUIRES: `fixed` holds nowrecord::kFixedSize bytes.
  NowInfo* NewStoredRecord(const uint8_t* fixed, const char* name, size_t storedLength);
  // Links new records in the order inserting them one after another would give, with one stable
  // sort and one pass instead of a walk down the tree for each, and balances the tree. When they
  // cannot be linked they are all destroyed. 1/0.
  int LinkAll(std::vector<NowInfo*>& records);

  char name_[nowfile::kNameSize] = {};
  int32_t codeAttrFlag_ = 0;
  int32_t key_ = kDefaultKey;
  int32_t reservedA_ = 0;
  int32_t reservedB_ = 0;
  int32_t latestTime_ = -1;
  int32_t volumeThreshold_ = 0;
  int32_t risingDays_ = 0;
  int32_t recordsBegin_ = -1;
  int32_t recordsEnd_ = -1;
  PatternCounts counts_ = {};
  PatternCounts selection_ = {};
  OrderedIndex<NowInfo> index_;
  Arena arena_;
  std::vector<void*> freeSlots_;  // slots of removed records
  // Records holding an own block. Such a block comes in only through Insert; a caller must not
  // attach one to a record the group already holds.
  int32_t ownBlocks_ = 0;
};

// Rows taken together into a group: each is stored at once and all are linked when the batch
// closes, with one sort and one pass over the list instead of a walk down the tree for each. The
// group then holds them in the order adding them one by one would give, with a balanced tree;
// until then it does not show them. The group must outlive the batch.
class NowGateBatch {
 public:
  explicit NowGateBatch(NowGate& group) : group_(group) {}
  ~NowGateBatch() { Close(); }
  NowGateBatch(const NowGateBatch&) = delete;
  NowGateBatch& operator=(const NowGateBatch&) = delete;

  // As the group's AddRow; 0 (reported) when the row could not be stored.
  int AddRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes);
  // Links the rows taken so far; 0 (reported) when they could not be linked, and then they are gone.
  int Close();

 private:
  NowGate& group_;
  std::vector<NowInfo*> rows_;
};

}  // namespace ostrada
