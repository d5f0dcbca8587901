#pragma once
// The README's pictures are drawn after the close, on the stock that traded the most shares that day:
// the widest figures of the day, and the closing auction among the contracts.
#include <cstdint>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/nowfxin.h"
#include "basesrc/stocgate.h"

namespace ostrada::testing {

// From the session clock's opening to a minute past the close.
constexpr int64_t kFromOpeningToAfterTheClose = (6 * 60 + 31) * 60'000;

// The code (CP949) of the book's stock with the most shares traded so far, through the server in force.
inline std::string BusiestCode(const CodeInfoList& codes) {
  StocGate gate;
  std::string busiest;
  uint32_t most = 0;
  for (const CodeInfo* stock = codes.First(); stock != nullptr; stock = stock->next) {
    NowPrice now{};
    if (gate.FetchNowPrice(&now, stock->key.code) == 1 && static_cast<uint32_t>(now.bar.volume) >= most) {
      most = static_cast<uint32_t>(now.bar.volume);
      busiest = stock->key.code;
    }
  }
  return busiest;
}

// Its name (CP949), as a stock box takes it.
inline std::string BusiestName(const CodeInfoList& codes) {
  const CodeInfo* stock = codes.FindByCode(BusiestCode(codes).c_str());
  return stock != nullptr ? stock->key.name.get() : std::string();
}

}  // namespace ostrada::testing
