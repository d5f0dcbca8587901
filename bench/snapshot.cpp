// Snapshot groups: the whole-market download into a group ordered by rate and by arrival, the cost
// of filling a group by each key family as the group grows (a batch, as the download fills it; and
// one row at a time for comparison), and the group file against one plain read() and against the
// bare copy of its records.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

struct Row {
  std::string code;
  std::string name;
  NowPrice block;
};

// Stocks with spread rates, as a market's rows arrive (in code order).
std::vector<Row> MarketRows(int count) {
  std::vector<Row> rows(static_cast<size_t>(count));
  uint32_t state = 12345;
  for (int i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    Row& row = rows[static_cast<size_t>(i)];
    char code[16];
    std::snprintf(code, sizeof code, "A%06d", i * 10);
    row.code = code;
    row.name = "stock" + std::to_string(i);
    NowPriceReset(&row.block);
    const int32_t base = 1000 + static_cast<int32_t>(state % 90000);
    row.block.basePrice = base;
    row.block.bar.change = static_cast<int32_t>(state >> 16) % (base / 7 + 1) - base / 14;
    row.block.bar.close = base + row.block.bar.change;
    row.block.bar.volume = static_cast<int32_t>(state % 100000);
    row.block.value12 = static_cast<int32_t>((state >> 4) % 50000);
    row.block.bar.time = 90000 + i % 60;
  }
  return rows;
}

// One batch, sorted and linked once, as the download fills a group.
void Fill(NowGate* group, const std::vector<Row>& rows) {
  NowGateBatch batch(*group);
  for (const Row& row : rows) batch.AddRow(row.code.c_str(), row.name.c_str(), &row.block, nullptr);
  batch.Close();
}

// Filling a group from rows in memory by each key family: text (code, name), float (rate),
// whole number (volume, value 12) and arrival. Each should grow as n log n: 16 times the stocks
// within about 20 times the time.
void BM_FillGroup(benchmark::State& state) {
  const auto key = static_cast<int32_t>(state.range(0));
  const std::vector<Row> rows = MarketRows(static_cast<int>(state.range(1)));
  for (auto _ : state) {
    NowGate group(key);
    Fill(&group, rows);
    benchmark::DoNotOptimize(group.First());
  }
  state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_FillGroup)
    ->ArgNames({"key", "stocks"})
    ->ArgsProduct({{kNowKeyCode, kNowKeyName, kNowKeyRateDown, kNowKeyVolumeDown, kNowKeyValue12Down, kNowKeyArrival},
                   {2600, 10400, 41600}})
    ->Unit(benchmark::kMicrosecond);

// The same rows one at a time, each walking down the tree: the reference the batch replaces.
void BM_FillGroupRowByRow(benchmark::State& state) {
  const auto key = static_cast<int32_t>(state.range(0));
  const std::vector<Row> rows = MarketRows(static_cast<int>(state.range(1)));
  for (auto _ : state) {
    NowGate group(key);
    for (const Row& row : rows) group.AddRow(row.code.c_str(), row.name.c_str(), &row.block, nullptr);
    group.Finish();
    benchmark::DoNotOptimize(group.First());
  }
  state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_FillGroupRowByRow)
    ->ArgNames({"key", "stocks"})
    ->ArgsProduct({{kNowKeyRateDown}, {2600, 41600}})
    ->Unit(benchmark::kMicrosecond);

// The whole market from the embedded exchange, 110 codes a request, into a new group.
void BM_DownloadMarket(benchmark::State& state) {
  // Messages would only mean the benchmark is measuring a failure; count them instead of showing them.
  testing::RecordingScope recording;
  sim::Exchange exchange;
  broker::ScopedServer server(exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) {
    state.SkipWithError("no code book");
    return;
  }
  for (auto _ : state) {
    std::unique_ptr<NowGate> group = gate.DownloadNowBook(*book, static_cast<int32_t>(state.range(0)));
    if (!group) {
      state.SkipWithError("download failed");
      return;
    }
    benchmark::DoNotOptimize(group->First());
  }
  state.counters["stocks"] = book->Count();
  state.counters["messages"] = static_cast<double>(recording.sink.messages.size());
  state.SetItemsProcessed(state.iterations() * book->Count());
}
BENCHMARK(BM_DownloadMarket)->ArgName("key")->Arg(11)->Arg(991)->Unit(benchmark::kMillisecond);

std::string GroupFile() {
  return "/tmp/ostrada_bench_snapshot.stn";
}

void WriteGroupFile() {
  NowGate group(kNowKeyArrival);
  Fill(&group, MarketRows(2600));
  group.Save(GroupFile().c_str(), 0, 0);
}

void BM_SaveGroup(benchmark::State& state) {
  NowGate group(kNowKeyArrival);
  Fill(&group, MarketRows(2600));
  for (auto _ : state) benchmark::DoNotOptimize(group.Save(GroupFile().c_str(), 0, 0));
}
BENCHMARK(BM_SaveGroup)->Unit(benchmark::kMicrosecond);

void BM_LoadGroup(benchmark::State& state) {
  WriteGroupFile();
  for (auto _ : state) {
    NowGate group;
    benchmark::DoNotOptimize(group.Load(GroupFile().c_str(), static_cast<int32_t>(state.range(0))));
  }
}
BENCHMARK(BM_LoadGroup)->ArgName("key")->Arg(991)->Arg(11)->Unit(benchmark::kMicrosecond);

// The floor: the same bytes with one read().
void BM_ReadFileBaseline(benchmark::State& state) {
  WriteGroupFile();
  std::vector<char> buffer(4 << 20);
  for (auto _ : state) {
    const int fd = ::open(GroupFile().c_str(), O_RDONLY);
    benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
    ::close(fd);
  }
}
BENCHMARK(BM_ReadFileBaseline)->Unit(benchmark::kMicrosecond);

// The floor of any load that builds the records: the same read, then each stored record's bytes
// copied into a slot of the record's size with its name behind it, in fresh memory as a load gets it.
// Nothing is decoded, derived, sorted or linked; a load cannot come below this.
void BM_CopyRecordsFloor(benchmark::State& state) {
  WriteGroupFile();
  std::vector<uint8_t> bytes(4 << 20);
  for (auto _ : state) {
    const int fd = ::open(GroupFile().c_str(), O_RDONLY);
    const ssize_t size = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    const auto slots = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(size) * 2);
    char* slot = slots.get();
    for (size_t at = nowfile::kRecordsOffset; at + nowfile::kRecordOverhead <= static_cast<size_t>(size);) {
      uint32_t nameLength = 0;
      std::memcpy(&nameLength, bytes.data() + at + nowrecord::kFixedSize, sizeof nameLength);
      std::memcpy(slot, bytes.data() + at, nowrecord::kFixedSize);
      std::memcpy(slot + sizeof(NowInfo), bytes.data() + at + nowrecord::kFixedSize + 4, nameLength);
      slot += (sizeof(NowInfo) + nameLength + 1 + 7) & ~size_t{7};
      at += nowfile::kRecordOverhead + nameLength;
    }
    benchmark::DoNotOptimize(slot);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyRecordsFloor)->Unit(benchmark::kMicrosecond);

// The floor of a save: the same bytes with one write() to a truncated file.
void BM_WriteFileBaseline(benchmark::State& state) {
  WriteGroupFile();
  std::vector<char> bytes;
  {
    const int fd = ::open(GroupFile().c_str(), O_RDONLY);
    bytes.resize(static_cast<size_t>(::lseek(fd, 0, SEEK_END)));
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) bytes.clear();
    ::close(fd);
  }
  for (auto _ : state) {
    const int fd = ::open(GroupFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
    ::close(fd);
  }
}
BENCHMARK(BM_WriteFileBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrada
