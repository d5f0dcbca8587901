#pragma once
// The code book: every listed stock (code, name, attributes) in an OrderedIndex ordered by code or
// by name, with counters per market and per attribute class. The book can be saved to and loaded
// from its info file and exported as a text list.
#include <cstddef>
#include <cstdint>

#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/orderedindex.h"

namespace ostrada {

// A stock code is at most 15 characters, NUL-terminated in a 16-byte field.
constexpr size_t kCodeSize = 16;

// 1 when the last character of the code is '5', '6' or '7'; a missing or empty code is reported.
int IsPreferredShare(const char* code);

// The key of a stock; also the first member of the per-stock records of other families.
struct CodeKey {
  char code[kCodeSize];
  HeapText name;  // CP949; null when not set
};

// All return 1 on success, 0 (reported) for a missing argument or a failed copy.
// The key owns its name, so clearing it cannot forget the name without freeing it: Clear and
// Release leave the same empty key.
int CodeKeyClear(CodeKey* key);
int CodeKeyRelease(CodeKey* key);
int CodeKeyCopy(const CodeKey* source, CodeKey* destination);
int CodeKeySet(CodeKey* key, const char* code, const char* name);

// The attributes the code manager reports for a stock. The same 32 bytes, encoded field by field,
// form the attribute block of a code-book record.
struct CodeAttr {
  char code2[kCodeSize];  // the second code
  int32_t number1;
  char market;  // '1' to '4'
  char class1;  // '0' to '4'
  char class2;  // '0' to '3'
  uint8_t flagByte;
  int32_t number2;
  char class3;  // any
  char class4;  // '0', '1'
  char class5;  // '0', '1', '2'
  uint8_t reserved;
};
static_assert(sizeof(CodeAttr) == 32);
static_assert(offsetof(CodeAttr, number1) == 16 && offsetof(CodeAttr, market) == 20);
static_assert(offsetof(CodeAttr, class1) == 21 && offsetof(CodeAttr, class2) == 22);
static_assert(offsetof(CodeAttr, flagByte) == 23 && offsetof(CodeAttr, number2) == 24);
static_assert(offsetof(CodeAttr, class3) == 28 && offsetof(CodeAttr, class4) == 29);
static_assert(offsetof(CodeAttr, class5) == 30 && offsetof(CodeAttr, reserved) == 31);

constexpr size_t kCodeAttrSize = 32;

// Every byte 0 except the six class characters, which are '0'. 0 (reported) for a missing block.
int CodeAttrInit(CodeAttr* attributes);
// 1 when market and classes hold values the book accepts; the first bad field is reported.
int CodeAttrAccepted(const CodeAttr& attributes);
// The 32 bytes of the attribute block, little-endian, at the offsets above.
void EncodeCodeAttr(const CodeAttr& attributes, uint8_t* out);
void DecodeCodeAttr(const uint8_t* in, CodeAttr* attributes);

// One stock in the book. The book owns it (and through the key, its name).
struct CodeInfo {
  CodeKey key;
  CodeAttr attr;
  CodeInfo* parent;
  CodeInfo* left;
  CodeInfo* right;
  CodeInfo* prev;
  CodeInfo* next;
};

// The counters of the header, one per market group and per counted class value.
struct CodeCounters {
  int32_t market1 = 0;
  int32_t market2 = 0;
  int32_t market34 = 0;
  int32_t class1 = 0;  // class1 '1' to '4'
  int32_t class4 = 0;  // class4 '1'
  int32_t class5 = 0;  // class5 '1'
  int32_t class2One = 0;
  int32_t class2Two = 0;
  int32_t class2Three = 0;
  friend bool operator==(const CodeCounters&, const CodeCounters&) = default;
};

enum CodeSortKind : int32_t { kSortByCode = 1, kSortByName = 2 };

// Header and file layout of the book's info file. All integers are 32-bit little-endian. The first
// 68 bytes are the prefix every info file shares: the check text and the kind number.
namespace codefile {
constexpr uint32_t kKind = 0xF2190725;
constexpr size_t kKindOffset = kInfoKindOffset;  // 64
constexpr size_t kDescriptionOffset = 68;        // 64-byte description, NUL-terminated
static_assert(kDescriptionOffset == kInfoHeaderPrefixSize);
constexpr size_t kDescriptionSize = 64;
constexpr size_t kSortKindOffset = 132;  // 1 by code, 2 by name
constexpr size_t kMarket3RemovedOffset = 136;
constexpr size_t kMarket1Offset = 140;
constexpr size_t kMarket2Offset = 144;
constexpr size_t kMarket34Offset = 148;
constexpr size_t kClass1Offset = 152;
constexpr size_t kClass4Offset = 156;
constexpr size_t kClass5Offset = 160;
constexpr size_t kClass2OneOffset = 164;
constexpr size_t kClass2TwoOffset = 168;
constexpr size_t kClass2ThreeOffset = 172;
constexpr size_t kCountOffset = 176;
constexpr size_t kFirstRecordOffset = 180;  // -1 until saved
constexpr size_t kEndOffset = 184;          // just past the last record; -1 until saved
constexpr size_t kReservedOffset = 188;     // 256 zero bytes
constexpr size_t kReservedSize = 256;
constexpr size_t kHeaderSize = 444;
static_assert(kReservedOffset + kReservedSize == kHeaderSize);

// One record: the code, 4 unused bytes, the attributes, the name length n >= 1, n name bytes.
constexpr size_t kRecordCodeOffset = 0;
constexpr size_t kRecordUnusedOffset = 16;
constexpr size_t kRecordAttrOffset = 20;
constexpr size_t kRecordNameLengthOffset = 52;
constexpr size_t kRecordFixedSize = 56;  // everything before the name
constexpr size_t kNameBufferSize = 264;  // a loaded name is at most 263 bytes
static_assert(kRecordAttrOffset + kCodeAttrSize == kRecordNameLengthOffset);
}  // namespace codefile

class CodeInfoList {
 public:
  // An empty book; a nonzero kind becomes the sort kind (1 otherwise).
  explicit CodeInfoList(int sortKind = 0);
  // A copy of the source's stocks in its list order, rebuilt, with its description; kind 0 takes
  // the source's. A failed copy is reported and ends the copying: compare Count() with the source's.
  CodeInfoList(const CodeInfoList& source, int sortKind);
  ~CodeInfoList();
  CodeInfoList(const CodeInfoList&) = delete;
  CodeInfoList& operator=(const CodeInfoList&) = delete;

  // Frees every stock and resets the header (the description stays).
  void Clear();

  // k must be 1 or 2; anything else is reported and ignored.
  void SetSortKind(int k);
  int SortKind() const { return sortKind_; }

  // The stock is validated, copied and counted; 0 (reported) leaves the book unchanged.
  int Insert(const char* code, const char* name, const CodeAttr* attributes);
  // Unlinks the stock, takes back its counters and frees it.
  int RemoveAndFree(CodeInfo* stock);
  int Rebuild();

  CodeInfo* FindByCode(const char* code) const;
  CodeInfo* FindByName(const char* name) const;
  // The stock at a 0-based position; Count() gives null quietly, beyond it null with a report.
  CodeInfo* GetAt(int position) const;
  // 1-based position in list order, or -1 (reported) when the stock is not in the book.
  int Position(const CodeInfo* stock) const;
  CodeInfo* First() const { return index_.First(); }

  int Count() const { return index_.Count(); }
  int CountMarket1() const { return counters_.market1; }
  int CountMarket2() const { return counters_.market2; }
  int CountMarket34() const { return counters_.market34; }
  const CodeCounters& Counters() const { return counters_; }
  int Market3Removed() const { return market3Removed_; }
  // File offsets of the first record and just past the last; -1 until the book is saved.
  int32_t FirstRecordOffset() const { return firstRecordOffset_; }
  int32_t EndOffset() const { return endOffset_; }

  const char* Description() const { return description_; }
  int SetDescription(const char* text);

  // Up to n (1..110) consecutive codes from the 0-based start, joined by ','; taken gets their
  // number. Null (reported) when nothing can be taken.
  HeapText JoinCodes(int start, int n, int* taken) const;

  // Keeps the last of each run of equal keys.
  int RemoveDuplicates();
  int RemovePreferred();
  // The number of market-3 stocks removed, or -1.
  int RemoveMarket3();
  int CountPreferred() const;

  int Save(const char* path);
  // A failed load keeps the stocks read up to the failure.
  int Load(const char* path, int sortKind, int dropMarket3);
  int ExportText(const char* path, int codesOnly) const;

  // The 444 header bytes as they stand in the file.
  void EncodeHeader(uint8_t* out) const;

 private:
  int Compare(const CodeInfo& existing, const CodeInfo& incoming) const;
  int SortKeyValid() const;
  void ResetHeader();
  void FreeAll();
  void CountStock(const CodeAttr& attributes, int delta);
  // Removes every stock the predicate picks, then rebuilds; the number removed, or -1.
  template <class Pick>
  int RemoveWhere(Pick pick);
  int LoadRecords(int handle, int32_t records);

  char description_[codefile::kDescriptionSize] = {};
  int32_t sortKind_ = kSortByCode;
  int32_t market3Removed_ = 0;
  CodeCounters counters_;
  int32_t firstRecordOffset_ = -1;
  int32_t endOffset_ = -1;
  OrderedIndex<CodeInfo> index_;
};

}  // namespace ostrada
