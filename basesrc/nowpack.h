#pragma once
// A pack of snapshot groups for the pattern classifier: the groups in an order of the pack's choice,
// the pack's own group header with its parameters, the pattern totals of the last counting pass,
// the caller's selection table and an optional merged group holding every stock once. Packs are
// saved in one binary file and written as interest-group text files.
#include <cstdint>
#include <memory>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/orderedindex.h"
#include "basesrc/nowgate.h"
#include "basesrc/nowpack_rules.h"
#include "basesrc/patterncounts.h"
#include "basesrc/predata.h"

namespace ostrada {

// The pack file: a magic, the number of groups, the pack's header, totals and selection table,
// then the groups one after another in the group file layout.
namespace packfile {
constexpr uint32_t kMagic = 0xF2919208;
constexpr size_t kMagicOffset = 0;
constexpr size_t kGroupCountOffset = 4;
constexpr size_t kHeaderOffset = 8;
constexpr size_t kTotalsOffset = 180;
constexpr size_t kSelectionOffset = 448;
constexpr size_t kGroupsOffset = 716;
static_assert(kHeaderOffset + nowfile::kHeaderSize == kTotalsOffset);
static_assert(kTotalsOffset + PatternCounts::kSize == kSelectionOffset);
static_assert(kSelectionOffset + PatternCounts::kSize == kGroupsOffset);
}  // namespace packfile

// The order the report lists its patterns in.
inline constexpr int32_t kReportOrder[] = {2003, 2004, 2009, 2005, 2083, 2014, 2015, 2001, 2022, 2023,
                                           2063, 2002, 2081, 2084, 2082, 2074, 2032, 2007, 2008, 2012,
                                           2016, 2031, 2033, 2034, 2071, 2072, 2073, 2061, 2062, 2021};
// The selection slot that asks for the highest-rate group.
inline constexpr size_t kHighestRateSlot = 264;

class NowPack {
 public:
  NowPack() = default;
  ~NowPack() { Clear(); }
  NowPack(const NowPack&) = delete;
  NowPack& operator=(const NowPack&) = delete;

  // Destroys every group and the merged group; name, header, totals and selection start over.
  void Clear();
  // A copy of every group (and the merged group), name, header, totals and selection table.
  int CopyFrom(const NowPack& source);

  const char* Name() const { return name_; }
  void SetName(const char* name);
  int32_t GroupCount() const { return groups_.Count(); }
  NowGate* First() const { return groups_.First(); }
  NowGate* Last() const { return groups_.Last(); }
  const NowGroupHeader& Header() const { return header_; }
  // 2 name, 921 average rise, 991 arrival, 992 rising count, 993 stocks up 5 %.
  static bool IsPackKey(int32_t key);
  // One of the pack keys; any other key is reported and the key stays.
  int SetKey(int32_t key);
  void SetParams(const PatternParams& params);
  PatternParams Params() const;
  const PatternCounts& Totals() const { return totals_; }
  const PatternCounts& Selection() const { return selection_; }
  void SetSelection(const PatternCounts& table) { selection_ = table; }
  const NowGate* Merged() const { return merged_.get(); }

  // Takes the group; on failure it is destroyed. Needs one of the pack's keys.
  int Insert(std::unique_ptr<NowGate> group);
  // Unlinks and destroys the group.
  int Remove(NowGate* group);
  // The first group named `name` (n <= 0) or "name-n" (n > 0), or null.
  NowGate* FindByName(const char* name, int n) const;
  // The group at a 0-based position; outside the groups, null (reported).
  NowGate* GetAt(int32_t position) const;
  // Takes every group out and inserts it again under the key (992 or 921); 0 without groups.
  int Resort(int32_t key);

  // The counting pass: each group's counters with the pre-data list (may be null), then the pack
  // totals over all groups. 0 without groups or when a group fails (reported).
  int CountPatterns(const PreDataList* list);
  // Whether the stock shows the pattern of the code; with a table, only when its counter is positive.
  int IsMember(int32_t code, NowInfo& stock, const PatternCounts* table, const PreDataList* list) const;
  // The report text of the code and its counter in the table (the pack's totals); null and 0 when
  // the counter is not positive.
  static const char* PatternText(int32_t code, const PatternCounts& table, int32_t* count);
  const char* PatternText(int32_t code, int32_t* count) const { return PatternText(code, totals_, count); }

  // One group named `name` holding an entry of every stock of the book, in arrival order.
  int BuildFromCodes(const CodeInfoList& book, const char* name);
  // Every entry takes the master's current snapshot of its code; the pack takes the master's
  // reserved values and latest quote time.
  int FillFrom(const NowGate& master);
  // The merged group: a copy of the master's snapshot of every entry of every group, each stock once.
  int Merge(const NowGate& master);
  // A code book of every entry of every group; null on failure.
  std::unique_ptr<CodeInfoList> ExportCodeList() const;
  // Removes every entry whose volume is below the minimum (> 0), then every group left empty.
  int PruneByVolume(int32_t minimum);

  // The pack file.
  int Save(const char* path);
  int Load(const char* path);
  // The interest-group text file: every group with stocks, or with patternsOnly 1 only the groups
  // named after the thirteen patterns traders follow most.
  int WriteInterestFile(const char* path, int patternsOnly) const;

 private:
  int CountGroup(NowGate& group, const PreDataList* list) const;
  int LoadFrom(FileHandle file, int32_t fileSize);
  void NoteLatestTime(const NowGate& group);

  char name_[64] = {};
  NowGroupHeader header_;
  PatternCounts totals_ = {};
  PatternCounts selection_ = {};
  OrderedIndex<NowGate> groups_;
  std::unique_ptr<NowGate> merged_;
};

}  // namespace ostrada
