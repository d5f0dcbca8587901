// ostrada-cli scan: the rising-rate scan over whole-market snapshots of the embedded exchange, taken a
// few minutes apart, with the stocks whose rate moved by the threshold over the last N checks.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/ncdgate.h"
#include "basesrc/nowfxin.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"

namespace ostrada::cli {
namespace {

struct ScanOptions {
  ExchangeSetup market{.at = "10:00"};
  int checks = 0;
  int everyMinutes = 0;
  int interval = 0;
  float threshold = 0;
  std::string reportFile;
  bool json = false;
};

// Rounded as the text report prints it ("%.2f"), so a value on a half hundredth reads the same in both.
double Hundredths(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return std::strtod(text, nullptr);
}

// The selection as one document; field names listed in the README.
JsonDocument ScanJson(const ScanOptions& options, const JsonDocument& checks, const NcdScan* selected) {
  JsonDocument stocks = JsonDocument::array();
  for (const NowCode* series = selected != nullptr ? selected->First() : nullptr; series != nullptr;
       series = series->next) {
    const NowPrice& now = series->Newest()->price;
    const TimedSnapshot* previous = series->Newest()->older;
    stocks.push_back(
        {{"code", Cp949ToUtf8(series->Code())},
         {"name", Cp949ToUtf8(series->Name() != nullptr ? series->Name() : "")},
         {"rate", Hundredths(now.bar.rate)},
         {"rateChange", previous != nullptr ? JsonDocument(Hundredths(now.bar.rate - previous->price.bar.rate))
                                            : JsonDocument()},
         {"fromOpen", Hundredths(NowBodyPercent(&now))},
         {"fromLow", Hundredths(NowDistanceFromLow(&now))},
         {"fromHigh", Hundredths(NowDistanceFromHigh(&now))}});
  }
  return {{"interval", options.interval},
          {"threshold", Hundredths(options.threshold)},
          {"checks", checks},
          {"stocks", std::move(stocks)}};
}

int Run(const ScanOptions& options) {
  if (!NcdScan::IntervalAccepted(options.interval)) return Fail(Txt::kScanCliInterval);
  if (!NcdScan::ThresholdAccepted(options.threshold)) return Fail(Txt::kScanCliThreshold);
  if (options.checks <= options.interval) return Fail(Txt::kScanCliChecks);
  // A check after midnight would look at the next day's market before its first quote.
  const int64_t from = ParseTime(options.market.at);
  if (from >= 0 && from + int64_t{options.checks - 1} * options.everyMinutes * 60'000 >= sim::kMillisecondsPerDay) {
    return Fail(Txt::kScanCliPastMidnight, options.market.at, options.everyMinutes, options.checks);
  }
  std::unique_ptr<sim::Exchange> exchange = StartExchange(options.market);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) return Fail(Txt::kCliNoStocks);
  NcdScan scan;
  JsonDocument checks = JsonDocument::array();
  for (int check = 0; check < options.checks; ++check) {
    if (check > 0) exchange->Advance(int64_t{options.everyMinutes} * 60'000);
    std::unique_ptr<NowGate> snapshot = gate.DownloadNowBook(*book, kNowKeyCode);
    if (!snapshot) return Fail(Txt::kCliNoPrices);
    if (!(check == 0 ? scan.CreateFrom(*snapshot) : scan.AddGroup(*snapshot)))
      return Fail(Txt::kScanCliSnapshotFailed);
    if (options.json) {
      checks.push_back({{"time", snapshot->LatestTime()}, {"stocks", snapshot->Count()}});
    } else {
      Say(Txt::kScanCliCheck, check + 1, snapshot->LatestTime(), snapshot->Count());
    }
  }
  std::unique_ptr<NcdScan> selected = scan.Select(options.interval, options.threshold);
  if (options.json) std::printf("%s\n", JsonDump(ScanJson(options, checks, selected.get())).c_str());
  if (options.json && !selected) return kExitOk;
  if (!selected) {
    Say(Txt::kScanCliNone, static_cast<double>(options.threshold), options.interval);
    return kExitOk;
  }
  if (!options.json) std::printf("%s", Cp949ToUtf8(selected->ReportText(NcdScan::kReportByCode)).c_str());
  if (!options.reportFile.empty() && !selected->Report(options.reportFile.c_str()))
    return Fail(Txt::kCliCannotWrite, options.reportFile);
  return kExitOk;
}

const bool kRegistered = RegisterCommand([](CLI::App& app) {
  auto options = std::make_shared<ScanOptions>();
  CLI::App* scan = app.add_subcommand("scan", Words(Txt::kCliHelpScan));
  scan->add_option("--checks", options->checks, Words(Txt::kCliOptScanChecks))
      ->required()
      ->check(CLI::Range(1, 400));
  scan->add_option("--every", options->everyMinutes, Words(Txt::kCliOptEvery))
      ->required()
      ->check(CLI::Range(1, 390));
  scan->add_option("--from", options->market.at, Words(Txt::kCliOptScanFrom))
      ->capture_default_str();
  scan->add_option("--interval", options->interval, Words(Txt::kCliOptScanInterval))->required();
  scan->add_option("--threshold", options->threshold, Words(Txt::kCliOptScanThreshold))->required();
  scan->add_option("--report", options->reportFile, Words(Txt::kCliOptScanReport));
  scan->add_flag("--json", options->json, Words(Txt::kCliOptJsonReport));
  // Without --seed the paper account's market, as every data command.
  options->market.seedOption =
      scan->add_option("--seed", options->market.seed, Words(Txt::kCliOptExchangeSeed));
  scan->add_option("--stocks", options->market.stocks, Words(Txt::kCliOptScanStocks))
      ->check(NotNegative());
  scan->callback([options] { SetExitCode(Run(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
