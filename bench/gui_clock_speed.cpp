// The clock running at ×100 and ×1000 with the full workspace open, driven as the program drives it:
// each beat of the pump timer (every ServerLink::kPumpIntervalMs of wall time) moves the exchange by
// that time times the speed, then the board's polls beat (its indexes and the holdings' prices,
// asked again each 3 s of the session or of the wall), the watch desk looks, and the event loop
// delivers what was posted and paints what changed. The wall clock is simulated, so every run takes
// the same steps; CPU time is real.
//
// ×100 (09:00 to 10:00): "p99_ms", the 99th percentile of event to paint, from a server event's
// delivery to the end of the paint that shows it (this thread's CPU time, so other processes on the
// machine do not count; "p99_wall_ms" beside it in wall time), and "core", the share of a core the
// program takes (CPU time over the wall time the beats stand for). Goals: p99 < 16 ms, core < 0.5.
// ×1000 (09:00 to the end of the day): "lag_s", the longest any window stood behind the clock, in
// session seconds: a window stands at the clock when it shows what a window opened at that moment
// shows (the contract list: its newest page; an order form, asked when the watched one was and at its
// typed price, its "가능 수량"), so each window is compared with a fresh one of its kind every beat. Goal: < 1 s. The baseline of both: the bare exchange with the same resting
// orders taking the same steps ("x_bare": CPU over the bare exchange's).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/serverlink.h"
#include "app/sessionpace.h"
#include "app/watchdesk.h"
#include "app/windowmessages.h"
#include "basesrc/eventsink.h"
#include "basesrc/foundation/uisink.h"
#include "basesrc/watchlist.h"
#include "bench/full_workspace.h"
#include "bench/gui_bench.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_stock.h"
#include "tests/support/shown_window.h"

namespace ostrada {
namespace {

constexpr int64_t kBeatMs = ServerLink::kPumpIntervalMs;

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double WallMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// When each server event reached a window, this beat.
class EventStamps : public QObject {
 public:
  struct Stamp {
    double cpu;
    double wall;
  };
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == WindowMessageEvent::TypeOf(WM_EVENT_RECEIVED)) stamps.push_back({ThreadCpuMs(), WallMs()});
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  std::vector<Stamp> stamps;
  int64_t paints = 0;
};

double Percentile(std::vector<double> values, double part) {
  if (values.empty()) return 0;
  const auto at = static_cast<size_t>(part * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<long>(at), values.end());
  return values[at];
}

// The program on the workspace, its wall clock in the benchmark's hands.
class Program {
 public:
  explicit Program(double speed) : workspace_([this] { return wall_; }) {
    if (!workspace_.Ready()) return;
    App().Exchange()->SetSpeed(speed);
    desk_ = App().MainFrame()->findChild<WatchDesk*>(QStringLiteral("watchDesk"));
    paces_ = Board().findChildren<SessionPace*>() + App().Indexes().findChildren<SessionPace*>();
    workspace_.Paint();
    QCoreApplication::processEvents();
  }
  bool Ready() const { return workspace_.Ready(); }
  const bench::RestingOrders& Orders() const { return workspace_.Orders(); }
  CostradaApp& App() { return workspace_.App(); }
  sim::ExchangeClock& Clock() { return App().Exchange()->Clock(); }
  QTemporaryDir& Folder() { return workspace_.Folder(); }

  // One beat of the timers and what the event loop does after it.
  void Beat() {
    wall_ += kBeatMs;
    App().Exchange()->Pump();
    // The board's polls, which beat at the pump's interval and ask when their time has come.
    for (SessionPace* pace : paces_) pace->Beat();
    if (desk_ != nullptr) desk_->Look();
    // The windows' update requests: each paints what its events changed, as the event loop would.
    QCoreApplication::sendPostedEvents();
  }
  CHomeBoard& Board() { return *qobject_cast<CHomeBoard*>(App().MainFrame()->centralWidget()); }

 private:
  int64_t wall_ = bench::kWorkspaceWallMs;
  bench::FullWorkspace workspace_;
  WatchDesk* desk_ = nullptr;
  QList<SessionPace*> paces_;
};

// The bare exchange's CPU milliseconds for the same steps, with the same resting orders.
double BareMs(const bench::RestingOrders& orders, double speed, int64_t untilMs) {
  int64_t wall = bench::kWorkspaceWallMs;
  bench::BareWorkspace bare(orders, [&wall] { return wall; });
  if (!bare.Ready()) return 0;
  sim::Exchange& exchange = bare.Exchange();
  exchange.SetSpeed(speed);
  const double start = ThreadCpuMs();
  while (exchange.Clock().TimeOfDay() < untilMs) {
    wall += kBeatMs;
    exchange.Pump();
  }
  return ThreadCpuMs() - start;
}

void BM_Speed100EventToPaint(benchmark::State& state) {
  bench::HeadlessApplication();
  bench::CountingSink sink;
  ScopedUiSink scoped(sink);
  constexpr int64_t kUntil = 10 * sim::kMsPerHour;
  for (auto _ : state) {
    Program program(100);
    if (!program.Ready()) return state.SkipWithError("the workspace did not open");
    EventStamps stamps;
    qApp->installEventFilter(&stamps);
    std::vector<double> cpuLatencies;
    std::vector<double> wallLatencies;
    int beats = 0;
    double cpu = 0;
    while (program.Clock().TimeOfDay() < kUntil) {
      stamps.stamps.clear();
      const double start = ThreadCpuMs();
      program.Beat();
      const double paintedCpu = ThreadCpuMs();
      const double paintedWall = WallMs();
      cpu += paintedCpu - start;
      ++beats;
      for (const EventStamps::Stamp& stamp : stamps.stamps) {
        cpuLatencies.push_back(paintedCpu - stamp.cpu);
        wallLatencies.push_back(paintedWall - stamp.wall);
      }
    }
    qApp->removeEventFilter(&stamps);
    const double bare = BareMs(program.Orders(), 100, kUntil);
    if (bare <= 0) return state.SkipWithError("the bare exchange refused an order");
    state.SetIterationTime(cpu / 1e3);
    state.counters["p99_ms"] = Percentile(cpuLatencies, 0.99);
    state.counters["p99_wall_ms"] = Percentile(wallLatencies, 0.99);
    state.counters["events"] = static_cast<double>(cpuLatencies.size());
    state.counters["paints"] = static_cast<double>(stamps.paints);
    state.counters["core"] = cpu / static_cast<double>(beats * kBeatMs);
    state.counters["bare_core"] = bare / static_cast<double>(beats * kBeatMs);
    state.counters["x_bare"] = cpu / bare;
  }
  if (sink.messages != 0) state.SkipWithError("a message was shown");
}
BENCHMARK(BM_Speed100EventToPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// A window of the workspace beside a fresh one of its kind, opened at each moment it is compared.
struct Watched {
  std::string name;
  QWidget* window;
  int command;  // 0: the board
  int64_t standsAt = 0;
  int64_t lag = 0;
};

// The fresh window shows nothing the watched one does not: the same labels, bars and tables, a
// contract list's newest page on top of the watched one.
bool ShowsAsFresh(QWidget& window, QWidget& fresh) {
  const testing::Shown watched = testing::WhatIsShown(window);
  const testing::Shown now = testing::WhatIsShown(fresh);
  if (watched.labels != now.labels || watched.bars != now.bars || watched.tables.size() != now.tables.size()) {
    return false;
  }
  for (size_t t = 0; t < now.tables.size(); ++t) {
    const std::vector<std::string>& rows = now.tables[t].second;
    const std::vector<std::string>& shown = watched.tables[t].second;
    if (shown.size() < rows.size() || !std::equal(rows.begin(), rows.end(), shown.begin())) return false;
    if (now.tables[t].first != "list1386" && shown.size() != rows.size()) return false;
  }
  return true;
}

std::unique_ptr<QWidget> FreshBoard(Program& program) {
  std::vector<WatchEntry> entries;
  for (const WatchRow& row : program.Board().Model().Rows()) entries.push_back({row.code, row.name});
  const std::string path = program.Folder().filePath(QStringLiteral("fresh-watchlist.txt")).toStdString();
  if (SaveWatchlist(path, entries, "watch") != 1) return nullptr;
  return std::make_unique<CHomeBoard>(program.App().AllCodes(), program.App().Session(), program.App().Indexes(),
                                      nullptr, path);
}

// An order form shows "가능 수량" once it was asked with its stock (its 조회, a fill, the close): what
// the price typed in it buys, or with none typed the price of the moment. A form opened on a stock was
// not asked yet, so the fresh one is asked, at the watched one's typed price, when the watched one was.
void AskAsWatched(QWidget& watched, QWidget& fresh) {
  constexpr int kQuantityRow = 1;
  const auto* account = watched.findChild<QTableWidget*>(QStringLiteral("list1422"));
  const QTableWidgetItem* asked = account != nullptr ? account->item(kQuantityRow, 1) : nullptr;
  if (asked == nullptr || asked->text().isEmpty()) return;
  fresh.findChild<QLineEdit*>(QStringLiteral("edit1421"))
      ->setText(watched.findChild<QLineEdit*>(QStringLiteral("edit1421"))->text());
  fresh.findChild<QPushButton*>(QStringLiteral("button1423"))->click();
}

bool StandsAtTheClock(Program& program, const Watched& watched) {
  if (watched.command == 0) {
    std::unique_ptr<QWidget> fresh = FreshBoard(program);
    return fresh && ShowsAsFresh(*watched.window, *fresh);
  }
  WorkWindow* fresh = bench::OpenOnStock(program.App().MainFrame()->Workspace(), watched.command, program.Orders().code);
  if (fresh == nullptr) return false;
  fresh->Toggle().setChecked(false);
  AskAsWatched(*watched.window, fresh->Window());
  const bool same = ShowsAsFresh(*watched.window, fresh->Window());
  fresh->Window().close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return same;
}

void BM_Speed1000Lag(benchmark::State& state) {
  bench::HeadlessApplication();
  bench::CountingSink sink;
  ScopedUiSink scoped(sink);
  for (auto _ : state) {
    Program program(1000);
    if (!program.Ready()) return state.SkipWithError("the workspace did not open");
    std::vector<Watched> watched = {{"board", &program.Board(), 0}};
    const std::map<int, const char*> names = {{kCmdQuote10, "quote10"}, {kCmdQuote5, "quote5"},
                                              {kCmdContract, "contracts"}, {kCmdQuoteOrder, "quoteorder"},
                                              {kCmdChart, "chart"}};
    for (WorkWindow* window : program.App().MainFrame()->Workspace().Windows()) {
      watched.push_back({names.at(window->Command()), &window->Window(), window->Command()});
    }
    for (Watched& each : watched) each.standsAt = program.Clock().TimeOfDay();
    int beats = 0;
    double cpu = 0;
    while (program.Clock().TimeOfDay() < sim::kCloseMs + 30 * sim::kMsPerMinute) {
      const double start = ThreadCpuMs();
      program.Beat();
      cpu += ThreadCpuMs() - start;
      ++beats;
      const int64_t now = program.Clock().TimeOfDay();
      for (Watched& each : watched) {
        if (StandsAtTheClock(program, each)) each.standsAt = now;
        each.lag = std::max(each.lag, now - each.standsAt);
      }
    }
    const double bare = BareMs(program.Orders(), 1000, sim::kCloseMs + 30 * sim::kMsPerMinute);
    if (bare <= 0) return state.SkipWithError("the bare exchange refused an order");
    state.SetIterationTime(cpu / 1e3);
    int64_t worst = 0;
    std::string label;
    for (const Watched& each : watched) {
      worst = std::max(worst, each.lag);
      state.counters["lag_s_" + each.name] = static_cast<double>(each.lag) / 1e3;
    }
    state.counters["lag_s"] = static_cast<double>(worst) / 1e3;
    state.counters["core"] = cpu / static_cast<double>(beats * kBeatMs);
    state.counters["x_bare"] = cpu / bare;
  }
  if (sink.messages != 0) state.SkipWithError("a message was shown");
}
BENCHMARK(BM_Speed1000Lag)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace
}  // namespace ostrada
