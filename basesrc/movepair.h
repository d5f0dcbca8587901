#pragma once
// The moving-average list of one series: per bar, the 5-, 20-, 60-, 120-, 240- and 480-bar lines of
// the close (as averages, or as the sums of the previous bars that a live price completes), in key
// order, with the search for the crossing of the 5- and 20-bar lines and the turning points of the
// 5-bar line.
#include <cstddef>
#include <cstdint>

#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/memory.h"

namespace ostrada {

// Stored layout: the 360-byte header, a 32-bit name length, the name without NUL, then the entries
// from the oldest to the newest, 32 bytes each.
namespace movefile {
inline constexpr uint32_t kMagic = 0xF2897037;
inline constexpr size_t kCodeOffset = 68;         // 16 bytes
inline constexpr size_t kNamePointerOffset = 84;  // 0 in the file
inline constexpr size_t kSumsFlagOffset = 88;
inline constexpr size_t kCountOffset = 92;
inline constexpr size_t kFirstEntryOffset = 96;  // -1 until saved
inline constexpr size_t kEndOffset = 100;        // just past the last entry; -1 until saved
inline constexpr size_t kKindOffset = 104;       // the kind character in the low byte
inline constexpr size_t kReservedOffset = 108;
inline constexpr size_t kHeaderSize = 360;
inline constexpr size_t kNameLengthSize = 4;
inline constexpr size_t kEntrySize = 32;
static_assert(kReservedOffset + 252 == kHeaderSize);
}  // namespace movefile

inline constexpr int kAverageLines = 6;
inline constexpr int32_t kAverageLengths[kAverageLines] = {5, 20, 60, 120, 240, 480};

struct MovingAverageEntry {
  int32_t key;                   // the bar's date; its end time in 'B' lists
  int32_t date;                  // the bar's date in 'B' lists, else 0
  int32_t lines[kAverageLines];  // 0: fewer bars than the line's length
  MovingAverageEntry* older;
  MovingAverageEntry* newer;

  int32_t Line5() const { return lines[0]; }
  int32_t Line20() const { return lines[1]; }
};

void EncodeAverageEntry(const MovingAverageEntry& entry, uint8_t* out);
void DecodeAverageEntry(const uint8_t* in, MovingAverageEntry* entry);

// A sums entry completed by a live price: each nonzero line v becomes (v + price) / length, rounded
// half up. 0 (reported) for a missing entry.
int CompleteAverageEntry(MovingAverageEntry* entry, int32_t price);

class MovingAverageList {
 public:
  MovingAverageList() { Reset(); }
  ~MovingAverageList() { Release(); }
  MovingAverageList(const MovingAverageList&) = delete;
  MovingAverageList& operator=(const MovingAverageList&) = delete;

  // Frees every entry, forgets code and name, starts an empty header.
  void Release();
  int SetCodeName(const char* code, const char* name);

  // Releases, takes code, name and kind of the series, and makes one entry per bar from `last`
  // back to `first` (the whole series when both are null). sums = 1 keeps the sums of the 4, 19,
  // 59, 119, 239 and 479 bars from each bar; 0 the averages of 5 to 480 bars. Linear in the bars.
  int Build(const DaySeries& series, int sums, const DayBar* first = nullptr, const DayBar* last = nullptr);

  // A copy goes in at its end of the key order; anything else is refused (reported).
  int Append(const MovingAverageEntry& entry);
  int Remove(MovingAverageEntry* entry);
  // 0-based from the oldest; null beyond the end.
  MovingAverageEntry* At(int32_t position) const;
  // 1-based, -1 when absent.
  int32_t Position(const MovingAverageEntry* entry) const;
  // Null when the key lies outside the first and last keys or no entry has it.
  MovingAverageEntry* Find(int32_t key) const;

  // The crossing of the 5- and 20-bar lines, walking from `from` towards older entries (direction
  // 1) or newer ones, up to `to` (the end when null).
  const MovingAverageEntry* FindCrossing(const MovingAverageEntry* from, const MovingAverageEntry* to,
                                         int direction) const;
  // The last entry reached from s (towards older entries for direction 1) while the 5-bar line
  // keeps rising (kind 1) or falling (kind 0); null when the walk does not leave s.
  static const MovingAverageEntry* TurningPoint(const MovingAverageEntry* s, int direction, int kind);
  static const MovingAverageEntry* PeakThenTrough(const MovingAverageEntry* s, int direction);

  const char* Code() const { return code_; }
  const char* Name() const { return name_.get(); }
  int32_t SumsFlag() const { return sumsFlag_; }
  int32_t Count() const { return count_; }
  char Kind() const { return kind_; }
  MovingAverageEntry* Oldest() const { return oldest_; }
  MovingAverageEntry* Newest() const { return newest_; }
  int32_t FirstEntryOffset() const { return firstEntryOffset_; }
  int32_t EndOffset() const { return endOffset_; }

  int Save(FileHandle file);
  int Save(const char* path);
  // Releases, then reads a list written by Save; entries read before a failure stay.
  int Load(FileHandle file);
  int Load(const char* path);

 private:
  void Reset();
  // -1 before the oldest entry, 1 after the newest, 0 refused.
  int PlaceOf(const MovingAverageEntry& entry) const;
  void EncodeHeader(uint8_t* out) const;

  char code_[kCodeSize];
  HeapText name_;
  int32_t sumsFlag_;
  int32_t count_;
  int32_t firstEntryOffset_;
  int32_t endOffset_;
  char kind_;
  MovingAverageEntry* oldest_;
  MovingAverageEntry* newest_;
};

}  // namespace ostrada
