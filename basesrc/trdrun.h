#pragma once
// The account's holdings as the trading gateway downloads them: one TrdRunInfo per stock held, in the
// server's order, under a header in the info-file style. The order form owns the current list, shows
// it, and joins its codes to ask the current prices of every holding at once.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/priceinfo.h"
#include "basesrc/trdlist.h"

namespace ostrada {

constexpr size_t kTrdNameSize = 32;
constexpr size_t kTrdCodeSize = 16;
constexpr size_t kTrdSummaryTextSize = 32;

// One holding. The number in brackets is the server's data type of the holdings object.
struct TrdRunInfo {
  char name[kTrdNameSize];  // [0]
  char code[kTrdCodeSize];  // [12]
  HeapText d1;              // [1], required
  HeapText d2;              // [2], none when empty
  int32_t d3, d4, d5, d6;   // [3..6]
  int32_t quantity;         // [7] held quantity
  double purchasePrice;     // [17]
  int32_t d9, d10;          // [9], [10]
  double d11;               // [11]
  HeapText d13;             // [13], required
  double costPerShare;      // [18], for the profit and loss
  int32_t d15;              // [15]
  HeapText d16;             // [16], none when empty
  PriceBar current;         // the current price, filled by the order form's price refresh
  TrdRunInfo* prev;
  TrdRunInfo* next;
};

// The list header as it stands in memory: the info-file prefix with the list's own magic, then the
// summary of the last reply. The first two offsets are -1: the list is never written to a file.
struct TrdRunHeader {
  char checkText[kInfoCheckTextSize];
  uint32_t magic;
  char account[kTrdAccountSize];
  int32_t count;
  char summaryText[kTrdSummaryTextSize];  // holdings header 0
  int32_t summary[6];                     // holdings headers 1, 2, 3, 4, 8, 6, in that order
  int32_t firstRecordOffset;
  int32_t endOffset;
  int32_t userValue;
  uint8_t reserved[kTrdReservedSize];
  TrdRunInfo* first;
  TrdRunInfo* last;
};
namespace trdrun {
constexpr uint32_t kMagic = 0xF2599905;
constexpr size_t kMagicOffset = 64;
constexpr size_t kAccountOffset = 68;
constexpr size_t kCountOffset = 132;
constexpr size_t kSummaryTextOffset = 136;
constexpr size_t kSummaryOffset = 168;
constexpr size_t kFirstRecordOffset = 192;
constexpr size_t kEndOffset = 196;
constexpr size_t kUserValueOffset = 200;
constexpr size_t kReservedOffset = 204;
constexpr size_t kLinksOffset = 464;  // after the reserved bytes, aligned for the pointers
}  // namespace trdrun
static_assert(offsetof(TrdRunHeader, checkText) == 0 && offsetof(TrdRunHeader, magic) == trdrun::kMagicOffset);
static_assert(offsetof(TrdRunHeader, account) == trdrun::kAccountOffset);
static_assert(offsetof(TrdRunHeader, count) == trdrun::kCountOffset);
static_assert(offsetof(TrdRunHeader, summaryText) == trdrun::kSummaryTextOffset);
static_assert(offsetof(TrdRunHeader, summary) == trdrun::kSummaryOffset);
static_assert(offsetof(TrdRunHeader, firstRecordOffset) == trdrun::kFirstRecordOffset);
static_assert(offsetof(TrdRunHeader, endOffset) == trdrun::kEndOffset);
static_assert(offsetof(TrdRunHeader, userValue) == trdrun::kUserValueOffset);
static_assert(offsetof(TrdRunHeader, reserved) == trdrun::kReservedOffset);
static_assert(trdrun::kReservedOffset + kTrdReservedSize == 460);
static_assert(offsetof(TrdRunHeader, first) == trdrun::kLinksOffset);

// What a sell is expected to pay, in parts per million of its value, each rounded down to the won as
// the account charges it: the commission and the transaction tax.
struct SellCosts {
  int64_t commissionPpm = 150;
  int64_t taxPpm = 2000;
  int64_t Of(int64_t value) const { return value * commissionPpm / 1'000'000 + value * taxPpm / 1'000'000; }
};

// The profit of a holding as selling it at its current price would realise it: quantity x current
// close, less the estimated sell commission and tax, less what the shares cost (quantity x cost per
// share, the buy commission in it, to the nearest won: the cost per share is the server's whole
// cost divided). Wide, so that a large holding cannot overflow it. Nothing while the current price
// is unknown (not fetched, or the fetch failed): a price of 0 would show a loss of the whole cost.
std::optional<int64_t> HoldingProfit(const TrdRunInfo& record, const SellCosts& costs = {});

using TrdRunInfoPtr = std::unique_ptr<TrdRunInfo>;

class TrdRunList : public TrdLinkedList<TrdRunHeader, TrdRunInfo> {
 public:
  // An empty list; a non-null account is copied in (an empty one is reported).
  explicit TrdRunList(const char* account = nullptr);

  // Frees every record and re-initialises the header; with keepAccount 1 the account survives.
  void Clear(int keepAccount);

  // The first holding of the code or of the name, in list order; null when none.
  TrdRunInfo* FindByCode(const char* code) const;
  TrdRunInfo* FindByName(const char* name) const;

  // Up to n (1..110) codes from the 0-based start, joined by ','; count gets their number. Null
  // (reported) for a bad range, a list that ends before the start or an empty code.
  HeapText JoinCodes(int32_t start, int32_t n, int32_t* count) const;

  // The summary of a holdings reply: header 0 (bounded to 32 bytes) and headers 1, 2, 3, 4, 8, 6.
  void SetSummary(const std::string& text, const int32_t (&values)[6]);

 private:
  static constexpr char kModule[] = "basesrc/trdrun";
  void InitHeader();
};

}  // namespace ostrada
