#pragma once
// A bar series: the bars of one stock and one bar kind ('D' daily, 'W' weekly, 'M' monthly, 'B'
// N-minute) in time order, with the first, last, highest and lowest points, its binary file and its
// tab-separated text. Daily, weekly and monthly bars are ordered by date; N-minute bars by (date,
// end time), the date being the bar's change word.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/dayinfo.h"
#include "basesrc/foundation/files.h"

namespace ostrada {

// Stored layout of the series header, followed by the bars from the newest to the oldest (44 bytes
// each, plus a 4-byte float strength when the strength flag is 1).
namespace dayseries {
inline constexpr uint32_t kMagic = 0xF2190725;
inline constexpr size_t kCodeOffset = 68;  // 16 bytes
inline constexpr size_t kNameOffset = 84;  // 64 bytes
inline constexpr size_t kNameSize = 64;
inline constexpr size_t kCountOffset = 148;
inline constexpr size_t kFirstPairOffset = 152;  // (key, close) of the oldest bar
inline constexpr size_t kLastPairOffset = 160;   // (key, close) of the newest bar
inline constexpr size_t kHighPairOffset = 168;   // (key, high) of the highest high met
inline constexpr size_t kLowPairOffset = 176;    // (key, low) of the lowest low met
inline constexpr size_t kFirstBarOffset = 184;   // -1 until saved
inline constexpr size_t kEndOffset = 188;        // just past the last bar; -1 until saved
inline constexpr size_t kIntervalOffset = 192;   // minutes per bar in 'B' series
inline constexpr size_t kKindOffset = 196;       // the kind character in the low byte
inline constexpr size_t kStrengthFlagOffset = 200;
inline constexpr size_t kBuyContractsOffset = 204;
inline constexpr size_t kSellContractsOffset = 208;
inline constexpr size_t kReservedOffset = 212;
inline constexpr size_t kHeaderSize = 448;
inline constexpr size_t kStrengthSize = 4;
static_assert(kNameOffset + kNameSize == kCountOffset);
static_assert(kReservedOffset + 236 == kHeaderSize);
}  // namespace dayseries

// A (key, value) point of the series header.
struct KeyValue {
  int32_t key = 0;
  int32_t value = 0;
  friend bool operator==(const KeyValue&, const KeyValue&) = default;
};

class DaySeries {
 public:
  DaySeries() { Reset(); }
  ~DaySeries() { FreeBars(); }
  DaySeries(const DaySeries&) = delete;
  DaySeries& operator=(const DaySeries&) = delete;

  // Clear(0), then the code and name (both non-empty). 1 or 0 (reported).
  int Create(const char* code, const char* name);
  // Frees every bar and starts an empty header; keepNames = 1 keeps code and name.
  void Clear(int keepNames);
  int SetCodeName(const char* code, const char* name);

  char Kind() const { return kind_; }
  void SetKind(char kind) { kind_ = kind; }
  int32_t Interval() const { return interval_; }
  // Kept only by 'B' series; any other kind keeps 0.
  void SetInterval(int32_t minutes) { interval_ = kind_ == 'B' ? minutes : 0; }
  // The interval of a 'B' series, 0 for other kinds.
  int32_t MinuteInterval() const { return kind_ == 'B' ? interval_ : 0; }
  int32_t StrengthFlag() const { return strengthFlag_; }
  void SetStrengthFlag(int32_t flag) { strengthFlag_ = flag; }
  int32_t BuyContracts() const { return buyContracts_; }
  int32_t SellContracts() const { return sellContracts_; }
  void SetContractCounts(int32_t buys, int32_t sells) {
    buyContracts_ = buys;
    sellContracts_ = sells;
  }
  void CountContract(bool buyer) { ++(buyer ? buyContracts_ : sellContracts_); }

  int32_t Count() const { return count_; }
  DayBar* Oldest() const { return oldest_; }
  DayBar* Newest() const { return newest_; }
  const char* Code() const { return code_; }
  const char* Name() const { return name_; }
  KeyValue FirstPair() const { return firstPair_; }
  KeyValue LastPair() const { return lastPair_; }
  KeyValue HighPair() const { return highPair_; }
  KeyValue LowPair() const { return lowPair_; }
  int32_t FirstBarOffset() const { return firstBarOffset_; }
  int32_t EndOffset() const { return endOffset_; }

  // Adds a copy of the 44 stored bytes at its end of the series. A bar inside or on the range is
  // refused: with `duplicate` given it is set to 1 and the result is 1, else 0 (reported).
  int Add(const DayBar& bar, int* duplicate = nullptr);
  int AddWithStrength(const DayBar& bar, float strength);
  // A 'B' series of this interval: a new bar of the contract, dated, added. 1 or 0 (reported).
  int AddContractBar(const ContractRecord& contract, int32_t date, int32_t interval);
  // Unlinks and frees the bar; recompute = 1 widens high and low over the bars left.
  int Remove(DayBar* bar, int recompute);

  // First bar with the key, walking from the oldest; null outside the first and last keys (any key of
  // a 'B' series is looked for, its times restarting every day).
  DayBar* Find(int32_t key) const;
  // 0-based from the oldest; null beyond the end.
  DayBar* At(int32_t position) const;
  // 1-based, -1 when the bar is not here.
  int32_t Position(const DayBar* bar) const;
  // Widens the given pairs over the bars from the first key's bar to the second's.
  int HighLowBetween(int32_t fromKey, int32_t toKey, KeyValue* high, KeyValue* low) const;
  // Moves every bar of the other series into this one, at the end it continues (minute bars by date
  // and time).
  int Merge(DaySeries& other);
  // First and last pairs from the ends; high and low taken again over the bars there are.
  void RefreshPoints();

  // ---- Files ----
  // Header, bars newest first, header again with the offsets; from the current position.
  int Save(FileHandle file);
  int Save(const char* path);
  // Clears, then reads a series written by Save (at most `limit` bars when limit > 0). Bars added
  // before a failure stay.
  int Load(FileHandle file, int32_t limit);
  int Load(const char* path, int32_t limit);
  // One line a bar, oldest first; hundredths = 1 shows prices divided by 100.
  int ExportText(FileHandle file, int hundredths) const;
  int ExportText(const char* path, int hundredths) const;

 private:
  void Reset();
  void FreeBars();
  // -1, 0 or 1 as a lies before, with or after b in the series' order.
  int Compare(const DayBar& a, const DayBar& b) const;
  // Where a new bar goes: -1 before the oldest, 1 after the newest, 0 refused.
  int PlaceOf(const DayBar& bar) const;
  // Links a new copy of the stored bytes at the given end; null when memory is short.
  DayBar* LinkCopy(const DayBar& source, int place);
  // Links the series' own bar at the given end and takes it into the points.
  void Link(DayBar* bar, int place);
  // A zeroed bar from the series' blocks: a removed one, else the next free slot, else one of a new
  // block. Null (reported) when memory is short.
  DayBar* NewBar();
  // A new zeroed block of the bars, kept until the series is cleared.
  DayBar* NewBlock(int32_t bars);
  void FreeBar(DayBar* bar);
  void Widen(const DayBar& bar);
  void EncodeHeader(uint8_t* out) const;
  int DecodeHeader(const uint8_t* in);

  char code_[kCodeSize];
  char name_[dayseries::kNameSize];
  int32_t count_;
  KeyValue firstPair_;
  KeyValue lastPair_;
  KeyValue highPair_;
  KeyValue lowPair_;
  int32_t firstBarOffset_;
  int32_t endOffset_;
  int32_t interval_;
  char kind_;
  int32_t strengthFlag_;
  int32_t buyContracts_;
  int32_t sellContracts_;
  DayBar* oldest_;
  DayBar* newest_;
  // The bars live in blocks, so a whole file of bars costs one allocation; a removed bar waits on
  // the free list (linked through `newer`) for the next one.
  std::vector<std::unique_ptr<void, FreeMemDeleter>> blocks_;
  DayBar* spare_ = nullptr;
  int32_t spareLeft_ = 0;
  DayBar* free_ = nullptr;
};

}  // namespace ostrada
