// ostrada-cli predata build | load: the whole market's pre-data list for a trading day, from the
// embedded exchange's daily bars, saved as the ".spd" file; and a saved list for a person to read.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "basesrc/foundation/report.h"
#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/files.h"
#include "basesrc/movepair.h"
#include "basesrc/numberformat.h"
#include "basesrc/predata.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"
#include "tools/trading_days.h"

namespace ostrada::cli {
namespace {

// Every bar the exchange keeps: a little over two years of trading days.
constexpr int32_t kDailyBars = 600;

struct PreDataOptions {
  ExchangeSetup exchange;
  int32_t date = 0;
  std::string saveFile;
  std::string loadFile;
  int32_t key = kPreDataKeyCode;
  std::string textFile;
  bool json = false;
};

double Seconds(std::chrono::steady_clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

// A bar on stderr, redrawn in place, only when stderr is a terminal.
class Progress {
 public:
  explicit Progress(int total) : total_(total), shown_(isatty(STDERR_FILENO) != 0) {}
  void Step(int done) {
    if (!shown_ || total_ <= 0 || (done % 25 != 0 && done != total_)) return;
    constexpr int kWidth = 40;
    const int filled = done * kWidth / total_;
    std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(filled, '#').c_str(), std::string(kWidth - filled, '.').c_str(),
                 done, total_);
    if (done == total_) std::fprintf(stderr, "\n");
  }

 private:
  int total_;
  bool shown_;
};

int RunBuild(const PreDataOptions& options) {
  std::unique_ptr<sim::Exchange> exchange = StartExchange(options.exchange);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) return Fail(Txt::kCliNoStocks);
  TradingDays days;
  if (!days.Download(gate)) return kExitFailure;
  // By default the base day that `patterns` screens on the clock's day: the session before it, also
  // before today's first bar exists.
  const int32_t date = options.date > 0 ? options.date : days.SessionBefore(ExchangeDate(*exchange));
  if (date == 0) return Fail(Txt::kCliNoSessionBefore, ExchangeDate(*exchange));
  if (!days.IsSession(date)) return Fail(Txt::kCliNotASession, date);
  // The last-info file is named after the base day of its records, whichever day that is.
  std::string path = options.saveFile;
  if (path.empty()) path = StocGate::LastInfoFileName(date);
  if (path.empty()) return Fail(Txt::kCliNoDataFolder);

  int total = 0;
  for (const CodeInfo* entry = book->First(); entry != nullptr; entry = entry->next)
    total += entry->attr.market == '1' || entry->attr.market == '2';
  Progress progress(total);
  PreDataList list;
  list.SetSortKey(kPreDataKeyCode);
  std::chrono::steady_clock::duration downloading{};
  std::chrono::steady_clock::duration building{};
  int done = 0;
  int withoutDate = 0;
  for (const CodeInfo* entry = book->First(); entry != nullptr; entry = entry->next) {
    if (entry->attr.market != '1' && entry->attr.market != '2') continue;
    const auto start = std::chrono::steady_clock::now();
    DaySeries series;
    if (gate.DownloadBarsFor(&series, entry->key.code, entry->key.name.get(), kDailyBars, 1, 'D', 0, 0, 0) < 0)
      return Fail(Txt::kCliBarsNotReceived, Cp949ToUtf8(entry->key.code));
    const auto downloaded = std::chrono::steady_clock::now();
    downloading += downloaded - start;
    // A stock that did not trade on the date (suspended, or listed later) has no record.
    if (series.Find(date) == nullptr) {
      ++withoutDate;
    } else {
      PreDataPtr record = PreDataRecordCreate();
      if (!record || !gate.BuildPreData(record.get(), series, 1, date) || !list.Insert(std::move(record)))
        return Fail(Txt::kPreDataCliRecordFailed, Cp949ToUtf8(entry->key.code));
    }
    building += std::chrono::steady_clock::now() - downloaded;
    progress.Step(++done);
  }
  list.Rebuild();
  if (!list.Save(path.c_str())) return Fail(Txt::kCliCannotSave, path);
  Say(Txt::kPreDataCliBuilt, date, list.Count(), withoutDate, Seconds(downloading), Seconds(building), path);
  return kExitOk;
}

std::string Pair(const KeyValue& pair) {
  return std::to_string(pair.key) + " " + FormatNumber(int64_t{pair.value});
}

// The date's own sums already hold its close: they complete tomorrow's lines. The date's averages
// are the day before's sums completed with the date's close.
MovingAverageEntry AveragesAtTheDate(const PreDataRecord& r) {
  MovingAverageEntry lines = r.days[1].averages;
  CompleteAverageEntry(&lines, r.bar.close);
  return lines;
}

std::string Line(const PreDataRecord& r) {
  const PriceBar& b = r.bar;
  const MovingAverageEntry lines = AveragesAtTheDate(r);
  std::string averages;
  for (int32_t value : lines.lines) averages += " " + FormatNumber(int64_t{value});
  return Said(Txt::kPreDataCliBar, Cp949ToUtf8(r.key.code), Cp949ToUtf8(r.key.name ? r.key.name.get() : ""), b.time,
              FormatNumber(int64_t{b.open}), FormatNumber(int64_t{b.high}), FormatNumber(int64_t{b.low}),
              FormatNumber(int64_t{b.close}), b.change, static_cast<double>(b.rate), FormatNumber(int64_t{b.volume})) +
         Said(Txt::kPreDataCliHistory, averages, Pair(r.cross), Pair(r.extreme), FormatNumber(int64_t{r.averageVolume5}),
              FormatNumber(int64_t{r.averageVolume20}), r.upperLimit.key, FormatNumber(int64_t{r.upperLimit.value}),
              r.upperLimitStreak, r.risingOrEven35, r.rising25, static_cast<double>(r.rateSum25));
}

// One record as a JSON object; field names listed in the README.
JsonDocument RecordJson(const PreDataRecord& r) {
  const PriceBar& b = r.bar;
  const MovingAverageEntry lines = AveragesAtTheDate(r);
  JsonDocument averages = JsonDocument::array();
  for (int32_t value : lines.lines) averages.push_back(value);
  auto pair = [](const KeyValue& p) { return JsonDocument{{"key", p.key}, {"value", p.value}}; };
  return {{"code", Cp949ToUtf8(r.key.code)},
          {"name", Cp949ToUtf8(r.key.name ? r.key.name.get() : "")},
          {"date", b.time},
          {"open", b.open},
          {"high", b.high},
          {"low", b.low},
          {"close", b.close},
          {"change", b.change},
          {"rate", std::round(static_cast<double>(b.rate) * 100.0) / 100.0},
          {"volume", b.volume},
          {"averages", std::move(averages)},
          {"cross", pair(r.cross)},
          {"extreme", pair(r.extreme)},
          {"averageVolume5", r.averageVolume5},
          {"averageVolume20", r.averageVolume20},
          {"upperLimit", pair(r.upperLimit)},
          {"upperLimitStreak", r.upperLimitStreak},
          {"risingOrEven35", r.risingOrEven35},
          {"rising25", r.rising25},
          {"rateSum25", std::round(static_cast<double>(r.rateSum25) * 10.0) / 10.0}};
}

int RunLoad(const PreDataOptions& options) {
  PreDataList list;
  FileReading reading(options.loadFile);
  if (!reading.Done(list.Load(options.loadFile.c_str(), options.key) != 0)) return kExitFailure;
  std::string text;
  JsonDocument records = JsonDocument::array();
  if (!options.json) Say(Txt::kPreDataCliLoaded, list.Count(), list.SortKey());
  for (const PreDataRecord* r = list.First(); r != nullptr; r = r->next) {
    const std::string line = Line(*r);
    if (options.json) {
      records.push_back(RecordJson(*r));
    } else {
      std::printf("%s\n", line.c_str());
    }
    if (!options.textFile.empty()) text += line + "\n";
  }
  if (options.json) {
    const JsonDocument document = {{"count", list.Count()}, {"key", list.SortKey()}, {"records", std::move(records)}};
    std::printf("%s\n", JsonDump(document).c_str());
  }
  if (!options.textFile.empty() && !ReplaceFileWith(options.textFile.c_str(), text))
    return Fail(Txt::kCliCannotWrite, options.textFile);
  return kExitOk;
}

void Register(CLI::App& app) {
  auto options = std::make_shared<PreDataOptions>();
  CLI::App* predata = app.add_subcommand("predata", Words(Txt::kCliHelpPreData));
  predata->require_subcommand(1);

  CLI::App* build = predata->add_subcommand("build", Words(Txt::kCliHelpPreDataBuild));
  build->add_option("--date", options->date, Words(Txt::kCliOptPreDataDate))
      ->check(DateCheck());
  build->add_option("--save", options->saveFile, Words(Txt::kCliOptPreDataSave));
  AddExchangeSetupOptions(*build, options->exchange, "--trading-date");
  build->callback([options] { SetExitCode(RunBuild(*options)); });

  CLI::App* load = predata->add_subcommand("load", Words(Txt::kCliHelpPreDataLoad));
  load->add_option("FILE", options->loadFile, Words(Txt::kCliOptSpdFile))->required();
  load->add_option("--key", options->key, Words(Txt::kCliOptPreDataKey))
      ->check(CLI::IsMember({1, 2, 11, 901}))
      ->capture_default_str();
  load->add_option("--text", options->textFile, Words(Txt::kCliOptPreDataText));
  load->add_flag("--json", options->json, Words(Txt::kCliOptJsonListing));
  load->callback([options] { SetExitCode(RunLoad(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
