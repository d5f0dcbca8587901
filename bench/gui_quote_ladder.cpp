// The quote ladder under a busy stock: 2,000 quote events a second for 10 seconds of exchange time,
// through the real event path (object -> sink -> WM_EVENT_RECEIVED -> the table's handler -> the
// model) into an offscreen 10-level window that repaints every 50 ms of exchange time. Reported: the
// time from the server's call of Received to the updated model (p50, p99, max), the cells repainted
// per event, and that every event was shown. The baseline reads and formats the same events
// without any window, in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <random>
#include <vector>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "basesrc/numberformat.h"
#include "bench/gui_bench.h"
#include "tests/gui_quote/quote_feed.h"

namespace ostrada {
namespace {

constexpr int kEventsPerSecond = 2000;
constexpr int kSeconds = 10;
constexpr int kEvents = kEventsPerSecond * kSeconds;
constexpr int kEventsPerRepaint = kEventsPerSecond / 20;
constexpr int32_t kReference = 50000;
constexpr int32_t kTick = 50;

// A seeded walk of a ten-level book: each event changes the quantity of two or three levels, and
// one event in twenty moves the whole book one tick.
class BookWalk {
 public:
  void Start(CallInfo& book) {
    ClearCallInfo(book);
    SetCallCode(book, "005930");
    Lay(book, kReference);
  }
  void Step(CallInfo& book) {
    if (random_() % 20 == 0) Lay(book, book.levels[0].sellPrice + (random_() % 2 == 0 ? kTick : -kTick));
    const int changes = 2 + static_cast<int>(random_() % 2);
    for (int k = 0; k < changes; ++k) {
      CallLevel& level = book.levels[random_() % kCallLevels];
      (random_() % 2 == 0 ? level.sellQuantity : level.buyQuantity) = Quantity();
    }
    book.totalSell = book.totalBuy = 0;
    for (const CallLevel& level : book.levels) {
      book.totalSell += level.sellQuantity;
      book.totalBuy += level.buyQuantity;
    }
    book.quoteTime = (book.quoteTime + 1) % 10000;
  }

 private:
  void Lay(CallInfo& book, int32_t bestAsk) {
    for (int i = 0; i < kCallLevels; ++i) {
      book.levels[i].sellPrice = bestAsk + kTick * i;
      book.levels[i].buyPrice = bestAsk - kTick * (i + 1);
      book.levels[i].sellQuantity = Quantity();
      book.levels[i].buyQuantity = Quantity();
    }
  }
  int32_t Quantity() { return static_cast<int32_t>(random_() % 50000); }
  std::mt19937 random_{20261208};
};

int64_t ThreadCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

int64_t Percentile(std::vector<int64_t> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// The last record shown holds the book the server last sent.
bool SameLevels(const CallInfo& shown, const CallInfo& sent) {
  for (int i = 0; i < kCallLevels; ++i) {
    const CallLevel& a = shown.levels[i];
    const CallLevel& b = sent.levels[i];
    if (a.sellPrice != b.sellPrice || a.buyPrice != b.buyPrice || a.sellQuantity != b.sellQuantity ||
        a.buyQuantity != b.buyQuantity) {
      return false;
    }
  }
  return shown.totalSell == sent.totalSell && shown.totalBuy == sent.totalBuy;
}

void BM_LadderFeed(benchmark::State& state) {
  bench::HeadlessApplication();
  testing::QuoteFeed feed;
  broker::ScopedServer server(feed);
  std::vector<int64_t> latencies;
  std::vector<int64_t> cpuLatencies;
  latencies.reserve(kEvents);
  cpuLatencies.reserve(kEvents);
  int64_t cells = 0;
  for (auto _ : state) {
    CCallDlg window(nullptr, 0);
    window.show();
    CCallTbl& table = window.Form().Table();
    BookWalk walk;
    walk.Start(feed.book);
    table.SetReferencePrice(kReference);
    table.SetStock(feed.book.code);
    const int64_t cellsBefore = table.UpperModel().ChangedCells() + table.LowerModel().ChangedCells();
    latencies.clear();
    cpuLatencies.clear();
    for (int i = 0; i < kEvents; ++i) {
      walk.Step(feed.book);
      const int64_t cpuStart = ThreadCpuNanoseconds();
      const auto start = std::chrono::steady_clock::now();
      feed.Raise();
      latencies.push_back((std::chrono::steady_clock::now() - start).count());
      cpuLatencies.push_back(ThreadCpuNanoseconds() - cpuStart);
      if (i % kEventsPerRepaint == kEventsPerRepaint - 1) QCoreApplication::processEvents();
    }
    if (table.EventsShown() != kEvents || !SameLevels(table.Current(), feed.book)) {
      state.SkipWithError("an event was not shown");
      return;
    }
    cells = table.UpperModel().ChangedCells() + table.LowerModel().ChangedCells() - cellsBefore;
  }
  state.counters["events"] = kEvents;
  state.counters["p50_us"] = static_cast<double>(Percentile(latencies, 0.50)) / 1000.0;
  state.counters["p99_us"] = static_cast<double>(Percentile(latencies, 0.99)) / 1000.0;
  state.counters["max_us"] = static_cast<double>(*std::max_element(latencies.begin(), latencies.end())) / 1000.0;
  // The same on this thread's CPU clock: the path's own cost, without the time other processes of a
  // busy machine took the core away.
  state.counters["cpu_p50_us"] = static_cast<double>(Percentile(cpuLatencies, 0.50)) / 1000.0;
  state.counters["cpu_p99_us"] = static_cast<double>(Percentile(cpuLatencies, 0.99)) / 1000.0;
  state.counters["cells_per_event"] = static_cast<double>(cells) / kEvents;
}
BENCHMARK(BM_LadderFeed)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same events read from the same object and formatted, with no window: the floor of the path.
void BM_BaselineReadAndFormat(benchmark::State& state) {
  testing::QuoteFeed feed;
  broker::ScopedServer server(feed);
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookLive);
  std::string sink;
  for (auto _ : state) {
    BookWalk walk;
    walk.Start(feed.book);
    CallInfo previous = feed.book;
    for (int i = 0; i < kEvents; ++i) {
      walk.Step(feed.book);
      CallInfo fresh;
      ClearCallInfo(fresh);
      SetCallCode(fresh, object->HeaderValue(0).ToText().c_str());
      for (int h = 1; h <= 46; ++h) benchmark::DoNotOptimize(object->HeaderValue(h).ToI4());
      fresh = feed.book;
      CompareAndMark(fresh, previous);
      for (const CallLevel& level : fresh.levels) {
        for (const int32_t* value : LevelFields(level)) sink = FormatNumber(int64_t{*value}, ZeroShown::kBlank);
      }
      benchmark::DoNotOptimize(sink);
      previous = fresh;
    }
  }
  state.counters["events"] = kEvents;
}
BENCHMARK(BM_BaselineReadAndFormat)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace ostrada
