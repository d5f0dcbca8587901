#pragma once
// Limit buys below the market, sent through the session's gate as the order form sends them, so that
// a session has orders of the account that rest (or fill as the day moves down to them).
#include <cstdint>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/nowinfo.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "tests/support/ticks.h"

namespace ostrada::testing {

// Buys of `quantity` shares of the stock, each the given number of ticks below its price now (on the
// exchange's tick rule); the prices sent, fewer when the session refused one, with its words (CP949)
// in `failure`.
inline std::vector<int32_t> RestBuys(TradingSession& session, const CodeInfoList& book, const std::string& code,
                                     const std::vector<int>& ticksBelow, int32_t quantity, std::string& failure) {
  std::vector<int32_t> prices;
  NowPrice now{};
  if (session.Gate().FetchNowPrice(&now, code.c_str()) != 1) return prices;
  for (int ticks : ticksBelow) {
    const int32_t price = TicksFrom(now.bar.close, -ticks);
    if (session.Gate().SendOrder(book, session.Account().c_str(), kOrderSideBuy, code.c_str(), kOrderTypeLimit, price,
                                 quantity, &failure) != 1) {
      break;
    }
    prices.push_back(price);
  }
  return prices;
}

}  // namespace ostrada::testing
