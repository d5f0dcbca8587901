// Start-up with a remembered workspace: the program starts on the full market and restores a
// six-window layout (both quote windows, a second 10-level one, the contract window and both order
// windows, each on its stock), until every window has been painted once. The baseline is the same
// start with a clean layout (the frame alone) in the same run; the restore's own share is the
// difference. Reported per start: wall time (the goal: under 0.5 s), and the windows painted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <memory>

#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/uisink.h"
#include "bench/gui_bench.h"

namespace ostrada {
namespace {

StartOptions Options(const QString& layoutFile, bool clean) {
  StartOptions options;
  options.exchange.seed = 7;
  options.rememberLayout = true;
  options.layoutFile = layoutFile;
  options.cleanLayout = clean;
  return options;
}

// Leaves the six-window layout in the file, as a user's quit does.
void WriteLayout(const QString& layoutFile) {
  CostradaApp app(Options(layoutFile, true));
  if (!app.InitInstance()) return;
  WorkWindows& workspace = app.MainFrame()->Workspace();
  const int commands[] = {kCmdQuote10, kCmdQuote5, kCmdQuote10, kCmdContract, kCmdOrder, kCmdQuoteOrder};
  int k = 0;
  for (int command : commands) {
    WorkWindow* window = workspace.Open(command);
    window->Toggle().setChecked(false);  // each keeps its own stock
    window->ShowStock(app.AllCodes()->GetAt(k++ * 7)->key.code);
  }
  app.MainFrame()->close();
}

// Starts the program and paints every window it shows; the number of windows painted.
int StartAndPaint(const QString& layoutFile, bool clean) {
  CostradaApp app(Options(layoutFile, clean));
  if (!app.InitInstance()) return -1;
  QCoreApplication::processEvents();
  int painted = app.MainFrame()->grab().isNull() ? 0 : 1;
  for (WorkWindow* window : app.MainFrame()->Workspace().Windows()) {
    if (!window->Window().grab().isNull()) ++painted;
  }
  return painted;
}

void RunStarts(benchmark::State& state, bool clean) {
  bench::HeadlessApplication();
  bench::CountingSink sink;
  ScopedUiSink scoped(sink);
  QTemporaryDir folder;
  const QString layoutFile = folder.filePath(QStringLiteral("layout.ini"));
  WriteLayout(layoutFile);
  int painted = 0;
  for (auto _ : state) painted = StartAndPaint(layoutFile, clean);
  if (painted != (clean ? 1 : 7)) state.SkipWithError("not every window was painted");
  if (sink.messages != 0) state.SkipWithError("a message was shown");
  state.counters["windows_painted"] = painted;
}

void BM_StartRestoringSixWindows(benchmark::State& state) {
  RunStarts(state, false);
}
BENCHMARK(BM_StartRestoringSixWindows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_BaselineStartClean(benchmark::State& state) {
  RunStarts(state, true);
}
BENCHMARK(BM_BaselineStartClean)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace ostrada
