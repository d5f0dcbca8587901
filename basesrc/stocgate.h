#pragma once
// StocGate: the gateway through which the system reaches the server. Each window and data-layer
// object embeds its own. Its operations live in one module per family (stocgate_code.cpp,
// stocgate_now.cpp, ...); each family declares its members in its own section below.
#include <cstdint>
#include <memory>

#include "broker/interfaces.h"

namespace ostrada {

class CodeInfoList;
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

  // ---- Quote book (callinfo_gate.cpp) ----
  // The quote-book snapshot of one stock into the record (cleared first, then the code). 1/0; a refused
  // request shows the server's two texts, a COM error its description.
  int FetchQuoteBook(const char* code, CallInfo& record);

 private:
  // The objects of a download in progress; empty between calls.
  std::shared_ptr<broker::ICodeManager> codeManager_;
  std::shared_ptr<broker::IStockCodeList> codeList_;
};

}  // namespace ostrada
