// The paper account under load: the order book alone beside a plain std::map book, an order's round
// trip through the order object and the ledger (alone and with other processes on the ledger), the pump with ten thousand resting orders, and the
// holdings download of five hundred holdings.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/market/book.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/sqlite_db.h"

namespace ostrada::sim {
namespace {

using broker::Variant;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// ---- The book alone ----

// A stream of limit orders around a middle price: about half cross the other side.
struct Incoming {
  bool buy;
  int32_t price;
  int32_t quantity;
};
std::vector<Incoming> OrderStream(size_t count) {
  std::vector<Incoming> stream;
  uint64_t state = 88172645463325252ull;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (size_t i = 0; i < count; ++i) {
    const bool buy = (next() & 1) != 0;
    const auto offset = static_cast<int32_t>(next() % 12) - 4;  // ticks away from the middle, mostly passive
    const int32_t price = 50000 + (buy ? -offset : offset) * 50;
    stream.push_back({buy, price, static_cast<int32_t>(next() % 100) + 1});
  }
  return stream;
}

constexpr size_t kStream = 1 << 16;

void BM_BookInsertAndMatch(benchmark::State& state) {
  const std::vector<Incoming> stream = OrderStream(kStream);
  std::vector<OrderBook::Fill> fills;
  fills.reserve(256);
  for (auto _ : state) {
    OrderBook book;
    uint64_t id = 1;
    for (const Incoming& order : stream) {
      const BookSide other = order.buy ? BookSide::kAsk : BookSide::kBid;
      int32_t left = order.quantity;
      while (left > 0) {
        const int32_t best = book.Best(other);
        if (best == 0 || (order.buy ? best > order.price : best < order.price)) break;
        fills.clear();
        left -= book.Take(other, best, left, &fills);
      }
      if (left > 0) book.Add(order.buy ? BookSide::kBid : BookSide::kAsk, order.price, {id++, left, 1});
    }
    benchmark::DoNotOptimize(book.Best(BookSide::kAsk));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kStream));
}
BENCHMARK(BM_BookInsertAndMatch)->Unit(benchmark::kMillisecond);

// Baseline: the same stream on two std::map books of FIFO queues.
void BM_MapBookInsertAndMatch(benchmark::State& state) {
  const std::vector<Incoming> stream = OrderStream(kStream);
  struct Resting {
    uint64_t id;
    int32_t quantity;
  };
  std::vector<OrderBook::Fill> fills;
  fills.reserve(256);
  for (auto _ : state) {
    std::map<int32_t, std::deque<Resting>> asks;
    std::map<int32_t, std::deque<Resting>, std::greater<>> bids;
    uint64_t id = 1;
    auto match = [&](auto& side, int32_t limit, bool buy, int32_t left) {
      while (left > 0 && !side.empty()) {
        auto level = side.begin();
        if (buy ? level->first > limit : level->first < limit) break;
        while (left > 0 && !level->second.empty()) {
          Resting& front = level->second.front();
          const int32_t part = std::min(left, front.quantity);
          fills.clear();
          fills.push_back({front.id, 1, level->first, part});
          front.quantity -= part;
          left -= part;
          if (front.quantity == 0) level->second.pop_front();
        }
        if (level->second.empty()) side.erase(level);
      }
      return left;
    };
    for (const Incoming& order : stream) {
      if (order.buy) {
        const int32_t left = match(asks, order.price, true, order.quantity);
        if (left > 0) bids[order.price].push_back({id++, left});
      } else {
        const int32_t left = match(bids, order.price, false, order.quantity);
        if (left > 0) asks[order.price].push_back({id++, left});
      }
    }
    benchmark::DoNotOptimize(asks.size());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kStream));
}
BENCHMARK(BM_MapBookInsertAndMatch)->Unit(benchmark::kMillisecond);

// ---- Through the exchange ----

const std::string kAccount = "5011223302";

// An exchange on a ledger file of its own, logged in, with the given starting cash.
struct PaperBench {
  explicit PaperBench(int stocks, int64_t cash = 100'000'000'000LL)
      : folder(std::filesystem::temp_directory_path() / "ostrada-bench-paper"),
        exchange(Options(folder, stocks, cash)),
        server(exchange) {
    broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility)->Initialise(0);
  }
  ~PaperBench() { std::filesystem::remove_all(folder); }

  // A fresh folder unless `fresh` is false (another process on the same ledger).
  static ExchangeOptions Options(const std::filesystem::path& folder, int stocks, int64_t cash, bool fresh = true) {
    if (fresh) {
      std::filesystem::remove_all(folder);
      std::filesystem::create_directories(folder);
    }
    ExchangeOptions options;
    options.tradingDate = 20261208;
    options.stocks = stocks;
    options.paper.ledgerPath = (folder / "paper.sqlite").string();
    options.paper.startingCash = cash;
    return options;
  }

  std::pair<int32_t, int32_t> Best(const std::string& code) {
    auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
    book->SetInput(0, Variant::Text(code));
    book->Request();
    return {book->DataValue(0, 0).ToI4(), book->DataValue(1, 0).ToI4()};
  }

  // The new order's number, 0 when refused.
  int32_t Order(char side, const std::string& code, int32_t quantity, int32_t price, bool market = false) {
    return Send(side, code, quantity, price, market);
  }
  void Cancel(int32_t target, const std::string& code) { SendCancel(target, code); }

  // The same on whichever server is installed.
  static int32_t Send(char side, const std::string& code, int32_t quantity, int32_t price, bool market = false) {
    auto order = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kBuySellOrder);
    order->SetInput(0, Variant::Text(std::string(1, side)));
    order->SetInput(1, Variant::Text(kAccount));
    order->SetInput(2, Variant::Text("10"));
    order->SetInput(3, Variant::Text(code));
    order->SetInput(4, Variant::I4(quantity));
    order->SetInput(5, Variant::I4(price));
    order->SetInput(7, Variant::Text("0"));
    order->SetInput(8, Variant::Text(market ? "03" : "01"));
    return order->Request() == 0 ? order->HeaderValue(8).ToI4() : 0;
  }

  static void SendCancel(int32_t target, const std::string& code) {
    auto cancel = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kCancelOrder);
    cancel->SetInput(1, Variant::I4(target));
    cancel->SetInput(2, Variant::Text(kAccount));
    cancel->SetInput(3, Variant::Text("10"));
    cancel->SetInput(4, Variant::Text(code));
    cancel->SetInput(5, Variant::I4(1));
    cancel->Request();
  }

  std::vector<std::string> Codes(size_t count) {
    std::vector<std::string> codes;
    for (const ListedStock& stock : exchange.Stocks().All()) {
      if (!stock.IsSuspended() && codes.size() < count) codes.push_back(stock.code);
    }
    return codes;
  }

  std::filesystem::path folder;
  Exchange exchange;
  broker::ScopedServer server;
};

class CountingSink : public broker::IEventSink {
 public:
  void Received() override { ++events; }
  int64_t events = 0;
};

// CPU time of the calling thread in microseconds.
double ThreadMicros() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
}

// Other processes trading on the bench's ledger (as command lines beside the program) until the
// object ends: each places a resting buy and cancels it, buys one share and sells it, and pumps.
class OtherProcesses {
 public:
  OtherProcesses(int count, const ExchangeOptions& options, const std::string& code) {
    std::fflush(nullptr);
    for (int i = 0; i < count; ++i) {
      const pid_t child = fork();
      if (child == 0) Trade(options, code);
      if (child > 0) children_.push_back(child);
    }
  }
  ~OtherProcesses() {
    for (const pid_t child : children_) kill(child, SIGKILL);
    for (const pid_t child : children_) waitpid(child, nullptr, 0);
  }
  OtherProcesses(const OtherProcesses&) = delete;
  OtherProcesses& operator=(const OtherProcesses&) = delete;

 private:
  [[noreturn]] static void Trade(ExchangeOptions options, const std::string& code) {
    Exchange exchange(options);
    broker::ScopedServer server(exchange);
    broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility)->Initialise(0);
    for (;;) {
      auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
      book->SetInput(0, Variant::Text(code));
      book->Request();
      const int32_t ask = book->DataValue(0, 0).ToI4(), bid = book->DataValue(1, 0).ToI4();
      const int32_t resting = PaperBench::Send('2', code, 1, bid - 5 * (ask - bid));
      if (resting != 0) PaperBench::SendCancel(resting, code);
      if (PaperBench::Send('2', code, 1, ask) != 0) PaperBench::Send('1', code, 1, bid);
      exchange.Advance(50);
    }
  }
  std::vector<pid_t> children_;
};

// Wall and thread CPU times of timed calls, in microseconds.
struct Timings {
  std::vector<double> wall, cpu;
  template <class Call>
  void Time(const Call& call) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadMicros();
    call();
    cpu.push_back(ThreadMicros() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  static double Percentile(std::vector<double> values, size_t per100) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * per100 / 100];
  }
};

// The baseline of an order's round trip: the least any durable order costs, one write transaction
// that inserts a row on a file beside the ledger, in the ledger's journal mode, `count` times.
Timings BareCommits(const std::filesystem::path& folder, int count) {
  SqliteDb db((folder / "baseline.sqlite").string(), true);
  db.Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; CREATE TABLE rows(id INTEGER PRIMARY KEY, value)");
  Timings timings;
  for (int i = 0; i < count; ++i) {
    timings.Time([&db, i] {
      SqliteTransaction transaction(db);
      db.Execute("INSERT INTO rows(value) VALUES(" + std::to_string(i) + ")");
      transaction.Commit();
    });
  }
  return timings;
}

// One order as the order window sends it: the object, the checks, the guarded commit (a write
// transaction that reads the cash again) and the acceptance event, for a buy that rests; every
// hundred orders they are cancelled (untimed), so the account keeps a realistic number of open
// orders. Arg 0: ten thousand more that stay; Arg 1: a marketable buy, so the round trip also
// records its fill; Arg 2: other processes trading on the same ledger meanwhile. p50 and p99 in wall
// time and in the thread's CPU time (the machine may be shared), and each as a ratio to the same
// percentile of bare commits measured in the same run (the other processes writing meanwhile too).
void BM_OrderRoundTrip(benchmark::State& state) {
  PaperBench bench(60);
  auto events = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents);
  CountingSink sink;
  events->Events().Advise(&sink);
  events->Subscribe();
  const std::string code = bench.Codes(1).front();
  const auto [ask, bid] = bench.Best(code);
  const bool fills = state.range(1) != 0;
  const int32_t price = fills ? ask + 5 * (ask - bid) : bid - 5 * (ask - bid);
  for (int64_t i = 0; i < state.range(0); ++i) bench.Order('2', code, 1, bid - 6 * (ask - bid));
  OtherProcesses others(static_cast<int>(state.range(2)), PaperBench::Options(bench.folder, 60, 0, false), code);
  const Timings baseline = BareCommits(bench.folder, static_cast<int>(state.max_iterations));
  Timings round;
  std::vector<int32_t> open;
  for (auto _ : state) {
    const int64_t before = sink.events;
    int32_t number = 0;
    round.Time([&] { number = bench.Order('2', code, 1, price); });
    if (number == 0 || sink.events == before) state.SkipWithError("order refused");
    open.push_back(number);
    if (open.size() == 100) {
      state.PauseTiming();
      for (int32_t target : open) bench.Cancel(target, code);
      open.clear();
      state.ResumeTiming();
    }
  }
  for (const size_t per100 : {size_t{50}, size_t{99}}) {
    const std::string p = "p" + std::to_string(per100);
    const double wall = Timings::Percentile(round.wall, per100), cpu = Timings::Percentile(round.cpu, per100);
    state.counters[p + "_us"] = wall;
    state.counters["cpu_" + p + "_us"] = cpu;
    state.counters[p + "_x_commit"] = wall / Timings::Percentile(baseline.wall, per100);
    state.counters["cpu_" + p + "_x_commit"] = cpu / Timings::Percentile(baseline.cpu, per100);
  }
}
BENCHMARK(BM_OrderRoundTrip)
    ->ArgNames({"resting", "fills", "others"})
    ->Args({0, 0, 0})
    ->Args({10000, 0, 0})
    ->Args({0, 1, 0})
    ->Args({0, 0, 2})
    ->Args({0, 1, 2})
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);

// Fifty watched stocks (a quote and a contract window each) and, with Arg 1, ten thousand resting
// orders over five hundred stocks. One iteration is one exchange second pumped in 50 ms steps, as
// the program's timer does. core_percent is the share of a core one second of this costs.
void BM_PumpWithRestingOrders(benchmark::State& state) {
  PaperBench bench(0);
  bench.exchange.Advance(60 * kMsPerMinute);
  std::vector<ListedStock> stocks = bench.exchange.Stocks().All();
  std::stable_sort(stocks.begin(), stocks.end(),
                   [](const ListedStock& a, const ListedStock& b) { return a.liquidity > b.liquidity; });
  std::vector<std::shared_ptr<broker::IMarketRequest>> objects;
  CountingSink sink;
  for (size_t i = 0; i < 50; ++i) {
    for (const broker::Guid& clsid : {broker::clsid::kQuoteBookLive, broker::clsid::kContractsLive}) {
      auto object = broker::CreateAs<broker::IMarketRequest>(clsid);
      object->Events().Advise(&sink);
      object->SetInput(0, Variant::Text(stocks[i].code));
      object->Subscribe();
      objects.push_back(object);
    }
  }
  if (state.range(0) != 0) {
    int placed = 0;
    for (const std::string& code : bench.Codes(500)) {
      const auto [ask, bid] = bench.Best(code);
      const int32_t tick = std::max(1, ask - bid);
      // Twenty bids from the best bid down: the nearest trade as the flow reaches them.
      for (int k = 0; k < 20; ++k) placed += bench.Order('2', code, 10, std::max(tick, bid - k / 2 * tick)) != 0;
    }
    state.counters["resting"] = placed;
  }
  const double cpu = CpuSeconds();
  for (auto _ : state) {
    for (int step = 0; step < 20; ++step) bench.exchange.Advance(50);
  }
  const auto seconds = static_cast<double>(state.iterations());
  state.counters["events_per_second"] = static_cast<double>(sink.events) / seconds;
  state.counters["core_percent"] = (CpuSeconds() - cpu) / seconds * 100.0;
}
BENCHMARK(BM_PumpWithRestingOrders)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(60);

// The holdings download of five hundred holdings: ten replies of fifty rows, every field the client
// reads.
void BM_HoldingsDownload500(benchmark::State& state) {
  PaperBench bench(700);
  for (const std::string& code : bench.Codes(500)) bench.Order('2', code, 1, 0, true);
  int replies = 0;
  for (auto _ : state) {
    auto list = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kHoldings);
    list->SetInput(0, Variant::Text(kAccount));
    list->SetInput(1, Variant::Text("10"));
    list->SetInput(2, Variant::I4(50));
    replies = 0;
    int64_t checksum = 0;
    do {
      list->Request();
      ++replies;
      const int32_t rows = list->HeaderValue(7).ToI4();
      for (int32_t row = 0; row < rows; ++row) {
        for (int type : {0, 12, 1, 2, 13, 16})
          checksum += static_cast<int64_t>(list->DataValue(type, row).ToText().size());
        for (int type : {3, 4, 5, 6, 7, 9, 10, 15}) checksum += list->DataValue(type, row).ToI4();
        for (int type : {11, 17, 18}) checksum += static_cast<int64_t>(list->DataValue(type, row).ToR8());
      }
    } while (list->MoreData() != 0);
    benchmark::DoNotOptimize(checksum);
  }
  state.counters["replies"] = replies;
}
BENCHMARK(BM_HoldingsDownload500)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada::sim
