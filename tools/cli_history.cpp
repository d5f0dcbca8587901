// ostrada-cli history CODE | history load F | history contracts CODE: a stock's daily, weekly,
// monthly or minute bars from the embedded exchange, their files, text and chart; and the whole
// day's contract tape.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "basesrc/foundation/report.h"
#include "basesrc/codeinfo.h"
#include "basesrc/coninfo.h"
#include "basesrc/dayfunc.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/movepair.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"
#include "tools/svg_chart.h"

namespace ostrada::cli {
namespace {

struct HistoryOptions {
  ExchangeSetup exchange;
  std::string code;
  std::string kind = "D";
  int32_t interval = 1;
  int32_t count = 250;
  int32_t from = 0;
  int32_t to = 0;
  bool save = false;
  std::string saveFile;
  std::string textFile;
  std::string svgFile;
  std::string averagesFile;
  std::string loadFile;
  bool json = false;
};

bool IsIndex(const std::string& code) {
  return code == "U001" || code == "U201";
}

std::string Price(int32_t value, int hundredths) {
  if (hundredths != 1) return FormatNumber(int64_t{value});
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value / 100.0);
  return text;
}

std::string Date(int32_t key, char kind) {
  char text[16];
  if (kind == 'B') {
    std::snprintf(text, sizeof text, "%02d:%02d", key / 100, key % 100);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", key / 10000, key / 100 % 100, key % 100);
  }
  return text;
}

void PrintSummary(const DaySeries& series, int hundredths) {
  const char kind = series.Kind();
  std::printf("%s%s\n", Said(Txt::kHistoryCliTitle, Cp949ToUtf8(series.Code()), Cp949ToUtf8(series.Name()), kind).c_str(),
              kind == 'B' ? Said(Txt::kHistoryCliMinutes, series.Interval()).c_str() : "");
  Say(Txt::kHistoryCliBars, series.Count());
  if (series.Count() == 0) return;
  auto point = [&](Txt label, KeyValue pair) { Say(label, Date(pair.key, kind), Price(pair.value, hundredths)); };
  point(Txt::kHistoryCliFirst, series.FirstPair());
  point(Txt::kHistoryCliLast, series.LastPair());
  point(Txt::kHistoryCliHigh, series.HighPair());
  point(Txt::kHistoryCliLow, series.LowPair());
  const int jump = DayJumpCheck(series, series.Oldest(), series.Newest());
  Say(jump == 1 ? Txt::kHistoryCliJump : jump == 0 ? Txt::kHistoryCliClean : Txt::kHistoryCliUnchecked);
}

// A price as the text shows it: won, or the index in points with two decimals.
JsonDocument PriceJson(int32_t value, int hundredths) {
  return hundredths == 1 ? JsonDocument(value / 100.0) : JsonDocument(value);
}

// The series as one document, oldest bar first; field names listed in the README.
void PrintJson(const DaySeries& series, int hundredths) {
  const char kind = series.Kind();
  auto point = [&](KeyValue pair) { return JsonDocument{{"date", Date(pair.key, kind)}, {"price", PriceJson(pair.value, hundredths)}}; };
  JsonDocument bars = JsonDocument::array();
  for (const DayBar* bar = series.Oldest(); bar != nullptr; bar = bar->newer) {
    const PriceBar& p = bar->price;
    bars.push_back({{"date", Date(p.time, kind)},
                    {"open", PriceJson(p.open, hundredths)},
                    {"high", PriceJson(p.high, hundredths)},
                    {"low", PriceJson(p.low, hundredths)},
                    {"close", PriceJson(p.close, hundredths)},
                    {"volume", p.volume}});
  }
  JsonDocument document = {{"code", Cp949ToUtf8(series.Code())},
                           {"name", Cp949ToUtf8(series.Name())},
                           {"kind", std::string(1, kind)},
                           {"interval", kind == 'B' ? JsonDocument(series.Interval()) : JsonDocument()},
                           {"count", series.Count()}};
  if (series.Count() > 0) {
    const int jump = DayJumpCheck(series, series.Oldest(), series.Newest());
    document["first"] = point(series.FirstPair());
    document["last"] = point(series.LastPair());
    document["high"] = point(series.HighPair());
    document["low"] = point(series.LowPair());
    document["jumpCheck"] = jump == 1 ? "jump" : jump == 0 ? "clean" : "n/a";
  }
  document["bars"] = std::move(bars);
  std::printf("%s\n", JsonDump(document).c_str());
}

void PrintSeries(const DaySeries& series, int hundredths, bool json) {
  if (json) {
    PrintJson(series, hundredths);
  } else {
    PrintSummary(series, hundredths);
  }
}

int WriteOutputs(const DaySeries& series, const HistoryOptions& options, int hundredths) {
  if (!options.textFile.empty() && !series.ExportText(options.textFile.c_str(), hundredths))
    return Fail(Txt::kCliCannotWrite, options.textFile);
  if (!options.averagesFile.empty()) {
    MovingAverageList averages;
    if (!averages.Build(series, 0) || !averages.Save(options.averagesFile.c_str()))
      return Fail(Txt::kCliCannotWrite, options.averagesFile);
  }
  if (!options.svgFile.empty() && !ReplaceFileWith(options.svgFile.c_str(), SeriesChartSvg(series, hundredths)))
    return Fail(Txt::kCliCannotWrite, options.svgFile);
  return kExitOk;
}

// The name the listing gives the code; the index names are the system's own.
std::string NameOf(StocGate& gate, const std::string& code) {
  if (code == "U001") return Text(Txt::kDayIndexName);
  if (IsIndex(code)) return code;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  const CodeInfo* entry = book ? book->FindByCode(code.c_str()) : nullptr;
  return entry != nullptr && entry->key.name ? entry->key.name.get() : std::string();
}

int RunDownload(HistoryOptions options) {
  if (options.kind.size() != 1 || std::string("DWMB").find(options.kind[0]) == std::string::npos)
    return Fail(Txt::kHistoryCliKind);
  const char kind = options.kind[0];
  std::unique_ptr<sim::Exchange> exchange = StartExchange(options.exchange);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  const std::string code = Utf8ToCp949(options.code);
  const std::string name = NameOf(gate, code);
  if (name.empty()) return Fail(Txt::kCliNoSuchStock, options.code);
  const int hundredths = IsIndex(code) ? 1 : 0;
  std::unique_ptr<DaySeries> series =
      kind == 'B' ? gate.DownloadMinuteBarsNew(code.c_str(), name.c_str(), options.interval, options.count, hundredths)
                  : gate.DownloadBarsNew(code.c_str(), name.c_str(), options.count, options.interval, kind,
                                         options.from, options.to, hundredths);
  if (!series) return Fail(Txt::kCliBarsNotReceived, options.code);
  PrintSeries(*series, hundredths, options.json);
  if (options.save) {
    std::string path = options.saveFile;
    if (path.empty()) {
      path = StocGate::SeriesFileName(DataFolder(), code.c_str(), kind);
      if (path.empty()) return Fail(Txt::kCliNoDataFolder);
      std::error_code ignored;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    }
    if (!series->Save(path.c_str())) return Fail(Txt::kCliCannotSave, path);
    if (!options.json) Say(Txt::kHistoryCliSaved, path);
  }
  return WriteOutputs(*series, options, hundredths);
}

int RunLoad(const HistoryOptions& options) {
  StocGate gate;
  FileReading reading(options.loadFile);
  std::unique_ptr<DaySeries> series = gate.LoadSeriesFile(options.loadFile.c_str(), 0);
  if (!reading.Done(series != nullptr)) return kExitFailure;
  const int hundredths = IsIndex(series->Code()) ? 1 : 0;
  PrintSeries(*series, hundredths, options.json);
  return WriteOutputs(*series, options, hundredths);
}

int RunContracts(const HistoryOptions& options) {
  std::unique_ptr<sim::Exchange> exchange = StartExchange(options.exchange);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  const std::string code = Utf8ToCp949(options.code);
  const std::string name = NameOf(gate, code);
  if (name.empty()) return Fail(Txt::kCliNoSuchStock, options.code);
  std::unique_ptr<ContractTape> tape = gate.DownloadAllContracts(code.c_str(), name.c_str());
  if (!tape) return Fail(Txt::kCliContractsNotReceived, options.code);
  Say(Txt::kHistoryCliContracts, options.code, Cp949ToUtf8(name), tape->Count());
  if (!tape->Save(options.saveFile.c_str())) return Fail(Txt::kCliCannotSave, options.saveFile);
  return kExitOk;
}

void AddOutputs(CLI::App& command, HistoryOptions& options) {
  command.add_option("--text", options.textFile, Words(Txt::kCliOptBarsText));
  command.add_option("--svg", options.svgFile, Words(Txt::kCliOptBarsSvg));
  command.add_option("--averages", options.averagesFile, Words(Txt::kCliOptBarsAverages));
}

void Register(CLI::App& app) {
  auto options = std::make_shared<HistoryOptions>();
  CLI::App* history = app.add_subcommand("history", Words(Txt::kCliHelpHistory));
  history->require_subcommand(0, 1);
  history->add_option("CODE", options->code, Words(Txt::kCliOptHistoryCode));
  history->add_option("--kind", options->kind, Words(Txt::kCliOptHistoryKind))->capture_default_str();
  history->add_option("--interval", options->interval, Words(Txt::kCliOptHistoryInterval))->check(CLI::Range(1, 60));
  history->add_option("--count", options->count, Words(Txt::kCliOptHistoryCount))->check(CLI::Range(1, 9999))->capture_default_str();
  history->add_option("--from", options->from, Words(Txt::kCliOptFirstDate))->check(DateCheck());
  history->add_option("--to", options->to, Words(Txt::kCliOptLastDate))->check(DateCheck());
  history->add_flag("--json", options->json, Words(Txt::kCliOptHistoryJson));
  CLI::Option* save =
      history->add_option("--save", options->saveFile, Words(Txt::kCliOptHistorySave));
  save->expected(0, 1);
  AddOutputs(*history, *options);
  AddExchangeSetupOptions(*history, options->exchange);
  history->callback([history, options, save] {
    if (!history->get_subcommands().empty()) return;
    if (options->code.empty()) {
      SetExitCode(Fail(Txt::kHistoryCliWantsCode));
      return;
    }
    options->save = save->count() > 0;
    SetExitCode(RunDownload(*options));
  });

  CLI::App* load = history->add_subcommand("load", Words(Txt::kCliHelpHistoryLoad));
  load->add_option("FILE", options->loadFile, Words(Txt::kCliOptSeriesFile))->required();
  load->add_flag("--json", options->json, Words(Txt::kCliOptHistoryJson));
  AddOutputs(*load, *options);
  load->callback([options] { SetExitCode(RunLoad(*options)); });

  CLI::App* contracts = history->add_subcommand("contracts", Words(Txt::kCliHelpHistoryContracts));
  contracts->add_option("CODE", options->code, Words(Txt::kCliOptStockCode))->required();
  contracts->add_option("--save", options->saveFile, Words(Txt::kCliOptTapeFile))->required();
  AddExchangeSetupOptions(*contracts, options->exchange);
  contracts->callback([options] { SetExitCode(RunContracts(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
