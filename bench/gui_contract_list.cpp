// The contract list under a long trading day: a live contract must still reach the top of a list of
// 200,000 rows at once, and "Tx" must write such a list within a second. Each figure is read against
// the same operation on a list of 1,000 rows in the same run (a ratio near 1 for a row, near 200 for
// the file, means the cost does not grow faster than the list).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/confrm.h"
#include "app/contbl.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/uisink.h"
#include "tests/gui_contract/scripted_server.h"

namespace ostrada {
namespace {

// One open contract window on a scripted server, kept for the whole run.
struct Window {
  Window() : serverScope(server), sinkScope(sink) {
    CodeAttr attributes;
    CodeAttrInit(&attributes);
    attributes.market = '1';
    book.Insert("005930", "bench", &attributes);
    folder = std::filesystem::temp_directory_path() / "ostrada_bench_contract_list";
    std::filesystem::create_directories(folder);
    setenv("OSTRADA_DATA_DIR", folder.c_str(), 1);
    dialog = std::make_unique<CConDlg>(&book);
    dialog->show();
    server.history.pages = {{}};
    dialog->Frame()->SelectStock("005930", 0);
  }

  // Adds live rows through the server's event until the list holds `rows`.
  void FillTo(int rows) {
    CConTbl& table = *dialog->Frame()->Table();
    if (table.Model().rowCount() > rows) dialog->Frame()->SelectStock("005930", 0);
    testing::ScriptedContract contract;
    while (table.Model().rowCount() < rows) Fire(contract);
    QCoreApplication::processEvents();
  }

  void Fire(testing::ScriptedContract& contract) {
    contract.timeHHMMSS = 90000 + (contract.timeHHMMSS + 1) % 60;
    contract.price += contract.price % 7 == 0 ? 10 : -5;
    contract.change = contract.price - 10000;
    contract.side = contract.side == '1' ? '2' : '1';
    server.live->Fire(contract);
  }

  // Silent: no box may wait for a person in the middle of a measurement.
  class QuietSink : public UiSink {
   public:
    int ShowMessageBox(const std::string&, const std::string&, unsigned) override { return kIdOk; }
    void Beep() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
  };

  testing::ScriptedServer server;
  broker::ScopedServer serverScope;
  QuietSink sink;
  ScopedUiSink sinkScope;
  CodeInfoList book{kSortByCode};
  std::filesystem::path folder;
  std::unique_ptr<CConDlg> dialog;
};

Window& TheWindow() {
  static int argc = 1;
  static char name[] = "bench_gui_contract_list";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  (void)app;
  static Window window;
  return window;
}

// One live contract from the server's event to a new top row in the model and the view's books;
// the screen is repainted later, once for all rows that came in meanwhile.
void BM_LiveRow(benchmark::State& state) {
  Window& window = TheWindow();
  window.FillTo(static_cast<int>(state.range(0)));
  testing::ScriptedContract contract;
  for (auto _ : state) window.Fire(contract);
  QCoreApplication::processEvents();
  state.counters["rows"] = window.dialog->Frame()->Table()->Model().rowCount();
}
BENCHMARK(BM_LiveRow)->Arg(1000)->Arg(200000)->Unit(benchmark::kMicrosecond);

// The same with the window repainted after every row, as when contracts come slower than frames.
void BM_LiveRowRepainted(benchmark::State& state) {
  Window& window = TheWindow();
  window.FillTo(static_cast<int>(state.range(0)));
  testing::ScriptedContract contract;
  for (auto _ : state) {
    window.Fire(contract);
    QCoreApplication::processEvents();
  }
  state.counters["rows"] = window.dialog->Frame()->Table()->Model().rowCount();
}
BENCHMARK(BM_LiveRowRepainted)->Arg(1000)->Arg(200000)->Unit(benchmark::kMicrosecond);

// "Tx" over the whole list.
void BM_SaveText(benchmark::State& state) {
  Window& window = TheWindow();
  window.FillTo(static_cast<int>(state.range(0)));
  CConTbl& table = *window.dialog->Frame()->Table();
  for (auto _ : state) {
    if (table.SaveToText() != 1) state.SkipWithError("the list was not saved");
  }
  state.counters["rows"] = table.Model().rowCount();
}
BENCHMARK(BM_SaveText)->Arg(1000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrada
