// ostrada-cli patterns | pack load: the pattern classifier over a whole-market snapshot of the
// embedded exchange with the stocks' pre-data records, its report and pack files.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "basesrc/foundation/report.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/files.h"
#include "basesrc/nowpack_print.h"
#include "basesrc/predata.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/trading_days.h"
#include "tools/json_output.h"

namespace ostrada::cli {
namespace {

struct PatternOptions {
  ExchangeSetup exchange{.at = "14:00:00"};
  std::string predataFile;
  std::string interestFile;
  std::string packFile;
  std::string reportPackFile;
  uint32_t volumeThreshold = 2000;  // the 2,000 shares the text of 2032 names
  int32_t risingDays = 15;
  int shown = 5;
  std::string loadFile;
  std::string textFile;
  bool json = false;
};

void PrintGroup(const NowGate& group, int shown) {
  std::printf("%s  %d\n", Cp949ToUtf8(group.Name()).c_str(), group.Count());
  int printed = 0;
  for (const NowInfo* stock = group.First(); stock != nullptr && printed < shown; stock = stock->next, ++printed) {
    const char* name = stock->key.name.get();
    std::printf("    %-8s %s  %+.2f%%\n", stock->key.code, Cp949ToUtf8(name != nullptr ? name : "").c_str(),
                static_cast<double>(stock->price.bar.rate));
  }
}

// Every pattern's count in the table, in the report's order, with the ones that did not occur.
void PrintCounts(const PatternCounts& totals) {
  int occurring = 0;
  std::string missing;
  for (int32_t code : kReportOrder) {
    int32_t count = 0;
    if (NowPack::PatternText(code, totals, &count) != nullptr) {
      ++occurring;
    } else {
      missing += " " + std::to_string(code);
    }
  }
  Say(Txt::kPatternsCliOccurring, occurring, static_cast<int>(std::size(kReportOrder)));
  if (!missing.empty()) Say(Txt::kPatternsCliNotOccurring, missing);
}

// The report as one document; field names listed in the README.
JsonDocument PatternsJson(const NowPack& pack, const NowPack& report, int32_t latestTime, int32_t records, int shown) {
  JsonDocument patterns = JsonDocument::array();
  for (int32_t code : kReportOrder) {
    int32_t count = 0;
    NowPack::PatternText(code, pack.Totals(), &count);
    const PatternInfo* pattern = FindPattern(code);
    patterns.push_back({{"code", code}, {"text", pattern != nullptr ? Cp949ToUtf8(Text(pattern->text)) : ""}, {"count", count}});
  }
  JsonDocument groups = JsonDocument::array();
  for (const NowGate* group = report.First(); group != nullptr; group = group->next) {
    JsonDocument stocks = JsonDocument::array();
    int listed = 0;
    for (const NowInfo* stock = group->First(); stock != nullptr && listed < shown; stock = stock->next, ++listed) {
      const char* name = stock->key.name.get();
      stocks.push_back({{"code", Cp949ToUtf8(stock->key.code)},
                        {"name", Cp949ToUtf8(name != nullptr ? name : "")},
                        {"rate", std::round(static_cast<double>(stock->price.bar.rate) * 100.0) / 100.0}});
    }
    groups.push_back({{"name", Cp949ToUtf8(group->Name())}, {"count", group->Count()}, {"stocks", std::move(stocks)}});
  }
  return {{"stocks", pack.Header().count},
          {"latestTime", latestTime},
          {"predataRecords", records},
          {"patterns", std::move(patterns)},
          {"groups", std::move(groups)}};
}

// The pre-data of the base day: the session before the one screened. Records of another day would
// give yesterday's averages and limit runs the wrong history.
int LoadPreData(StocGate& gate, const std::string& given, int32_t screened, bool quiet, PreDataList* list) {
  TradingDays days;
  if (!days.Download(gate)) return kExitFailure;
  const int32_t baseDay = days.SessionBefore(screened);
  if (baseDay == 0) return Fail(Txt::kCliNoSessionBefore, screened);
  std::string path = given;
  if (path.empty()) {
    path = StocGate::LastInfoFileName(baseDay);
    if (path.empty()) return Fail(Txt::kCliNoDataFolder);
    if (!quiet) Say(Txt::kPatternsCliLastInfo, path);
  }
  if (!FileExists(path.c_str()))
    return Fail(Txt::kPatternsCliNoPreData, path);
  FileReading reading(path);
  if (!reading.Done(list->Load(path.c_str(), kPreDataKeyCode) != 0)) return kExitFailure;
  for (const PreDataRecord* record = list->First(); record != nullptr; record = record->next) {
    if (record->bar.time != baseDay)
      return Fail(Txt::kPatternsCliPreDataOtherDay, path, Cp949ToUtf8(record->key.code), record->bar.time, screened,
                  baseDay, baseDay);
  }
  if (!quiet) Say(Txt::kPatternsCliPreDataRecords, list->Count(), baseDay);
  return kExitOk;
}

int RunPatterns(const PatternOptions& options) {
  std::unique_ptr<sim::Exchange> exchange = StartExchange(options.exchange);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  PreDataList list;
  if (LoadPreData(gate, options.predataFile, ExchangeDate(*exchange), options.json, &list) != kExitOk) return kExitFailure;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) return Fail(Txt::kCliNoStocks);
  std::unique_ptr<NowGate> snapshot = gate.DownloadNowBook(*book, kNowKeyCode);
  if (!snapshot) return Fail(Txt::kCliNoPrices);

  NowPack pack;
  pack.SetKey(kGroupKeyArrival);
  pack.SetParams({options.volumeThreshold, options.risingDays});
  PatternCounts everything;
  for (int32_t& counter : everything.counters) counter = 1;
  pack.SetSelection(everything);
  auto market = std::make_unique<NowGate>(*snapshot, 0);
  market->SetName(Utf8ToCp949("전종목").c_str(), 0);
  NowPack report;
  if (!pack.Insert(std::move(market)) || !pack.Merge(*snapshot) || !pack.CountPatterns(&list) ||
      !ReportWholePack(pack, report, &list))
    return Fail(Txt::kPatternsCliFailed);
  if (options.json) {
    const JsonDocument document = PatternsJson(pack, report, snapshot->LatestTime(), list.Count(), options.shown);
    std::printf("%s\n", JsonDump(document).c_str());
  } else {
    Say(Txt::kPatternsCliStocks, pack.Header().count, snapshot->LatestTime());
    PrintCounts(pack.Totals());
    for (const NowGate* group = report.First(); group != nullptr; group = group->next) PrintGroup(*group, options.shown);
  }
  if (!options.interestFile.empty() && !report.WriteInterestFile(options.interestFile.c_str(), 0))
    return Fail(Txt::kCliCannotWrite, options.interestFile);
  if (!options.packFile.empty() && !pack.Save(options.packFile.c_str()))
    return Fail(Txt::kCliCannotSave, options.packFile);
  if (!options.reportPackFile.empty() && !report.Save(options.reportPackFile.c_str()))
    return Fail(Txt::kCliCannotSave, options.reportPackFile);
  return kExitOk;
}

int RunPackLoad(const PatternOptions& options) {
  NowPack pack;
  FileReading reading(options.loadFile);
  if (!reading.Done(pack.Load(options.loadFile.c_str()) != 0)) return kExitFailure;
  Say(Txt::kPatternsCliPack, pack.GroupCount(), pack.Header().key, pack.Header().count, pack.Header().latestTime);
  // Only the counting pass fills the totals; a report pack is made of groups and never counted.
  if (pack.Header().count > 0) {
    PrintCounts(pack.Totals());
  } else {
    Say(Txt::kPatternsCliNotCounted);
  }
  for (const NowGate* group = pack.First(); group != nullptr; group = group->next) PrintGroup(*group, options.shown);
  if (!options.textFile.empty() && !pack.WriteInterestFile(options.textFile.c_str(), 0))
    return Fail(Txt::kCliCannotWrite, options.textFile);
  return kExitOk;
}

void Register(CLI::App& app) {
  auto options = std::make_shared<PatternOptions>();
  CLI::App* patterns = app.add_subcommand("patterns", Words(Txt::kCliHelpPatterns));
  AddExchangeSetupOptions(*patterns, options->exchange);
  patterns->add_option("--predata", options->predataFile, Words(Txt::kCliOptPreDataFile));
  patterns->add_option("--interest", options->interestFile, Words(Txt::kCliOptInterest));
  patterns->add_option("--pack", options->packFile, Words(Txt::kCliOptPack));
  patterns->add_option("--report-pack", options->reportPackFile, Words(Txt::kCliOptReportPack));
  patterns
      ->add_option("--volume-threshold", options->volumeThreshold,
                   Words(Txt::kCliOptVolumeThreshold))
      ->capture_default_str();
  patterns->add_option("--rising-days", options->risingDays, Words(Txt::kCliOptRisingDays))
      ->check(CLI::Range(0, 25))
      ->capture_default_str();
  patterns->add_option("--show", options->shown, Words(Txt::kCliOptShowPattern))
      ->check(NotNegative())
      ->capture_default_str();
  patterns->add_flag("--json", options->json, Words(Txt::kCliOptJsonReport));
  patterns->callback([options] { SetExitCode(RunPatterns(*options)); });

  CLI::App* pack = app.add_subcommand("pack", Words(Txt::kCliHelpPack));
  pack->require_subcommand(1);
  CLI::App* load = pack->add_subcommand("load", Words(Txt::kCliHelpPackLoad));
  load->add_option("FILE", options->loadFile, Words(Txt::kCliOptPackFile))->required();
  load->add_option("--text", options->textFile, Words(Txt::kCliOptPackText));
  load->add_option("--show", options->shown, Words(Txt::kCliOptShowGroup))
      ->check(NotNegative())
      ->capture_default_str();
  load->callback([options] { SetExitCode(RunPackLoad(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
