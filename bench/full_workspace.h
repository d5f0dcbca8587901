#pragma once
// The full workspace the clock's benchmarks measure: the home board of 20, a 10- and a 5-level quote
// window, a contract window, a quote-click order window with 5 resting buys and a minute chart, all on
// the board's most traded stock, in a program on a session of the embedded exchange at 09:00; and
// the bare exchange with the same orders, their baseline.
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_account.h"
#include "tests/support/resting_buys.h"

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

// A working window of the menu's command on the stock, the chart on its minutes.
inline WorkWindow* OpenOnStock(WorkWindows& workspace, int command, const std::string& code) {
  WorkWindow* window = workspace.Open(command);
  if (window == nullptr) return nullptr;
  window->ShowStock(code);
  if (command == kCmdChart) window->Window().findChild<QPushButton*>(QStringLiteral("chartKindB"))->click();
  return window;
}

// Opens the workspace on the board's most traded stock and rests the orders; what was rested (fewer
// prices than kRestingOrders when the session refused).
inline RestingOrders OpenFullWorkspace(CostradaApp& app) {
  CMainFrame& frame = *app.MainFrame();
  auto* board = qobject_cast<CHomeBoard*>(frame.centralWidget());
  RestingOrders orders;
  orders.code = board->Model().Rows().front().code;
  // Logged in and the orders rested first: the order window opens on the account as it stands (an
  // acceptance alone does not refresh an open form).
  if (app.Session().LogIn() != 1) return orders;
  std::string failure;
  orders.prices = testing::RestBuys(app.Session(), *app.AllCodes(), orders.code, {6, 7, 8, 9, 10}, 10, failure);
  if (orders.prices.size() != kRestingOrders) return orders;
  for (int command : {kCmdQuote10, kCmdQuote5, kCmdContract, kCmdQuoteOrder, kCmdChart})
    OpenOnStock(frame.Workspace(), command, orders.code);
  return orders;
}

// The program on the full workspace, its ledger in a folder of its own; `wall` as for WorkspaceMarket.
class FullWorkspace {
 public:
  explicit FullWorkspace(std::function<int64_t()> wall = {}) {
    StartOptions options;
    options.exchange = WorkspaceMarket(folder_.filePath(QStringLiteral("paper.sqlite")).toStdString(), std::move(wall));
    options.speedChosen = true;
    app_ = std::make_unique<CostradaApp>(options);
    if (app_->InitInstance()) orders_ = OpenFullWorkspace(*app_);
  }
  bool Ready() const { return orders_.prices.size() == kRestingOrders; }
  CostradaApp& App() { return *app_; }
  const RestingOrders& Orders() const { return orders_; }
  QTemporaryDir& Folder() { return folder_; }
  // Every window paints what it shows now.
  void Paint() {
    for (WorkWindow* window : app_->MainFrame()->Workspace().Windows()) window->Window().repaint();
    app_->MainFrame()->repaint();
  }

 private:
  QTemporaryDir folder_;
  std::unique_ptr<CostradaApp> app_;
  RestingOrders orders_;
};

// The same orders on an exchange with no window open, its ledger in a folder of its own, for the
// baselines.
class BareWorkspace {
 public:
  explicit BareWorkspace(const RestingOrders& orders, std::function<int64_t()> wall = {})
      : exchange_(WorkspaceMarket(folder_.filePath(QStringLiteral("paper.sqlite")).toStdString(), std::move(wall))) {
    exchange_.Paper().SetInitialised();
    for (int32_t price : orders.prices) {
      const sim::PaperTrading::Result placed =
          exchange_.Paper().Place(sim::PaperAccountNumbers().front(), orders.code, sim::Side::kBuy, false, price, 10);
      if (placed.refusal) {
        rested_ = false;
        return;
      }
    }
  }
  // False when the exchange refused one of the orders.
  bool Ready() const { return rested_; }
  sim::Exchange& Exchange() { return exchange_; }

 private:
  QTemporaryDir folder_;
  sim::Exchange exchange_;
  bool rested_ = true;
};

}  // namespace ostrada::bench
