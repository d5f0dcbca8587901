#pragma once
// The account's unfilled orders as the trading gateway downloads them: one TrdYetInfo per order, in
// the server's order, under a header in the info-file style. The order form shows them and picks the
// order to modify or cancel from them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/trdlist.h"
#include "basesrc/trdrun.h"

namespace ostrada {

// One unfilled order. The number in brackets is the server's data type of the unfilled-order object.
// Every text copy is none when the server's text was empty.
struct TrdYetInfo {
  HeapText e0;              // [0]; an empty server text ends the download
  int32_t orderNumber;      // [1]
  int32_t e2;               // [2]
  char code[kTrdCodeSize];  // [3]
  char name[kTrdNameSize];  // [4]
  HeapText e5;              // [5]
  int32_t e6;               // [6]
  int32_t price;            // [7] order price
  int32_t e8;               // [8]
  HeapText e9, e10;         // [9], [10]
  int32_t unfilled;         // [11] unfilled quantity
  HeapText side;            // [13]: first character '1' sell, '2' buy
  HeapText e17;             // [17]
  HeapText e18, e19, e21, e22, e23, e24, e25;  // [18], [19], [21] .. [25]
  HeapText e26;                                // [26]
  // [27] shares resting before it at its price; -1 when the server does not say (an auction's order,
  // a server without the field)
  int32_t queueAhead;
  TrdYetInfo* prev;
  TrdYetInfo* next;
};

// The list header in memory: as the holdings header up to the summary text, then the two summary
// text copies (the list owns them) around a null slot and 16 zero bytes.
struct TrdYetHeader {
  char checkText[kInfoCheckTextSize];
  uint32_t magic;
  char account[kTrdAccountSize];
  int32_t count;
  char summaryText[kTrdSummaryTextSize];  // unfilled header 0
  char* summaryCopy1;                     // unfilled header 1; null when empty
  void* nullSlot;
  uint8_t zero[16];
  char* summaryCopy2;  // unfilled header 4; null when empty
  int32_t firstRecordOffset;
  int32_t endOffset;
  int32_t userValue;
  uint8_t reserved[kTrdReservedSize];
  TrdYetInfo* first;
  TrdYetInfo* last;
};
namespace trdyet {
constexpr uint32_t kMagic = 0xF2599907;
constexpr size_t kSummaryCopy1Offset = 168;
constexpr size_t kNullSlotOffset = 176;
constexpr size_t kZeroOffset = 184;
constexpr size_t kSummaryCopy2Offset = 200;
constexpr size_t kFirstRecordOffset = 208;
constexpr size_t kEndOffset = 212;
constexpr size_t kUserValueOffset = 216;
constexpr size_t kReservedOffset = 220;
constexpr size_t kLinksOffset = 480;
}  // namespace trdyet
static_assert(offsetof(TrdYetHeader, magic) == trdrun::kMagicOffset);
static_assert(offsetof(TrdYetHeader, account) == trdrun::kAccountOffset);
static_assert(offsetof(TrdYetHeader, count) == trdrun::kCountOffset);
static_assert(offsetof(TrdYetHeader, summaryText) == trdrun::kSummaryTextOffset);
static_assert(offsetof(TrdYetHeader, summaryCopy1) == trdyet::kSummaryCopy1Offset);
static_assert(offsetof(TrdYetHeader, nullSlot) == trdyet::kNullSlotOffset);
static_assert(offsetof(TrdYetHeader, zero) == trdyet::kZeroOffset);
static_assert(offsetof(TrdYetHeader, summaryCopy2) == trdyet::kSummaryCopy2Offset);
static_assert(offsetof(TrdYetHeader, firstRecordOffset) == trdyet::kFirstRecordOffset);
static_assert(offsetof(TrdYetHeader, endOffset) == trdyet::kEndOffset);
static_assert(offsetof(TrdYetHeader, userValue) == trdyet::kUserValueOffset);
static_assert(offsetof(TrdYetHeader, reserved) == trdyet::kReservedOffset);
static_assert(offsetof(TrdYetHeader, first) == trdyet::kLinksOffset);

using TrdYetInfoPtr = std::unique_ptr<TrdYetInfo>;

class TrdYetList : public TrdLinkedList<TrdYetHeader, TrdYetInfo> {
 public:
  // An empty list; a non-null account is copied in (an empty one is reported).
  explicit TrdYetList(const char* account = nullptr);
  ~TrdYetList();

  // Frees every record and the summary copies and re-initialises the header; with keepAccount 1 the
  // account survives.
  void Clear(int keepAccount);

  // The summary of an unfilled reply: header 0 (bounded to 32 bytes), header 1 and header 4 as
  // owned copies (an empty text leaves its copy none). 0 (reported) when a copy fails; the summary
  // is then left as it was.
  int SetSummary(const std::string& text, const std::string& text1, const std::string& text4);

 private:
  static constexpr char kModule[] = "basesrc/trdyet";
  void FreeSummaryCopies();
  void InitHeader();
};

}  // namespace ostrada
