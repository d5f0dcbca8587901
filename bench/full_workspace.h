#pragma once
// The full workspace the clock's benchmarks measure: the home board of 20, a 10- and a 5-level quote
// window, a contract window, a quote-click order window with 5 resting buys and a minute chart, all on
// the board's most traded stock, in a program on a session of the embedded exchange at 09:00.
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "basesrc/nowinfo.h"
#include "basesrc/priceinfo.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada::bench {

inline constexpr int32_t kWorkspaceDate = 20261208;
inline constexpr int kRestingOrders = 5;
inline constexpr int64_t kWorkspaceWallMs = 1'796'000'000'000;

// The session; `wall` is the wall clock its pump reads (a fixed moment when empty).
inline sim::ExchangeOptions WorkspaceMarket(const std::string& ledger, std::function<int64_t()> wall = {}) {
  sim::ExchangeOptions options;
  options.seed = 7;
  options.tradingDate = kWorkspaceDate;
  options.wallClock = wall ? std::move(wall) : [] { return kWorkspaceWallMs; };
  options.paper.ledgerPath = ledger;
  return options;
}

// The stock the windows show and the prices of its resting buys, below the market.
struct RestingOrders {
  std::string code;
  std::vector<int32_t> prices;
};

// Opens the workspace on the board's most traded stock and rests the orders; what was rested (fewer
// prices than kRestingOrders when the session refused).
inline RestingOrders OpenFullWorkspace(CostradaApp& app) {
  CMainFrame& frame = *app.MainFrame();
  auto* board = qobject_cast<CHomeBoard*>(frame.centralWidget());
  RestingOrders orders;
  orders.code = board->Model().Rows().front().code;
  // Logged in and the orders rested first: the order window opens on the account as it stands (an
  // acceptance alone does not refresh an open form).
  TradingSession& session = app.Session();
  if (session.LogIn() != 1) return orders;
  NowPrice now{};
  if (session.Gate().FetchNowPrice(&now, orders.code.c_str()) != 1) return orders;
  for (int k = 0; k < kRestingOrders; ++k) {
    const int32_t price = now.bar.close - (k + 6) * PriceTick(now.bar.close);
    std::string failure;
    if (session.Gate().SendOrder(*app.AllCodes(), session.Account().c_str(), kOrderSideBuy, orders.code.c_str(),
                                 kOrderTypeLimit, price, 10, &failure) != 1) {
      return orders;
    }
    orders.prices.push_back(price);
  }
  WorkWindows& workspace = frame.Workspace();
  for (int command : {kCmdQuote10, kCmdQuote5, kCmdContract, kCmdQuoteOrder, kCmdChart}) {
    WorkWindow* window = workspace.Open(command);
    window->ShowStock(orders.code);
    if (command == kCmdChart) window->Window().findChild<QPushButton*>(QStringLiteral("chartKindB"))->click();
  }
  return orders;
}

// The same orders on an exchange with no window open, for the baselines. False when one was refused.
inline bool RestBare(sim::Exchange& exchange, const RestingOrders& orders) {
  exchange.Paper().SetInitialised();
  for (int32_t price : orders.prices) {
    if (exchange.Paper()
            .Place(sim::PaperAccountNumbers().front(), orders.code, sim::Side::kBuy, false, price, 10)
            .refusal) {
      return false;
    }
  }
  return true;
}

}  // namespace ostrada::bench
