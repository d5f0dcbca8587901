// The code-list download of the default listing and the joining of the whole book into request runs.
// Each figure comes with a baseline from the same run: the bare server calls the download makes, and a
// plain std::string join of the same codes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"

namespace {

using namespace ostrada;

constexpr int kRun = 110;

struct DefaultMarket {
  sim::Exchange exchange;
  broker::ScopedServer server{exchange};
};

// The server calls of one download (count, 3 list items and 9 attributes per stock), without the book.
void BM_DownloadServerCallsOnly(benchmark::State& state) {
  DefaultMarket market;
  for (auto _ : state) {
    auto manager = broker::CreateAs<broker::ICodeManager>(broker::clsid::kCodeManager);
    auto list = broker::CreateAs<broker::IStockCodeList>(broker::clsid::kStockCodeList);
    const int16_t stocks = list->Count();
    for (int16_t i = 0; i < stocks; ++i) {
      const std::string code = list->Data(0, i).ToText();
      benchmark::DoNotOptimize(list->Data(1, i).ToText());
      benchmark::DoNotOptimize(list->Data(2, i).ToText());
      for (int slot = 17; slot <= 25; ++slot) benchmark::DoNotOptimize(manager->CodeAttribute(slot, code));
    }
    state.counters["stocks"] = stocks;
  }
}
BENCHMARK(BM_DownloadServerCallsOnly)->Unit(benchmark::kMillisecond);

// The whole download as the application runs it: by name, market 3 dropped.
void BM_DownloadCodes(benchmark::State& state) {
  DefaultMarket market;
  StocGate gate;
  for (auto _ : state) {
    std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 1);
    if (!book) {
      state.SkipWithError("download failed");
      break;
    }
    state.counters["stocks"] = book->Count();
  }
}
BENCHMARK(BM_DownloadCodes)->Unit(benchmark::kMillisecond);

std::unique_ptr<CodeInfoList> DefaultBook() {
  DefaultMarket market;
  return StocGate().DownloadCodes(kSortByName, 1);
}

// Baseline: the same runs joined into a std::string from the list.
void BM_JoinWholeBookBaseline(benchmark::State& state) {
  const auto book = DefaultBook();
  for (auto _ : state) {
    int runs = 0;
    std::string text;
    int inRun = 0;
    for (const CodeInfo* s = book->First(); s != nullptr; s = s->next) {
      if (inRun == kRun) {
        benchmark::DoNotOptimize(text.data());
        text.clear();
        inRun = 0;
        ++runs;
      }
      if (inRun > 0) text += ',';
      text += s->key.code;
      ++inRun;
    }
    benchmark::DoNotOptimize(text.data());
    benchmark::DoNotOptimize(runs);
  }
}
BENCHMARK(BM_JoinWholeBookBaseline)->Unit(benchmark::kMicrosecond);

// JoinCodes over the whole book in runs of 110, as the multi-stock price download asks for them.
void BM_JoinCodesWholeBook(benchmark::State& state) {
  const auto book = DefaultBook();
  for (auto _ : state) {
    int runs = 0;
    for (int start = 0; start < book->Count(); ++runs) {
      int taken = 0;
      HeapText codes = book->JoinCodes(start, kRun, &taken);
      benchmark::DoNotOptimize(codes.get());
      start += taken;
    }
    state.counters["runs"] = runs;
  }
}
BENCHMARK(BM_JoinCodesWholeBook)->Unit(benchmark::kMicrosecond);

}  // namespace
