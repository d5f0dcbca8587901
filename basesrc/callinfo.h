#pragma once
// The quote book of one stock: ten best ask and bid levels with their waiting quantities and the
// change of each quantity since the previous record, plus the totals. One record is 300 bytes in
// memory and in the quote-list info file; CallInfoList keeps records in arrival order and saves them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <list>

#include "basesrc/foundation/files.h"

namespace ostrada {

inline constexpr int kCallLevels = 10;
inline constexpr int kCallCodeSize = 16;

struct CallLevel {
  int32_t sellPrice;
  int32_t buyPrice;
  int32_t sellQuantity;
  int32_t buyQuantity;
  int32_t sellChange;  // sell quantity minus the previous record's at the same price
  int32_t buyChange;
};

struct CallInfo {
  char code[kCallCodeSize];  // NUL-terminated; the record's key
  int32_t quoteTime;         // as the server gives it; stored, never shown
  int32_t totalSell;
  int32_t totalSellChange;
  int32_t totalBuy;
  int32_t totalBuyChange;
  int32_t total3;  // third and fourth server totals: carried and stored, not shown
  int32_t total3Change;
  int32_t total4;
  int32_t total4Change;
  CallLevel levels[kCallLevels];  // level 0 the best
  int32_t fetchTime;              // local HHMMSS of a snapshot fetch; 0 in a record built from an event
  int32_t eventValue2;            // event header value 2; 0 in a snapshot
};

// The record's stored layout: offsets of the fields in its 300 bytes.
inline constexpr size_t kCallInfoSize = 300;
inline constexpr size_t kCallQuoteTimeAt = 16;
inline constexpr size_t kCallTotalsAt = 20;  // 8 values: the four totals, each followed by its change
inline constexpr size_t kCallLevelsAt = 52;
inline constexpr size_t kCallLevelSize = 24;
inline constexpr size_t kCallFetchTimeAt = 292;
inline constexpr size_t kCallEventValue2At = 296;
static_assert(kCallLevelsAt + kCallLevels * kCallLevelSize == kCallFetchTimeAt);
static_assert(kCallEventValue2At + 4 == kCallInfoSize);

// The eight totals in stored order (each total followed by its change) and the six fields of a level
// in stored order, for code that walks them (const or not).
template <class Record>
auto TotalFields(Record& r) {
  return std::array{&r.totalSell, &r.totalSellChange, &r.totalBuy, &r.totalBuyChange,
                    &r.total3,    &r.total3Change,    &r.total4,   &r.total4Change};
}
template <class Level>
auto LevelFields(Level& l) {
  return std::array{&l.sellPrice, &l.buyPrice, &l.sellQuantity, &l.buyQuantity, &l.sellChange, &l.buyChange};
}

void ClearCallInfo(CallInfo& record);
// Copies the code bounded to 15 bytes; a missing code leaves it empty.
void SetCallCode(CallInfo& record, const char* code);
bool SameStock(const CallInfo& a, const CallInfo& b);

// Fills the changes of `fresh` from `previous`: each total's change, and each level's quantity change
// against the same price found at or after the previous match. 0 (reported) for records of two stocks.
int CompareAndMark(CallInfo& fresh, const CallInfo& previous);

void EncodeCallInfo(const CallInfo& record, uint8_t* out);    // REQUIRES: out has kCallInfoSize bytes
void DecodeCallInfo(const uint8_t* bytes, CallInfo& record);  // REQUIRES: bytes has kCallInfoSize bytes

// The quote-list header, stored as the first 288 bytes of its info file.
inline constexpr size_t kCallListHeaderSize = 288;
inline constexpr uint32_t kCallListMagic = 0xF2311100;
inline constexpr size_t kCallListNameSize = 64;

class CallInfoList {
 public:
  CallInfoList();

  // Appends a copy at the tail; returns the stored record.
  CallInfo* Append(const CallInfo& record);
  // Unlinks and frees a record of this list; 0 (reported) when it is not one of ours.
  int Remove(const CallInfo* record);
  // The first record with the code, or null.
  CallInfo* Find(const char* code);
  // The k-th record (0-based), or null at or past the end.
  CallInfo* At(int k);
  int Count() const { return static_cast<int>(records_.size()); }

  // Frees every record and resets the header; ClearRecords keeps the code and name texts.
  void Clear();
  void ClearRecords();

  const char* Code() const { return code_; }
  const char* Name() const { return name_; }
  void SetCode(const char* code);
  void SetName(const char* name);
  // Offsets in the last saved or loaded file; -1 until then.
  int32_t FirstOffset() const { return firstOffset_; }
  int32_t EndOffset() const { return endOffset_; }

  // Writes the header and every record from the file's current position; the file is left just past
  // the last record. 1/0.
  int Save(FileHandle file);
  // Replaces the list with the file's records from its current position: at most `limit` of them
  // when limit > 0, else exactly the stored count. A rejected file leaves the list empty. 1/0.
  int Load(FileHandle file, int limit = 0);
  int SaveFile(const char* path);
  int LoadFile(const char* path, int limit = 0);

 private:
  void EncodeHeader(uint8_t* out) const;
  int ReadRecords(FileHandle file, int32_t stored, int limit);

  char code_[kCallCodeSize];
  char name_[kCallListNameSize];
  int32_t firstOffset_ = -1;
  int32_t endOffset_ = -1;
  std::list<CallInfo> records_;
};

}  // namespace ostrada
