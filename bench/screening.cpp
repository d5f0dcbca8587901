// Screening: the classifier's counting pass and whole-pack report over a market of 2,600 stocks with
// their pre-data records (against the bare pre-data lookups they make), the rising-rate selection
// over 60 checks, and the pack file against plain write() and read() of the same bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/ncdgate.h"
#include "basesrc/nowpack_print.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr int kStocks = 2600;

uint32_t Next(uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return state >> 8;
}

std::string CodeOf(int i) {
  char code[16];
  std::snprintf(code, sizeof code, "A%06d", i * 10);
  return code;
}

// A stock's block with a day's candle spread around its base price.
NowPrice Block(uint32_t& state, int32_t base, int32_t time) {
  NowPrice block;
  NowPriceReset(&block);
  const int32_t swing = base / 7;
  block.bar.time = time;
  block.bar.open = base + static_cast<int32_t>(Next(state) % static_cast<uint32_t>(swing)) - swing / 2;
  block.bar.close = base + static_cast<int32_t>(Next(state) % static_cast<uint32_t>(2 * swing)) - swing;
  block.bar.high = std::max(block.bar.open, block.bar.close) + static_cast<int32_t>(Next(state) % 50);
  block.bar.low = std::min(block.bar.open, block.bar.close) - static_cast<int32_t>(Next(state) % 50);
  block.bar.change = block.bar.close - base;
  block.bar.volume = static_cast<int32_t>(Next(state) % 1000000);
  block.basePrice = base;
  block.openingRef = block.bar.open;
  block.state = '2';
  block.volumeRatio = static_cast<int32_t>(Next(state) % 200);
  block.strength = static_cast<float>(Next(state) % 300);
  block.bar.rate = Percent(base, block.bar.change);
  return block;
}

// A market: one snapshot group and the pre-data list of its stocks, in code order.
struct Market {
  Market() {
    uint32_t state = 2026;
    group = std::make_unique<NowGate>(kNowKeyCode);
    list.SetSortKey(kPreDataKeyCode);
    for (int i = 0; i < kStocks; ++i) {
      const int32_t base = 1000 + static_cast<int32_t>(Next(state) % 90000);
      const NowPrice block = Block(state, base, 1400);
      group->AddRow(CodeOf(i).c_str(), ("stock" + std::to_string(i)).c_str(), &block, nullptr);
      PreDataPtr record = PreDataRecordCreate();
      CodeKeySet(&record->key, CodeOf(i).c_str(), "x");
      const int32_t lengths[] = {5, 20, 60, 120, 240, 480};
      for (int k = 0; k < 6; ++k) {
        const int32_t average = base + static_cast<int32_t>(Next(state) % static_cast<uint32_t>(base / 5)) - base / 10;
        record->averages.lines[k] = average * (lengths[k] - 1);
      }
      record->bar = {20261207, base, base, base, base, 0, 1000, 0.0f};
      for (PreDataDay& day : record->days) {
        day.averages = record->averages;
        day.bar = record->bar;
      }
      record->cross = {20261101, base * 9 / 10};
      record->extreme = {20261120, base * 11 / 10};
      record->averageVolume20 = static_cast<int32_t>(Next(state) % 100000);
      record->upperLimit = {static_cast<int32_t>(Next(state) % 40), base};
      record->rising25 = static_cast<int32_t>(Next(state) % 25);
      list.Insert(std::move(record));
    }
    group->Finish();
    list.Rebuild();
  }
  std::unique_ptr<NowGate> group;
  PreDataList list;
};

const Market& TheMarket() {
  static const Market market;
  return market;
}

std::unique_ptr<NowPack> PackOf(const Market& market) {
  auto pack = std::make_unique<NowPack>();
  pack->SetKey(kGroupKeyArrival);
  pack->SetParams({2000, 10});
  PatternCounts all;
  for (int32_t& counter : all.counters) counter = 1;
  pack->SetSelection(all);
  pack->Insert(std::make_unique<NowGate>(*market.group, 0));
  pack->Merge(*market.group);
  return pack;
}

// Baseline: only the pre-data lookups, one a stock.
void BM_PreDataLookups(benchmark::State& state) {
  const Market& market = TheMarket();
  for (auto _ : state) {
    for (const NowInfo* stock = market.group->First(); stock != nullptr; stock = stock->next)
      benchmark::DoNotOptimize(market.list.FindByCode(stock->key.code));
  }
  state.SetItemsProcessed(state.iterations() * kStocks);
}
BENCHMARK(BM_PreDataLookups)->Unit(benchmark::kMillisecond);

void BM_CountingPass(benchmark::State& state) {
  testing::RecordingScope quiet;
  const Market& market = TheMarket();
  std::unique_ptr<NowPack> pack = PackOf(market);
  for (auto _ : state) benchmark::DoNotOptimize(pack->CountPatterns(&market.list));
  state.SetItemsProcessed(state.iterations() * kStocks);
}
BENCHMARK(BM_CountingPass)->Unit(benchmark::kMillisecond);

void BM_WholePackReport(benchmark::State& state) {
  testing::RecordingScope quiet;
  const Market& market = TheMarket();
  std::unique_ptr<NowPack> pack = PackOf(market);
  pack->CountPatterns(&market.list);
  NowPack report;
  for (auto _ : state) benchmark::DoNotOptimize(ReportWholePack(*pack, report, &market.list));
  state.counters["groups"] = report.GroupCount();
}
BENCHMARK(BM_WholePackReport)->Unit(benchmark::kMillisecond);

// 2,600 stocks with 61 checks each; the selection over the last 60.
void BM_ScanSelect(benchmark::State& state) {
  testing::RecordingScope quiet;
  uint32_t seed = 7;
  NcdScan scan;
  for (int check = 0; check <= 60; ++check) {
    NowGate group(kNowKeyCode);
    for (int i = 0; i < kStocks; ++i) {
      const NowPrice block = Block(seed, 10000, 900 + check / 60 * 100 + check % 60);
      group.AddRow(CodeOf(i).c_str(), "x", &block, nullptr);
    }
    check == 0 ? scan.CreateFrom(group) : scan.AddGroup(group);
  }
  for (auto _ : state) benchmark::DoNotOptimize(scan.Select(60, 5.0f));
  state.SetItemsProcessed(state.iterations() * kStocks);
}
BENCHMARK(BM_ScanSelect)->Unit(benchmark::kMillisecond);

std::string PackPath() {
  return "/tmp/ostrada_bench_screening.pack";
}

// The pack of four market groups saved once; its bytes for the raw baselines.
std::vector<char> SavedPack() {
  static const std::vector<char> bytes = [] {
    const Market& market = TheMarket();
    std::unique_ptr<NowPack> pack = PackOf(market);
    for (int i = 0; i < 3; ++i) pack->Insert(std::make_unique<NowGate>(*market.group, 0));
    pack->Save(PackPath().c_str());
    std::vector<char> data(1 << 24);
    const int fd = ::open(PackPath().c_str(), O_RDONLY);
    data.resize(static_cast<size_t>(::read(fd, data.data(), data.size())));
    ::close(fd);
    return data;
  }();
  return bytes;
}

void BM_RawWrite(benchmark::State& state) {
  const std::vector<char> bytes = SavedPack();
  const std::string path = PackPath() + ".raw";
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond);

void BM_PackSave(benchmark::State& state) {
  testing::RecordingScope quiet;
  const Market& market = TheMarket();
  std::unique_ptr<NowPack> pack = PackOf(market);
  for (int i = 0; i < 3; ++i) pack->Insert(std::make_unique<NowGate>(*market.group, 0));
  const int64_t size = static_cast<int64_t>(SavedPack().size());
  for (auto _ : state) benchmark::DoNotOptimize(pack->Save(PackPath().c_str()));
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_PackSave)->Unit(benchmark::kMillisecond);

void BM_RawRead(benchmark::State& state) {
  const std::vector<char> bytes = SavedPack();
  std::vector<char> buffer(bytes.size());
  for (auto _ : state) {
    const int fd = ::open(PackPath().c_str(), O_RDONLY);
    benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_PackLoad(benchmark::State& state) {
  testing::RecordingScope quiet;
  const int64_t size = static_cast<int64_t>(SavedPack().size());
  NowPack pack;
  for (auto _ : state) benchmark::DoNotOptimize(pack.Load(PackPath().c_str()));
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_PackLoad)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada
