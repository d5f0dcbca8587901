// A jump of the paper account's clock, as `ostrada-cli clock advance --to-close` makes it: the
// exchange of the default market started at 09:00 on a ledger with twenty resting orders, then moved
// to the close along the market's path. The baseline is the same exchange and jump on a ledger
// without orders, in the same run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/account_clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_stock.h"
#include "tests/support/recording_sink.h"

namespace ostrada::sim {
namespace {

namespace fs = std::filesystem;
using broker::Variant;

constexpr int32_t kDate = 20261208;
constexpr int kRestingOrders = 20;
const std::string kAccount = "5011223302";

// The exchange as the command line starts it: the default market, its clock standing at the moment.
ExchangeOptions AtNine(const std::string& ledger) {
  ExchangeOptions options;
  options.clock = ClockMode::kLive;
  const int64_t moment = KoreanUnixMilliseconds(kDate, kOpenMs);
  options.wallClock = [moment] { return moment; };
  options.paper.ledgerPath = ledger;
  return options;
}

int32_t Best(const std::string& code, int row) {
  auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
  book->SetInput(0, Variant::Text(code));
  book->Request();
  return book->DataValue(row, 0).ToI4();
}

// Buys a few ticks under the bid of the most liquid stocks: they rest, and some fill during the day.
void RestOrders(Exchange& exchange) {
  broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility)->Initialise(0);
  int placed = 0;
  for (const ListedStock& stock : exchange.Stocks().All()) {
    if (placed == kRestingOrders) break;
    if (stock.IsSuspended() || stock.liquidity < 8) continue;
    const int32_t ask = Best(stock.code, 0);
    const int32_t bid = Best(stock.code, 1);
    if (ask <= bid || bid <= 0) continue;
    auto order = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kBuySellOrder);
    const std::pair<int, Variant> inputs[] = {
        {0, Variant::Text("2")},  {1, Variant::Text(kAccount)}, {2, Variant::Text("10")},
        {3, Variant::Text(stock.code)}, {4, Variant::I4(10)}, {5, Variant::I4(bid - (placed % 4) * (ask - bid))},
        {7, Variant::Text("0")},  {8, Variant::Text("01")}};
    for (const auto& input : inputs) order->SetInput(input.first, input.second);
    placed += order->Request() == 0;
  }
}

// A ledger at 09:00, with or without the resting orders, made once; each iteration jumps on a copy.
class LedgerTemplate {
 public:
  explicit LedgerTemplate(bool orders)
      : folder_(fs::temp_directory_path() / ("ostrada-bench-clock-" + std::to_string(orders))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    testing::RecordingScope ui;
    Exchange exchange(AtNine(Template()));
    broker::ScopedServer server(exchange);
    if (orders) RestOrders(exchange);
  }
  ~LedgerTemplate() { fs::remove_all(folder_); }
  std::string Template() const { return (folder_ / "template.sqlite").string(); }
  std::string Fresh() const {
    const fs::path work = folder_ / "paper.sqlite";
    fs::remove(work);
    fs::copy_file(Template(), work);
    return work.string();
  }

 private:
  fs::path folder_;
};

void JumpToClose(benchmark::State& state, bool orders) {
  const LedgerTemplate ledgers(orders);
  size_t fills = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string ledger = ledgers.Fresh();
    state.ResumeTiming();
    Exchange exchange(AtNine(ledger));
    const JumpReport report = Jump(exchange, {kDate, kCloseMs});
    fills = report.fills.size();
    if (report.refused) state.SkipWithError("the jump was refused");
  }
  state.counters["fills"] = static_cast<double>(fills);
}

void BM_ToCloseWithTwentyRestingOrders(benchmark::State& state) {
  JumpToClose(state, true);
}
BENCHMARK(BM_ToCloseWithTwentyRestingOrders)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: the same exchange and jump with no order in the ledger.
void BM_ToCloseWithoutOrders(benchmark::State& state) {
  JumpToClose(state, false);
}
BENCHMARK(BM_ToCloseWithoutOrders)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace ostrada::sim
