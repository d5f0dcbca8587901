// A jump of the account's clock from 09:00 to the close, taken by the clock bar, with a full
// workspace open: the home board of 20, a 10- and a 5-level quote window, a contract window, a
// quote-click order window with 5 resting orders and a minute chart, each painted after the jump.
// The baseline is the same exchange, with the same resting orders, jumping with no window open.
// Reported per jump: CPU seconds (the goals: under 1 s, and under 5 times the baseline).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/uisink.h"
#include "basesrc/nowinfo.h"
#include "basesrc/priceinfo.h"
#include "bench/gui_bench.h"
#include "broker/sim/account_clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada {
namespace {

constexpr int32_t kDate = 20261208;
constexpr int kRestingOrders = 5;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

sim::ExchangeOptions Market(const std::string& ledger) {
  sim::ExchangeOptions options;
  options.seed = 7;
  options.tradingDate = kDate;
  options.wallClock = [] { return int64_t{1'796'000'000'000}; };
  options.paper.ledgerPath = ledger;
  return options;
}

// The stock the windows show and the prices of its resting buys, below the market.
struct Orders {
  std::string code;
  std::vector<int32_t> prices;
};

// Opens the workspace on the board's most traded stock and rests the orders; what was rested.
Orders OpenWorkspace(CostradaApp& app) {
  CMainFrame& frame = *app.MainFrame();
  auto* board = qobject_cast<CHomeBoard*>(frame.centralWidget());
  Orders orders;
  orders.code = board->Model().Rows().front().code;
  WorkWindows& workspace = frame.Workspace();
  for (int command : {kCmdQuote10, kCmdQuote5, kCmdContract, kCmdQuoteOrder, kCmdChart}) {
    WorkWindow* window = workspace.Open(command);
    window->ShowStock(orders.code);
    if (command == kCmdChart) window->Window().findChild<QPushButton*>(QStringLiteral("chartKindB"))->click();
  }
  TradingSession& session = app.Session();
  if (session.LogIn() != 1) return {};
  NowPrice now{};
  if (session.Gate().FetchNowPrice(&now, orders.code.c_str()) != 1) return {};
  for (int k = 0; k < kRestingOrders; ++k) {
    const int32_t price = now.bar.close - (k + 6) * PriceTick(now.bar.close);
    std::string failure;
    if (session.Gate().SendOrder(*app.AllCodes(), session.Account().c_str(), kOrderSideBuy, orders.code.c_str(),
                                 kOrderTypeLimit, price, 10, &failure) != 1) {
      return {};
    }
    orders.prices.push_back(price);
  }
  return orders;
}

// The workspace's stock and prices, found once, for the baseline's orders.
Orders& Found() {
  static Orders found;
  return found;
}

void BM_JumpToCloseWithWorkspace(benchmark::State& state) {
  bench::HeadlessApplication();
  bench::CountingSink sink;
  ScopedUiSink scoped(sink);
  for (auto _ : state) {
    QTemporaryDir folder;
    StartOptions options;
    options.exchange = Market(folder.filePath(QStringLiteral("paper.sqlite")).toStdString());
    options.speedChosen = true;
    CostradaApp app(options);
    if (!app.InitInstance()) return state.SkipWithError("the program did not start");
    Found() = OpenWorkspace(app);
    if (Found().prices.size() != kRestingOrders) return state.SkipWithError("the orders did not rest");
    QCoreApplication::processEvents();
    const double start = CpuSeconds();
    app.MainFrame()->findChild<QAction*>(QStringLiteral("clockToClose"))->trigger();
    // Every window paints what it caught up with.
    for (WorkWindow* window : app.MainFrame()->Workspace().Windows()) window->Window().repaint();
    app.MainFrame()->repaint();
    QCoreApplication::processEvents();
    state.SetIterationTime(CpuSeconds() - start);
    if (app.Exchange()->Clock().TimeOfDay() != sim::kCloseMs) return state.SkipWithError("the clock did not jump");
  }
  if (sink.messages != 0) state.SkipWithError("a message was shown");
}
BENCHMARK(BM_JumpToCloseWithWorkspace)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_BaselineJumpToCloseNoWindow(benchmark::State& state) {
  if (Found().prices.empty()) return state.SkipWithError("run with the workspace's benchmark first");
  for (auto _ : state) {
    QTemporaryDir folder;
    sim::Exchange exchange(Market(folder.filePath(QStringLiteral("paper.sqlite")).toStdString()));
    exchange.Paper().SetInitialised();
    for (int32_t price : Found().prices) {
      if (exchange.Paper()
              .Place(sim::PaperAccountNumbers().front(), Found().code, sim::Side::kBuy, false, price, 10)
              .refusal) {
        return state.SkipWithError("an order was refused");
      }
    }
    const double start = CpuSeconds();
    const sim::JumpReport report = sim::Jump(exchange, {kDate, sim::kCloseMs});
    state.SetIterationTime(CpuSeconds() - start);
    if (report.refused) return state.SkipWithError("the jump was refused");
  }
}
BENCHMARK(BM_BaselineJumpToCloseNoWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
}  // namespace ostrada
