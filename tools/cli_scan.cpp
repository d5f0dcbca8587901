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

int Fail(const std::string& message) {
  std::fprintf(stderr, "ostrada-cli: %s\n", message.c_str());
  return kExitFailure;
}

int Run(const ScanOptions& options) {
  if (!NcdScan::IntervalAccepted(options.interval)) return Fail("--interval takes 1, 2, 3, 5, 10, 15, 20, 30 or 60");
  if (!NcdScan::ThresholdAccepted(options.threshold)) return Fail("--threshold lies in -15..-1 or 1..15");
  if (options.checks <= options.interval) return Fail("--checks must exceed --interval, or no stock has enough checks");
  // A check after midnight would look at the next day's market before its first quote.
  const int64_t from = ParseTime(options.market.at);
  if (from >= 0 && from + int64_t{options.checks - 1} * options.everyMinutes * 60'000 >= sim::kMillisecondsPerDay) {
    char message[512];
    std::snprintf(message, sizeof message, TextC(Txt::kScanCliPastMidnight), options.market.at.c_str(),
                  options.everyMinutes, options.checks);
    return Fail(Cp949ToUtf8(message));
  }
  std::unique_ptr<sim::Exchange> exchange = StartExchange(options.market);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) return Fail("no stocks were received");
  NcdScan scan;
  JsonDocument checks = JsonDocument::array();
  for (int check = 0; check < options.checks; ++check) {
    if (check > 0) exchange->Advance(int64_t{options.everyMinutes} * 60'000);
    std::unique_ptr<NowGate> snapshot = gate.DownloadNowBook(*book, kNowKeyCode);
    if (!snapshot) return Fail("the current prices could not be downloaded");
    if (!(check == 0 ? scan.CreateFrom(*snapshot) : scan.AddGroup(*snapshot)))
      return Fail("the scan could not take the snapshot");
    if (options.json) {
      checks.push_back({{"time", snapshot->LatestTime()}, {"stocks", snapshot->Count()}});
    } else {
      std::printf("check %d at %04d: %d stocks\n", check + 1, snapshot->LatestTime(), snapshot->Count());
    }
  }
  std::unique_ptr<NcdScan> selected = scan.Select(options.interval, options.threshold);
  if (options.json) std::printf("%s\n", JsonDump(ScanJson(options, checks, selected.get())).c_str());
  if (options.json && !selected) return kExitOk;
  if (!selected) {
    std::printf("no stock moved by %.2f points over the last %d checks\n", static_cast<double>(options.threshold),
                options.interval);
    return kExitOk;
  }
  if (!options.json) std::printf("%s", Cp949ToUtf8(selected->ReportText(NcdScan::kReportByCode)).c_str());
  if (!options.reportFile.empty() && !selected->Report(options.reportFile.c_str()))
    return Fail("could not write the report to " + options.reportFile);
  return kExitOk;
}

const bool kRegistered = RegisterCommand([](CLI::App& app) {
  auto options = std::make_shared<ScanOptions>();
  CLI::App* scan = app.add_subcommand("scan", "the stocks whose rate moved most over the last checks");
  scan->add_option("--checks", options->checks, "whole-market snapshots to take")
      ->required()
      ->check(CLI::Range(1, 400));
  scan->add_option("--every", options->everyMinutes, "minutes between snapshots")
      ->required()
      ->check(CLI::Range(1, 390));
  scan->add_option("--from", options->market.at, "exchange time of the first snapshot, HH:MM")
      ->capture_default_str();
  scan->add_option("--interval", options->interval, "checks the move is measured over")->required();
  scan->add_option("--threshold", options->threshold, "percent points; negative for falls")->required();
  scan->add_option("--report", options->reportFile, "write the report (CP949) to this file");
  scan->add_flag("--json", options->json, "One JSON document instead of the text report");
  // Without --seed the paper account's market, as every data command.
  options->market.seedOption =
      scan->add_option("--seed", options->market.seed, "The exchange's seed (default: the paper account's market)");
  scan->add_option("--stocks", options->market.stocks, "Listing size (0: the default market)")
      ->check(NotNegative());
  scan->callback([options] { SetExitCode(Run(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
