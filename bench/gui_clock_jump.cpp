// A jump of the account's clock from 09:00 to the close, taken by the clock bar, with a full
// workspace open: the home board of 20, a 10- and a 5-level quote window, a contract window, a
// quote-click order window with 5 resting orders and a minute chart, each painted after the jump.
// The baseline is the same exchange, with the same resting orders, jumping with no window open.
// Reported per jump: CPU seconds (the goals: under 1 s, and under 5 times the baseline).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>

#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "basesrc/foundation/uisink.h"
#include "bench/baseline_ratio.h"
#include "bench/full_workspace.h"
#include "bench/gui_bench.h"
#include "broker/sim/account_clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada {
namespace {

// The workspace's stock and prices, found once, for the baseline's orders.
bench::RestingOrders& Found() {
  static bench::RestingOrders found;
  return found;
}

void BM_JumpToCloseWithWorkspace(benchmark::State& state) {
  bench::HeadlessApplication();
  bench::CountingSink sink;
  ScopedUiSink scoped(sink);
  for (auto _ : state) {
    bench::FullWorkspace workspace;
    if (!workspace.Ready()) return state.SkipWithError("the workspace did not open");
    Found() = workspace.Orders();
    CostradaApp& app = workspace.App();
    QCoreApplication::processEvents();
    const double start = bench::CpuMs();
    app.MainFrame()->findChild<QAction*>(QStringLiteral("clockToClose"))->trigger();
    // Every window paints what it caught up with.
    workspace.Paint();
    QCoreApplication::processEvents();
    state.SetIterationTime((bench::CpuMs() - start) / 1e3);
    if (app.Exchange()->Clock().TimeOfDay() != sim::kCloseMs) return state.SkipWithError("the clock did not jump");
  }
  if (sink.messages != 0) state.SkipWithError("a message was shown");
}
BENCHMARK(BM_JumpToCloseWithWorkspace)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_BaselineJumpToCloseNoWindow(benchmark::State& state) {
  if (Found().prices.empty()) return state.SkipWithError("run with the workspace's benchmark first");
  for (auto _ : state) {
    bench::BareWorkspace bare(Found());
    if (!bare.Ready()) return state.SkipWithError("an order was refused");
    const double start = bench::CpuMs();
    const sim::JumpReport report = sim::Jump(bare.Exchange(), {bench::kWorkspaceDate, sim::kCloseMs});
    state.SetIterationTime((bench::CpuMs() - start) / 1e3);
    if (report.refused) return state.SkipWithError("the jump was refused");
  }
}
BENCHMARK(BM_BaselineJumpToCloseNoWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
}  // namespace ostrada
