// The cost of the paper account's standing conditions: the program's pump at a hundred times real
// time (one iteration is one wall second: twenty steps of 50 ms, five exchange seconds each), with
// fifty watched stocks, without conditions (Arg 0) and with two hundred (Arg 1) on the two hundred
// most liquid stocks: alerts and breakout buys both ways, a few ticks and many ticks away, so that
// some act during the run. The second's ratio to the first is the conditions' share of the pump.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/paper_account.h"
#include "tests/support/ticks.h"

namespace ostrada::sim {
namespace {

using ostrada::testing::TicksFrom;

class CountingSink : public broker::IEventSink {
 public:
  void Received() override { ++events; }
  int64_t events = 0;
};

void BM_PumpAtHundredTimes(benchmark::State& state) {
  ExchangeOptions options;
  options.tradingDate = 20261208;
  options.paper.startingCash = 100'000'000'000;
  Exchange exchange(options);
  broker::ScopedServer server(exchange);
  exchange.Advance(60 * kMsPerMinute);
  std::vector<ListedStock> stocks = exchange.Stocks().All();
  std::stable_sort(stocks.begin(), stocks.end(),
                   [](const ListedStock& a, const ListedStock& b) { return a.liquidity > b.liquidity; });
  std::vector<std::shared_ptr<broker::IMarketRequest>> objects;
  CountingSink sink;
  for (size_t i = 0; i < 50; ++i) {
    for (const broker::Guid& clsid : {broker::clsid::kQuoteBookLive, broker::clsid::kContractsLive}) {
      auto object = broker::CreateAs<broker::IMarketRequest>(clsid);
      object->Events().Advise(&sink);
      object->SetInput(0, broker::Variant::Text(stocks[i].code));
      object->Subscribe();
      objects.push_back(object);
    }
  }
  PaperTrading& paper = exchange.Paper();
  const std::string account = PaperAccountNumbers().back();
  int set = 0;
  if (state.range(0) != 0) {
    for (size_t i = 0; i < 200; ++i) {
      const std::string& code = stocks[i].code;
      auto price = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
      price->SetInput(0, broker::Variant::Text(code));
      price->Request();
      const int32_t now = price->DataValue(3, 0).ToI4();
      WatchCondition condition;
      condition.account = account;
      condition.code = code;
      const int kind = static_cast<int>(i % 4);
      const int away = i % 8 < 4 ? 3 : 30;
      condition.kind = kind == 0 ? WatchKind::kAlertAbove : kind == 1 ? WatchKind::kAlertBelow : WatchKind::kBreakout;
      condition.level = TicksFrom(now, condition.kind == WatchKind::kAlertBelow ? -away : away);
      condition.quantity = condition.kind == WatchKind::kBreakout ? 1 : 0;
      set += paper.SetWatch(condition).refusal.empty() ? 1 : 0;
    }
  }
  state.counters["conditions"] = set;
  for (auto _ : state) {
    for (int step = 0; step < 20; ++step) exchange.Advance(5000);
  }
  int acted = 0;
  for (const WatchCondition& condition : paper.Watches(account)) acted += condition.state != WatchState::kActive;
  state.counters["acted"] = acted;
  state.counters["events_per_second"] = static_cast<double>(sink.events) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PumpAtHundredTimes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(60);

}  // namespace
}  // namespace ostrada::sim
