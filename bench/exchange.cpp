// The embedded exchange under load: the whole-market current-price sweep beside a plain copy of as
// many rows, the event stream of fifty watched stocks, and the memory of the default market.
#include "broker/sim/exchange.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

using broker::Variant;

constexpr int kBatch = 110;
constexpr int kFields = 30;

// Resident memory of the process in bytes.
int64_t ResidentBytes() {
  long pages = 0;
  long resident = 0;
  if (FILE* file = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(file);
  }
  return static_cast<int64_t>(resident) * 4096;
}

// CPU time of the process in seconds.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

ExchangeOptions DefaultMarket() {
  ExchangeOptions options;
  options.tradingDate = 20261208;
  return options;
}

// The comma-joined codes of the listing in batches of 110, as the snapshot download sends them.
std::vector<std::string> Batches(const Listing& listing) {
  std::vector<std::string> batches;
  for (size_t first = 0; first < listing.Size(); first += kBatch) {
    std::string codes;
    for (size_t i = first; i < listing.Size() && i < first + kBatch; ++i) {
      if (!codes.empty()) codes += ',';
      codes += listing.At(i).code;
    }
    batches.push_back(codes);
  }
  return batches;
}

// One sweep as the client makes it: a request per batch, then every field of every row read.
int64_t Sweep(const std::vector<std::string>& batches) {
  int64_t checksum = 0;
  for (const std::string& codes : batches) {
    auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    object->SetInput(0, Variant::Text(codes));
    object->Request();
    const int32_t rows = object->HeaderValue(0).ToI4();
    for (int32_t row = 0; row < rows; ++row) {
      for (int field = 2; field < kFields; ++field) {
        const Variant value = object->DataValue(field, row);
        checksum += field == 21 ? static_cast<int64_t>(value.ToR4()) : value.ToI4();
      }
      checksum +=
          static_cast<int64_t>(object->DataValue(0, row).ToText().size() + object->DataValue(1, row).ToText().size());
    }
  }
  return checksum;
}

// Resident memory of the default market with fifty live books, at 10:30 and at 14:30 (first, so
// that no earlier benchmark's freed memory hides the growth).
void BM_MemoryWithFiftyBooks(benchmark::State& state) {
  const int64_t start = ResidentBytes();
  int64_t used = 0;
  for (auto _ : state) {
    Exchange exchange(DefaultMarket());
    broker::ScopedServer server(exchange);
    exchange.Advance(state.range(0) * kMsPerMinute);
    const std::vector<std::string> batches = Batches(exchange.Stocks());
    benchmark::DoNotOptimize(Sweep(batches));
    for (size_t i = 0; i < 50; ++i) {
      auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
      book->SetInput(0, Variant::Text(exchange.Stocks().At(i * 40).code));
      book->Request();
    }
    used = std::max(used, ResidentBytes() - start);
  }
  state.counters["resident_MB"] = static_cast<double>(used) / (1024.0 * 1024.0);
}
BENCHMARK(BM_MemoryWithFiftyBooks)->Arg(90)->Arg(330)->Unit(benchmark::kMillisecond)->Iterations(1);

// The sweep at one moment, answers already known to the market (the steady case).
void BM_SweepSameMoment(benchmark::State& state) {
  Exchange exchange(DefaultMarket());
  broker::ScopedServer server(exchange);
  exchange.Advance(90 * kMsPerMinute);  // 10:30
  const std::vector<std::string> batches = Batches(exchange.Stocks());
  benchmark::DoNotOptimize(Sweep(batches));
  for (auto _ : state) benchmark::DoNotOptimize(Sweep(batches));
  state.counters["stocks"] = static_cast<double>(exchange.Stocks().Size());
  state.counters["requests"] = static_cast<double>(batches.size());
}
BENCHMARK(BM_SweepSameMoment)->Unit(benchmark::kMillisecond);

// The sweep with the market one second older each time (a recorder's case).
void BM_SweepEverySecond(benchmark::State& state) {
  Exchange exchange(DefaultMarket());
  broker::ScopedServer server(exchange);
  exchange.Advance(90 * kMsPerMinute);
  const std::vector<std::string> batches = Batches(exchange.Stocks());
  benchmark::DoNotOptimize(Sweep(batches));
  for (auto _ : state) {
    exchange.Advance(1000);
    benchmark::DoNotOptimize(Sweep(batches));
  }
}
BENCHMARK(BM_SweepEverySecond)->Unit(benchmark::kMillisecond);

// The first sweep of a fresh exchange late in the day: every stock's day planned up to 14:30.
void BM_FirstSweepAt1430(benchmark::State& state) {
  for (auto _ : state) {
    Exchange exchange(DefaultMarket());
    broker::ScopedServer server(exchange);
    exchange.Advance(330 * kMsPerMinute);
    const std::vector<std::string> batches = Batches(exchange.Stocks());
    benchmark::DoNotOptimize(Sweep(batches));
  }
}
BENCHMARK(BM_FirstSweepAt1430)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: copying as many rows of thirty fields (the same values) without the exchange.
void BM_BaselineCopyRows(benchmark::State& state) {
  const int rows = kDefaultListingSize;
  std::vector<std::vector<Variant>> table(static_cast<size_t>(rows), std::vector<Variant>(kFields));
  for (auto& row : table) {
    row[0] = Variant::Text("A000000");
    row[1] = Variant::Text("name of a stock");
    for (int field = 2; field < kFields; ++field) row[static_cast<size_t>(field)] = Variant::I4(field * 1000);
    row[21] = Variant::R4(100.5f);
  }
  for (auto _ : state) {
    std::vector<std::vector<Variant>> copy = table;
    int64_t checksum = 0;
    for (const auto& row : copy) {
      for (int field = 2; field < kFields; ++field) {
        checksum += field == 21 ? static_cast<int64_t>(row[21].ToR4()) : row[static_cast<size_t>(field)].ToI4();
      }
      checksum += static_cast<int64_t>(row[0].ToText().size() + row[1].ToText().size());
    }
    benchmark::DoNotOptimize(checksum);
  }
}
BENCHMARK(BM_BaselineCopyRows)->Unit(benchmark::kMillisecond);

// A sink that reads what a window reads on each event.
class ReadingSink : public broker::IEventSink {
 public:
  ReadingSink(broker::IMarketRequest& object, int headers) : object_(object), headers_(headers) {}
  void Received() override {
    ++events;
    for (int header = 0; header < headers_; ++header) benchmark::DoNotOptimize(object_.HeaderValue(header));
  }
  int64_t events = 0;

 private:
  broker::IMarketRequest& object_;
  int headers_;
};

// Fifty watched stocks (the most liquid) with a quote window and a contract window each; one
// iteration is one second of exchange time. Counters: events per exchange second, and the share of
// one core that a second of this stream costs.
void BM_FiftyWatchedStocks(benchmark::State& state) {
  Exchange exchange(DefaultMarket());
  broker::ScopedServer server(exchange);
  exchange.Advance(60 * kMsPerMinute);
  std::vector<ListedStock> stocks = exchange.Stocks().All();
  std::stable_sort(stocks.begin(), stocks.end(),
                   [](const ListedStock& a, const ListedStock& b) { return a.liquidity > b.liquidity; });
  std::vector<std::shared_ptr<broker::IMarketRequest>> objects;
  std::vector<std::unique_ptr<ReadingSink>> sinks;
  for (int i = 0; i < 50; ++i) {
    for (const broker::Guid& clsid : {broker::clsid::kQuoteBookLive, broker::clsid::kContractsLive}) {
      auto object = broker::CreateAs<broker::IMarketRequest>(clsid);
      sinks.push_back(std::make_unique<ReadingSink>(*object, clsid == broker::clsid::kQuoteBookLive ? 47 : 20));
      object->Events().Advise(sinks.back().get());
      object->SetInput(0, Variant::Text(stocks[static_cast<size_t>(i)].code));
      object->Subscribe();
      objects.push_back(object);
    }
  }
  exchange.Advance(1000);
  int64_t before = 0;
  for (const auto& sink : sinks) before += sink->events;
  const double cpu = CpuSeconds();
  for (auto _ : state) exchange.Advance(1000);
  const auto seconds = static_cast<double>(state.iterations());
  int64_t events = -before;
  for (const auto& sink : sinks) events += sink->events;
  state.counters["events_per_second"] = static_cast<double>(events) / seconds;
  state.counters["core_percent"] = (CpuSeconds() - cpu) / seconds * 100.0;
}
BENCHMARK(BM_FiftyWatchedStocks)->Unit(benchmark::kMicrosecond);

// The market's process alone: every stock of a fresh default market run from the start of the
// process to today (the previous close and the volumes a sweep needs), and one stock's two years.
void BM_ProcessWholeMarket(benchmark::State& state) {
  const Listing listing = Listing::Build(DefaultMarket().seed, 0);
  for (auto _ : state) {
    Market market(ProfilesOf(listing), DefaultMarket().seed);
    market.Sync(DefaultMarket().tradingDate, 0);
    for (int i = 0; i < static_cast<int>(market.Size()); ++i) benchmark::DoNotOptimize(market.Today(i).bar.close);
  }
}
BENCHMARK(BM_ProcessWholeMarket)->Unit(benchmark::kMillisecond);

void BM_OneStockHistory(benchmark::State& state) {
  const Listing listing = Listing::Build(DefaultMarket().seed, 0);
  Market market(ProfilesOf(listing), DefaultMarket().seed);
  market.Sync(DefaultMarket().tradingDate, 0);
  int index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(market.History(index, 520).back().close);
    index = (index + 37) % static_cast<int>(market.Size());
  }
}
BENCHMARK(BM_OneStockHistory)->Unit(benchmark::kMicrosecond);

// The book of the busiest listed stock asked cold at 15:00 (its day planned and its book followed
// from the pre-open), beside the same stock's state alone: the book's own share of the answer.
int MostLiquid(const Market& market) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(market.Size()); ++i) {
    if (market.Stock(i).contractsPerSecond > market.Stock(best).contractsPerSecond) best = i;
  }
  return best;
}

void BM_ColdBookAt1500(benchmark::State& state) {
  const std::vector<StockProfile> profiles = ProfilesOf(Listing::Build(DefaultMarket().seed, 0));
  int index = 0;
  {
    Market market(profiles, DefaultMarket().seed);
    index = MostLiquid(market);
  }
  // A process that starts at 15:00 and asks for the stock: the market's process, the board's shared
  // moves, the day's plan and the book followed from the pre-open.
  for (auto _ : state) {
    Market market(profiles, DefaultMarket().seed);
    market.Sync(DefaultMarket().tradingDate, kCloseMs);
    if (state.range(0) == 0) {
      benchmark::DoNotOptimize(market.State(index).price);
    } else {
      benchmark::DoNotOptimize(market.Quote(index).asks[0].quantity);
    }
  }
}
BENCHMARK(BM_ColdBookAt1500)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A whole market's day: every stock's session planned and expanded into its contracts (arg 0, the
// tape alone), or with the books of every stock followed through it (arg 1), and the indexes' minutes
// from their stocks, in a market that starts cold.
void BM_WholeMarketDay(benchmark::State& state) {
  const std::vector<StockProfile> profiles = ProfilesOf(Listing::Build(DefaultMarket().seed, 0));
  for (auto _ : state) {
    Market market(profiles, DefaultMarket().seed);
    market.Sync(DefaultMarket().tradingDate, kCloseMs);
    int64_t checksum = 0;
    for (int i = 0; i < static_cast<int>(market.Size()); ++i) {
      StockDay& day = market.Day(i);
      if (state.range(0) == 0) {
        std::vector<Trade> tape;
        day.Records(0, day.CountAt(kCloseMs), tape);
        checksum += static_cast<int64_t>(tape.size());
      } else {
        checksum += market.Quote(i).asks[0].quantity;
      }
    }
    checksum += market.IndexDay("U001").back().close + market.IndexDay("U201").back().close;
    benchmark::DoNotOptimize(checksum);
  }
}
BENCHMARK(BM_WholeMarketDay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same stream pushed to about a hundred events a second per stock: fifty stocks that trade
// about a hundred times a second, watched through the market's own listener.
class CountingListener : public MarketListener {
 public:
  void OnMarketEvent(const StockProfile&, const MarketEvent& event) override {
    ++events;
    benchmark::DoNotOptimize(event.quote.TotalAsk());
  }
  int64_t events = 0;
};

void BM_HundredEventsASecondEach(benchmark::State& state) {
  std::vector<StockProfile> profiles(50);
  for (size_t i = 0; i < profiles.size(); ++i) {
    profiles[i].code = std::to_string(100000 + i * 10);
    profiles[i].code.insert(profiles[i].code.begin(), 'A');
    profiles[i].seed = 1000 + i;
    profiles[i].priceLevel = 10000 + static_cast<int32_t>(i) * 1000;
    profiles[i].contractsPerSecond = 110;
  }
  Market market(profiles, 5);
  market.Sync(20261208, 10 * kMsPerHour);
  CountingListener listener;
  for (int i = 0; i < 50; ++i) market.Subscribe(i, &listener);
  int64_t now = 10 * kMsPerHour;
  const double cpu = CpuSeconds();
  for (auto _ : state) market.Sync(20261208, now += 1000);
  const auto seconds = static_cast<double>(state.iterations());
  state.counters["events_per_second"] = static_cast<double>(listener.events) / seconds;
  state.counters["core_percent"] = (CpuSeconds() - cpu) / seconds * 100.0;
}
BENCHMARK(BM_HundredEventsASecondEach)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrada::sim
