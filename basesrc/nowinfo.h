#pragma once
// The snapshot record of one stock at one moment: its code key, its current-price block, the values
// a rising-rate scan derives, and the links by which a snapshot group keeps it in order. Records
// are created here or by the group that holds them, which owns them.
#include <cstdint>
#include <memory>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/nowfxin.h"

namespace ostrada {

struct NowInfo {
  CodeKey key;  // code (at most 15 characters) and the owned name
  NowPrice price;
  // A moving-average block of the stock's own, owned by the record. Nothing in this application
  // attaches one; a record that has one cannot be copied. A group takes one only through its Insert.
  std::unique_ptr<void, FreeMemDeleter> ownAverage;
  // Difference to an earlier check, set by the rising-rate scan: minutes and volume.
  int32_t minutesDiff;
  int32_t volumeDiff;
  // Likewise: rate and field-12 value.
  float rateDiff;
  int32_t value12Diff;
  NowInfo* parent;
  NowInfo* left;
  NowInfo* right;
  NowInfo* prev;
  NowInfo* next;
};

// The file image of a record's fixed part: the 16-byte code, 4 bytes where the name pointer stood
// (meaningless on reading), and the price block.
namespace nowrecord {
constexpr size_t kCodeOffset = 0;
constexpr size_t kNamePointerOffset = 16;
constexpr size_t kPriceOffset = 20;
constexpr size_t kFixedSize = 168;
static_assert(kPriceOffset + nowprice::kSize == kFixedSize);
}  // namespace nowrecord

using NowInfoPtr = std::unique_ptr<NowInfo>;

// A zero record with an empty key, a reset price block and no links; null when memory is short.
NowInfoPtr NowInfoCreate();
// A record of one server row: the code (cut to 15 characters), a copy of the name and of the block,
// then rate, VR and the second volume ratio derived; with attributes, they are copied into the block
// and a market-'1' stock's field 12 is multiplied by 10. Null (reported) on failure.
NowInfoPtr NowInfoStoreRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes);
// The price part of a stored row: the block with rate and both volume ratios derived, and the
// attributes as above. The record's key is left as it is. The block may be the record's own.
void NowInfoTakeRow(NowInfo* record, const NowPrice& block, const CodeAttr* attributes);
// A record of a code-book entry: code, name and attributes; the prices stay zero.
NowInfoPtr NowInfoFromCodeInfo(const CodeInfo* entry);
// Same code, name, price block and difference values; links clear.
NowInfoPtr NowInfoCopy(const NowInfo* source);
// The price block and difference values of a copy; key, own block and links stay.
void NowInfoCopyValues(const NowInfo& source, NowInfo* destination);
void NowInfoClearLinks(NowInfo* record);

// The 168-byte fixed part in the file. REQUIRES: out / in hold nowrecord::kFixedSize bytes.
void EncodeNowInfoFixed(const NowInfo& record, uint8_t* out);
// The code (bounded to 15 characters) and the price block of a stored fixed part.
void DecodeNowInfoFixed(const uint8_t* in, char* code, NowPrice* block);

// Record ordering keys.
enum NowKey : int32_t {
  kNowKeyCode = 1,
  kNowKeyName = 2,
  kNowKeyRateDown = 11,
  kNowKeyRateUp = 12,
  kNowKeyVolumeDown = 901,
  kNowKeyVolumeRatioDown = 902,
  kNowKeyVolumeRatio2Down = 903,
  kNowKeyValue12Down = 911,
  kNowKeyPriceDown = 931,
  kNowKeyPriceUp = 932,
  kNowKeyStrengthDown = 935,
  kNowKeyStrengthUp = 936,
  kNowKeyOpeningRefDown = 938,
  kNowKeyArrival = 991,
};

// 1 when the comparison knows the key; an unknown key is reported and gives 0.
int NowCompareKeyKnown(int32_t key);
// Where a new record N goes against an existing one E: negative before E, otherwise after. Equal
// keys fall back to ascending code. REQUIRES: NowCompareKeyKnown(key).
int NowInfoCompare(const NowInfo& existing, const NowInfo& incoming, int32_t key);

}  // namespace ostrada
