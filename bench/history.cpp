// Daily history: the moving-average list built with running sums against the walk of every line of
// every bar; the whole market's pre-data list (downloads from the embedded exchange, then the
// build); series and .spd file loads against one plain read() of the same bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/movepair.h"
#include "basesrc/predata.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr int32_t kTradingDate = 20261208;
constexpr int32_t kDailyBars = 600;

std::unique_ptr<DaySeries> WalkSeries(int bars) {
  std::mt19937 random(42);
  auto series = std::make_unique<DaySeries>();
  series->Create("A005930", "Sample");
  int32_t close = 50000;
  for (int i = 0; i < bars; ++i) {
    DayBar bar{};
    close = std::max<int32_t>(1000, close + static_cast<int32_t>(random() % 2001) - 1000);
    bar.price = PriceBar{19000101 + i, close, close + 100, close - 100, close, 0, 1000, 0.0f};
    series->Add(bar);
  }
  return series;
}

void BM_AverageListRunningSums(benchmark::State& state) {
  auto series = WalkSeries(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    MovingAverageList list;
    benchmark::DoNotOptimize(list.Build(*series, 0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AverageListRunningSums)->ArgName("bars")->Arg(500)->Arg(2000)->Unit(benchmark::kMicrosecond);

// The baseline: every line of every bar walked on its own, as the indicators define them.
void BM_AverageListWalks(benchmark::State& state) {
  auto series = WalkSeries(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int64_t total = 0;
    for (const DayBar* bar = series->Oldest(); bar != nullptr; bar = bar->newer) {
      for (int32_t n : kAverageLengths) total += DayAverage(bar, n, BarValue::kClose);
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AverageListWalks)->ArgName("bars")->Arg(500)->Arg(2000)->Unit(benchmark::kMicrosecond);

// The default listing on the trading date after the close.
struct Market {
  Market() : exchange(Options()), server(exchange) {}
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.clock = sim::ClockMode::kLive;
    options.wallClock = [] { return sim::KoreanUnixMilliseconds(kTradingDate, (15 * 60 + 40) * 60 * 1000LL); };
    return options;
  }
  testing::RecordingScope recording;
  sim::Exchange exchange;
  broker::ScopedServer server;
};

std::vector<std::unique_ptr<DaySeries>> DownloadMarket(StocGate& gate, const CodeInfoList& book) {
  std::vector<std::unique_ptr<DaySeries>> market;
  for (const CodeInfo* entry = book.First(); entry != nullptr; entry = entry->next) {
    if (entry->attr.market != '1' && entry->attr.market != '2') continue;
    market.push_back(gate.DownloadBarsNew(entry->key.code, entry->key.name.get(), kDailyBars, 1, 'D', 0, 0, 0));
  }
  return market;
}

void BuildMarket(StocGate& gate, const std::vector<std::unique_ptr<DaySeries>>& market, int32_t date,
                 PreDataList& list) {
  list.Clear();
  list.SetSortKey(kPreDataKeyCode);
  for (const auto& series : market) {
    if (series == nullptr || series->Find(date) == nullptr) continue;
    PreDataPtr record = PreDataRecordCreate();
    if (gate.BuildPreData(record.get(), *series, 1, date)) list.Insert(std::move(record));
  }
  list.Rebuild();
}

void BM_PreDataDownload(benchmark::State& state) {
  Market m;
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  size_t bars = 0;
  for (auto _ : state) {
    auto market = DownloadMarket(gate, *book);
    bars = 0;
    for (const auto& series : market) bars += series ? static_cast<size_t>(series->Count()) : 0;
  }
  state.counters["bars"] = static_cast<double>(bars);
  state.counters["messages"] = static_cast<double>(m.recording.sink.messages.size());
}
BENCHMARK(BM_PreDataDownload)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_PreDataBuild(benchmark::State& state) {
  Market m;
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  const auto market = DownloadMarket(gate, *book);
  const int32_t date = gate.LastTradingDay(1);
  int32_t records = 0;
  PreDataList list;
  for (auto _ : state) {
    BuildMarket(gate, market, date, list);
    records = list.Count();
  }
  state.counters["records"] = records;
}
BENCHMARK(BM_PreDataBuild)->Iterations(3)->Unit(benchmark::kMillisecond);

const std::string kSeriesFile = "/tmp/ostrada_bench_history.std";
const std::string kPreDataFile = "/tmp/ostrada_bench_history.spd";

void BM_LoadSeries(benchmark::State& state) {
  WalkSeries(520)->Save(kSeriesFile.c_str());
  for (auto _ : state) {
    DaySeries series;
    benchmark::DoNotOptimize(series.Load(kSeriesFile.c_str(), 0));
  }
}
BENCHMARK(BM_LoadSeries)->Unit(benchmark::kMicrosecond);

void BM_LoadPreData(benchmark::State& state) {
  {
    Market m;
    StocGate gate;
    std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
    PreDataList list;
    BuildMarket(gate, DownloadMarket(gate, *book), gate.LastTradingDay(1), list);
    list.Save(kPreDataFile.c_str());
  }
  for (auto _ : state) {
    PreDataList list;
    benchmark::DoNotOptimize(list.Load(kPreDataFile.c_str(), kPreDataKeyCode));
  }
}
BENCHMARK(BM_LoadPreData)->Unit(benchmark::kMicrosecond);

// The floor of each load: the same bytes with one read().
void ReadWhole(benchmark::State& state, const std::string& path) {
  std::vector<char> buffer(8 << 20);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
    ::close(fd);
  }
}
void BM_ReadSeriesBaseline(benchmark::State& state) {
  WalkSeries(520)->Save(kSeriesFile.c_str());
  ReadWhole(state, kSeriesFile);
}
BENCHMARK(BM_ReadSeriesBaseline)->Unit(benchmark::kMicrosecond);
void BM_ReadPreDataBaseline(benchmark::State& state) {
  ReadWhole(state, kPreDataFile);
}
BENCHMARK(BM_ReadPreDataBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrada
