// ostrada-cli patterns | pack load: the pattern classifier over a whole-market snapshot of the
// embedded exchange with the stocks' pre-data records, its report and pack files.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/files.h"
#include "basesrc/nowpack_print.h"
#include "basesrc/predata.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
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

int Fail(const std::string& message) {
  std::fprintf(stderr, "ostrada-cli: %s\n", message.c_str());
  return kExitFailure;
}

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
  std::printf("patterns occurring: %d of %zu\n", occurring, std::size(kReportOrder));
  if (!missing.empty()) std::printf("patterns not occurring:%s\n", missing.c_str());
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
  if (baseDay == 0) return Fail("the exchange knows no session before " + std::to_string(screened));
  std::string path = given;
  if (path.empty()) {
    path = StocGate::LastInfoFileName(baseDay);
    if (path.empty()) return Fail("no data folder for the last-info file");
    if (!quiet) std::printf("pre-data: the last-info file %s\n", path.c_str());
  }
  if (!FileExists(path.c_str()))
    return Fail("no pre-data file " + path + " (ostrada-cli predata build writes the last-info file)");
  if (!list->Load(path.c_str(), kPreDataKeyCode)) return Fail("could not read the pre-data file " + path);
  for (const PreDataRecord* record = list->First(); record != nullptr; record = record->next) {
    if (record->bar.time != baseDay)
      return Fail("the pre-data file " + path + " holds " + record->key.code + " of " + std::to_string(record->bar.time) +
                  ", but the session before " + std::to_string(screened) + " is " + std::to_string(baseDay));
  }
  if (!quiet) std::printf("pre-data records: %d (base day %d)\n", list->Count(), baseDay);
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
  if (!book) return Fail("no stocks were received");
  std::unique_ptr<NowGate> snapshot = gate.DownloadNowBook(*book, kNowKeyCode);
  if (!snapshot) return Fail("the current prices could not be downloaded");

  NowPack pack;
  pack.SetKey(kGroupKeyArrival);
  pack.SetParams({options.volumeThreshold, options.risingDays});
  PatternCounts everything;
  for (int32_t& counter : everything.counters) counter = 1;
  pack.SetSelection(everything);
  auto market = std::make_unique<NowGate>(*snapshot, 0);
  market->SetName(Utf8ToCp949("전종목").c_str(), 0);
  if (!pack.Insert(std::move(market)) || !pack.Merge(*snapshot)) return Fail("the pack could not be built");
  if (!pack.CountPatterns(&list)) return Fail("the counting pass failed");
  NowPack report;
  if (!ReportWholePack(pack, report, &list)) return Fail("the report failed");
  if (options.json) {
    const JsonDocument document = PatternsJson(pack, report, snapshot->LatestTime(), list.Count(), options.shown);
    std::printf("%s\n", JsonDump(document).c_str());
  } else {
    std::printf("stocks: %d  latest quote time: %04d\n", pack.Header().count, snapshot->LatestTime());
    PrintCounts(pack.Totals());
    for (const NowGate* group = report.First(); group != nullptr; group = group->next) PrintGroup(*group, options.shown);
  }
  if (!options.interestFile.empty() && !report.WriteInterestFile(options.interestFile.c_str(), 0))
    return Fail("could not write the interest-group file " + options.interestFile);
  if (!options.packFile.empty() && !pack.Save(options.packFile.c_str()))
    return Fail("could not save the pack to " + options.packFile);
  if (!options.reportPackFile.empty() && !report.Save(options.reportPackFile.c_str()))
    return Fail("could not save the report pack to " + options.reportPackFile);
  return kExitOk;
}

int RunPackLoad(const PatternOptions& options) {
  NowPack pack;
  if (!pack.Load(options.loadFile.c_str())) return Fail("could not load the pack " + options.loadFile);
  std::printf("groups: %d  key: %d  stocks counted: %d  latest quote time: %d\n", pack.GroupCount(), pack.Header().key,
              pack.Header().count, pack.Header().latestTime);
  // Only the counting pass fills the totals; a report pack is made of groups and never counted.
  if (pack.Header().count > 0) {
    PrintCounts(pack.Totals());
  } else {
    std::printf("patterns: not counted in this pack\n");
  }
  for (const NowGate* group = pack.First(); group != nullptr; group = group->next) PrintGroup(*group, options.shown);
  if (!options.textFile.empty() && !pack.WriteInterestFile(options.textFile.c_str(), 0))
    return Fail("could not write the interest-group file " + options.textFile);
  return kExitOk;
}

void Register(CLI::App& app) {
  auto options = std::make_shared<PatternOptions>();
  CLI::App* patterns = app.add_subcommand("patterns", "the chart patterns of the whole market now, with the report");
  AddExchangeSetupOptions(*patterns, options->exchange);
  patterns->add_option("--predata", options->predataFile, "pre-data file (.spd); default: the last-info file");
  patterns->add_option("--interest", options->interestFile, "write the report as an interest-group file");
  patterns->add_option("--pack", options->packFile, "save the counted pack");
  patterns->add_option("--report-pack", options->reportPackFile, "save the report pack");
  patterns
      ->add_option("--volume-threshold", options->volumeThreshold,
                   "20-day average volume above which 2032, 2081 and 2084 count")
      ->capture_default_str();
  patterns->add_option("--rising-days", options->risingDays, "rising-candle days of 25 for dense rising candles (0: not tested)")
      ->check(CLI::Range(0, 25))
      ->capture_default_str();
  patterns->add_option("--show", options->shown, "stocks listed under each pattern")
      ->check(NotNegative())
      ->capture_default_str();
  patterns->add_flag("--json", options->json, "One JSON document instead of the text report");
  patterns->callback([options] { SetExitCode(RunPatterns(*options)); });

  CLI::App* pack = app.add_subcommand("pack", "pattern pack files");
  pack->require_subcommand(1);
  CLI::App* load = pack->add_subcommand("load", "load a pack file and list its groups");
  load->add_option("FILE", options->loadFile, "pack file")->required();
  load->add_option("--text", options->textFile, "write the pack as an interest-group file");
  load->add_option("--show", options->shown, "stocks listed under each group")
      ->check(NotNegative())
      ->capture_default_str();
  load->callback([options] { SetExitCode(RunPackLoad(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
