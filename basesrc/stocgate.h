#pragma once
// StocGate: the gateway through which the system reaches the server. Each window and data-layer
// object embeds its own. Its operations live in one module per family (stocgate_code.cpp,
// stocgate_now.cpp, ...); each family declares its members in its own section below.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "broker/interfaces.h"

namespace ostrada {

class CodeInfoList;
struct CodeInfo;
class NowGate;
struct NowPrice;
struct CallInfo;

class StocGate {
 public:
  StocGate() = default;
  StocGate(const StocGate&) = delete;
  StocGate& operator=(const StocGate&) = delete;

  // ---- Code list and market times (stocgate_code.cpp) ----
  // A new, complete book owned by the caller, or null (reported) when the download failed.
  std::unique_ptr<CodeInfoList> DownloadCodes(int sortKind, int dropMarket3);
  int FillCodes(CodeInfoList* book, int sortKind, int dropMarket3);
  // HHMM of the first (which = 1) or second market time; 0 after showing a COM error.
  int MarketTime(int which);

  // ---- Current prices (stocgate_now.cpp) ----
  // The current state of one stock into the caller's block; 1/0 (the block is untouched on failure).
  int FetchNowPrice(NowPrice* block, const char* code);
  // One request for the comma-separated codes (at most 110) into a new group; null on failure.
  std::unique_ptr<NowGate> DownloadNowCodes(const char* codes, int32_t key);
  // Every stock of the book, 110 a request, into a new group; null (the group destroyed) on failure.
  std::unique_ptr<NowGate> DownloadNowBook(const CodeInfoList& book, int32_t key);
  // One request stored into the group in the order of the codes; with an entry, each row takes the
  // attributes of the book's entries from it on. The number of rows stored, or -1.
  int32_t DownloadNowBatch(NowGate* group, const char* codes, int32_t key, const CodeInfo* entry);
  // One row of the answer in progress into the block (reset first), with its code and name.
  int ReadNowRow(int32_t row, NowPrice* block, std::string* code, std::string* name);
  // The stock-state value of one stock; none after a refusal or a COM error (shown).
  std::optional<broker::Variant> StockState(const char* code);
  // A snapshot group file loaded into a new group; null on failure.
  std::unique_ptr<NowGate> LoadNowGroup(const char* path, int32_t key);

  // ---- Quote book (callinfo_gate.cpp) ----
  // The quote-book snapshot of one stock into the record (cleared first, then the code). 1/0; a refused
  // request shows the server's two texts, a COM error its description.
  int FetchQuoteBook(const char* code, CallInfo& record);

 private:
  // The objects of a download in progress; empty between calls.
  std::shared_ptr<broker::ICodeManager> codeManager_;
  std::shared_ptr<broker::IStockCodeList> codeList_;
  std::shared_ptr<broker::IMarketRequest> multiPrice_;  // current prices
};

}  // namespace ostrada
