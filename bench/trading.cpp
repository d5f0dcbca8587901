// The trading gateway's holdings download: five hundred holdings in ten replies of fifty, into a
// TrdRunList with every record and its text copies, beside the bare server calls that read the same
// fields and keep nothing (the baseline).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "basesrc/stocgate.h"
#include "basesrc/trdrun.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

using broker::Variant;

constexpr int kHoldings = 500;

// An exchange whose paper account holds one share of each of five hundred stocks, logged in.
struct HeldAccount {
  HeldAccount() : exchange(Options()), server(exchange) {
    gate.TradeLogin();
    gate.AccountNumberText(&account);
    int bought = 0;
    for (const sim::ListedStock& stock : exchange.Stocks().All()) {
      if (stock.IsSuspended() || bought == kHoldings) continue;
      auto order = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kBuySellOrder);
      const std::pair<int32_t, Variant> inputs[] = {
          {0, Variant::Text("2")}, {1, Variant::Text(account)}, {2, Variant::Text("10")}, {3, Variant::Text(stock.code)},
          {4, Variant::I4(1)},     {5, Variant::I4(0)},         {7, Variant::Text("0")},  {8, Variant::Text("03")}};
      for (const auto& [index, value] : inputs) order->SetInput(index, value);
      order->Request();
      bought += order->Status() == 0;
    }
  }

  // The ledger stays in memory: the disk would time the machine, not the download.
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.tradingDate = 20261208;
    options.stocks = 700;
    options.paper.startingCash = 100'000'000'000LL;
    return options;
  }
  testing::RecordingScope ui;
  sim::Exchange exchange;
  broker::ScopedServer server;
  StocGate gate;
  std::string account;
};

HeldAccount& Account() {
  static HeldAccount account;
  return account;
}

void BM_HoldingsThroughGateway(benchmark::State& state) {
  HeldAccount& held = Account();
  int32_t count = 0;
  for (auto _ : state) {
    std::unique_ptr<TrdRunList> list = held.gate.DownloadHoldings(held.account.c_str());
    count = list ? list->Count() : -1;
    benchmark::DoNotOptimize(list);
  }
  state.counters["holdings"] = count;
  if (count != kHoldings) state.SkipWithError("the account does not hold 500 stocks");
}
BENCHMARK(BM_HoldingsThroughGateway)->Unit(benchmark::kMillisecond);

// Baseline: the same ten requests and the same value reads, nothing stored.
void BM_HoldingsBareCalls(benchmark::State& state) {
  HeldAccount& held = Account();
  for (auto _ : state) {
    auto object = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kHoldings);
    object->SetInput(0, Variant::Text(held.account));
    object->SetInput(1, Variant::Text("10"));
    object->SetInput(2, Variant::I4(50));
    int64_t checksum = 0;
    do {
      object->Request();
      for (int header : {0, 1, 2, 3, 4, 6, 8}) checksum += static_cast<int64_t>(object->HeaderValue(header).ToText().size());
      const int32_t rows = object->HeaderValue(7).ToI4();
      for (int32_t row = 0; row < rows; ++row) {
        for (int type : {0, 12, 1, 2, 13, 16}) checksum += static_cast<int64_t>(object->DataValue(type, row).ToText().size());
        for (int type : {3, 4, 5, 6, 7, 9, 10, 15}) checksum += object->DataValue(type, row).ToI4();
        for (int type : {11, 17, 18}) checksum += static_cast<int64_t>(object->DataValue(type, row).ToR8());
      }
    } while (object->MoreData() != 0);
    benchmark::DoNotOptimize(checksum);
  }
}
BENCHMARK(BM_HoldingsBareCalls)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada
