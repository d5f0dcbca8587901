#pragma once
// The README's pictures are drawn after the close, on the stock that traded the most shares that day:
// the widest figures of the day, and the closing auction among the contracts.
#include <cstdint>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/nowfxin.h"
#include "basesrc/stocgate.h"

namespace ostrada::testing {

// From the session clock's opening to a minute past the close.
constexpr int64_t kFromOpeningToAfterTheClose = (6 * 60 + 31) * 60'000;

// The codes (CP949) of the book's `count` stocks with the most shares traded so far, through the server
// in force, the busiest first (of equals, the later in the book).
inline std::vector<std::string> BusiestCodes(const CodeInfoList& codes, size_t count) {
  StocGate gate;
  std::vector<std::pair<uint32_t, std::string>> traded;
  for (const CodeInfo* stock = codes.First(); stock != nullptr; stock = stock->next) {
    NowPrice now{};
    if (gate.FetchNowPrice(&now, stock->key.code) == 1) {
      traded.emplace_back(static_cast<uint32_t>(now.bar.volume), stock->key.code);
    }
  }
  std::reverse(traded.begin(), traded.end());
  std::stable_sort(traded.begin(), traded.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::string> busiest;
  for (size_t i = 0; i < traded.size() && i < count; ++i) busiest.push_back(traded[i].second);
  return busiest;
}

// The busiest one.
inline std::string BusiestCode(const CodeInfoList& codes) {
  const std::vector<std::string> busiest = BusiestCodes(codes, 1);
  return busiest.empty() ? std::string() : busiest.front();
}

// Its name (CP949), as a stock box takes it.
inline std::string BusiestName(const CodeInfoList& codes) {
  const CodeInfo* stock = codes.FindByCode(BusiestCode(codes).c_str());
  return stock != nullptr ? stock->key.name.get() : std::string();
}

}  // namespace ostrada::testing
