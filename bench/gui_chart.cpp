// The chart and the home board under load, in one run:
// - a redraw of 520 daily bars (the model's layout and the painter walking it into an image the size
//   of a large chart window), beside a baseline that fills the same image and draws 520 plain bars;
// - the home board (20 live rows) and a chart window of the busiest stock open while the exchange
//   runs its first ten minutes of trading, the busiest of the day, in 20 ms steps: the time from the
//   start of each step (its events come after) to the end of the repaint it causes (p50, p99, max),
//   the events a second, the share of one core taken, and that no event was dropped (every row and
//   today's bar end equal to what the server reports).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <vector>

#include "app/chartview.h"
#include "app/chartwnd.h"
#include "app/homeboard.h"
#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/localtime.h"
#include "basesrc/nowfxin.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "bench/gui_bench.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr int kBars = 520;
constexpr QSize kChartSize(1400, 800);
constexpr int kStepMs = 20;
constexpr int kBusyMinutes = 10;

int64_t ThreadCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// 520 daily bars of a wandering price, deterministic.
chart::ChartData DailyBars() {
  chart::ChartData data;
  data.kind = 'D';
  int32_t close = 50000;
  uint32_t seed = 20261208;
  for (int i = 0; i < kBars; ++i) {
    seed = seed * 1664525 + 1013904223;
    const int32_t move = static_cast<int32_t>(seed >> 22) - 512;
    chart::Bar bar;
    bar.date = 20240000 + (1 + i / 22 % 12) * 100 + 1 + i % 22 + (i / 264) * 10000;
    bar.open = close;
    close = std::max(1000, close + move * 2);
    bar.close = close;
    bar.high = std::max(bar.open, bar.close) + static_cast<int32_t>(seed % 300);
    bar.low = std::min(bar.open, bar.close) - static_cast<int32_t>(seed % 200);
    bar.volume = 100000 + seed % 900000;
    bar.previousClose = bar.open;
    data.bars.push_back(bar);
  }
  chart::ComputeAverages(data);
  return data;
}

void BM_ChartLayout520(benchmark::State& state) {
  const chart::ChartData data = DailyBars();
  chart::Frame frame;
  frame.width = kChartSize.width();
  frame.height = kChartSize.height();
  for (auto _ : state) benchmark::DoNotOptimize(chart::Lay(data, chart::NewestView(kBars, kBars), frame));
}
BENCHMARK(BM_ChartLayout520)->Unit(benchmark::kMillisecond);

void BM_ChartRedraw520(benchmark::State& state) {
  bench::HeadlessApplication();
  const chart::ChartData data = DailyBars();
  CChartView view;
  view.resize(kChartSize);
  view.SetData(&data);
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  // Zoomed out to every bar.
  while (view.View().count < kBars) {
    QWheelEvent out(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &out);
  }
  QImage image(kChartSize, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    view.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["bars"] = view.View().count;
}
BENCHMARK(BM_ChartRedraw520)->Unit(benchmark::kMillisecond);

// The floor of any redraw: the same image filled and 520 plain bars drawn.
void BM_BaselineFill520(benchmark::State& state) {
  bench::HeadlessApplication();
  QImage image(kChartSize, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    for (int i = 0; i < kBars; ++i) painter.fillRect(QRectF(36 + i * 2.5, 100 + i % 300, 1.7, 40), Qt::red);
    painter.end();
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_BaselineFill520)->Unit(benchmark::kMillisecond);

void BM_BoardAndChartAtTheOpen(benchmark::State& state) {
  bench::HeadlessApplication();
  testing::RecordingScope recording;
  const std::string folder = (std::filesystem::temp_directory_path() / "ostrada-bench-chart").string();
  std::filesystem::create_directories(folder);
  for (auto _ : state) {
    sim::Exchange exchange;  // the full listing
    broker::ScopedServer server(exchange);
    ScopedTimeSource clock(exchange.Time());
    StocGate gate;
    std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 0);
    exchange.Advance(60'000);  // past the opening auction, so "most traded" means something
    std::filesystem::remove(folder + "/watchlist.txt");
    TradingSession session;
    IndexBars indexes;
    CHomeBoard board(book.get(), session, indexes, nullptr, folder + "/watchlist.txt");
    board.resize(800, 600);
    board.show();
    CChartWnd chart(book.get(), indexes);
    chart.show();
    chart.showStock(QString::fromLatin1(board.Model().Rows().front().code.c_str()));
    QCoreApplication::processEvents();

    std::vector<double> latencies;
    std::vector<double> cpuLatencies;
    const int64_t cpuStart = ThreadCpuNanoseconds();
    const int64_t eventsBefore = board.EventsShown() + chart.EventsShown();
    for (int step = 0; step < kBusyMinutes * 60'000 / kStepMs; ++step) {
      const int64_t before = board.EventsShown() + chart.EventsShown();
      const int64_t stepCpu = ThreadCpuNanoseconds();
      const auto start = std::chrono::steady_clock::now();
      exchange.Advance(kStepMs);
      QCoreApplication::processEvents();
      if (board.EventsShown() + chart.EventsShown() == before) continue;
      latencies.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      cpuLatencies.push_back(static_cast<double>(ThreadCpuNanoseconds() - stepCpu) / 1e6);
    }
    const double cpuSeconds = static_cast<double>(ThreadCpuNanoseconds() - cpuStart) / 1e9;
    const int64_t events = board.EventsShown() + chart.EventsShown() - eventsBefore;

    // Nothing dropped: every row and today's bar as the server has them now.
    int64_t wrong = 0;
    for (const WatchRow& row : board.Model().Rows()) {
      NowPrice now{};
      if (!gate.FetchNowPrice(&now, row.code.c_str()) || now.bar.close != row.price ||
          static_cast<uint32_t>(now.bar.volume) != row.volume) {
        ++wrong;
      }
    }
    std::unique_ptr<DaySeries> today = gate.DownloadBarsNew(chart.Code().c_str(), "x", 1, 1, 'D', 0, 0, 0);
    const chart::Bar& shown = chart.Data().bars.back();
    if (today == nullptr || today->Newest()->price.close != shown.close ||
        static_cast<uint32_t>(today->Newest()->price.volume) != shown.volume) {
      ++wrong;
    }
    if (wrong != 0 || !recording.sink.messages.empty()) {
      state.SkipWithError("a row or today's bar missed an event");
      break;
    }
    const double exchangeSeconds = kBusyMinutes * 60.0;
    state.counters["rows"] = static_cast<double>(board.Model().Rows().size());
    state.counters["events_per_s"] = static_cast<double>(events) / exchangeSeconds;
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
    state.counters["max_ms"] = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    // The same on this thread's CPU clock: the path's own cost, without the time other processes of a
    // busy machine took the core away.
    state.counters["cpu_p50_ms"] = Percentile(cpuLatencies, 0.50);
    state.counters["cpu_p99_ms"] = Percentile(cpuLatencies, 0.99);
    state.counters["core_share_pct"] = cpuSeconds / exchangeSeconds * 100.0;
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BoardAndChartAtTheOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace ostrada
