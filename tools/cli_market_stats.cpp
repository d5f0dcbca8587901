// ostrada-cli market-stats [--seed N] [--date YYYYMMDD] [--stocks N] [--json]: how realistic the embedded
// exchange's market is, as a table of measures with the band each should fall in (with --json, one
// document whose measures a script finds by their English keys). Without --seed it studies the paper
// account's market, up to the last day the account's clock has seen close.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/market/market_study.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"

namespace ostrada::cli {
namespace {

struct StatsOptions {
  uint64_t seed = sim::ExchangeOptions{}.seed;
  int stocks = 0;
  int32_t date = 0;
  bool json = false;
  CLI::Option* seedOption = nullptr;
  CLI::Option* stocksOption = nullptr;
};

// The last day whose close the account's clock has passed: a study of a later one would show the
// account what has not happened there yet.
int32_t LastClosedDay(const sim::PaperLedger::Moment& clock) {
  const int32_t day = sim::TradingDayAtOrBefore(clock.date);
  return day == clock.date && clock.timeMs < sim::kCloseMs ? sim::PreviousTradingDay(day) : day;
}

void PrintBound(double value) {
  if (std::isinf(value)) {
    std::printf(" %9s", "-");
  } else {
    std::printf(" %9.4g", value);
  }
}

void PrintTable(const sim::MarketStudy& study, uint64_t seed) {
  Say(Txt::kStatsCliTitle, static_cast<unsigned long long>(seed), study.date, study.stocks);
  std::printf("%s %s %s %s  %s\n", Column(Words(Txt::kStatsCliMeasure), -46).c_str(),
              Column(Words(Txt::kStatsCliValue), 10).c_str(), Column(Words(Txt::kStatsCliLow), 9).c_str(),
              Column(Words(Txt::kStatsCliHigh), 9).c_str(), Words(Txt::kStatsCliResult).c_str());
  for (const sim::StudyMeasure& measure : study.measures) {
    std::printf("%s %10.4g", Column(Words(measure.name), -46).c_str(), measure.value);
    PrintBound(measure.low);
    PrintBound(measure.high);
    std::printf("  %s\n", Words(measure.Passes() ? Txt::kStatsCliPass : Txt::kStatsCliFail).c_str());
  }
}

// An open side of a band is null.
JsonDocument Bound(double value) {
  return std::isinf(value) ? JsonDocument() : JsonDocument(value);
}

void PrintJson(const sim::MarketStudy& study, uint64_t seed, int outside) {
  JsonDocument measures = JsonDocument::array();
  for (const sim::StudyMeasure& measure : study.measures) {
    measures.push_back({{"key", measure.key},
                        {"name", Words(measure.name)},
                        {"value", measure.value},
                        {"low", Bound(measure.low)},
                        {"high", Bound(measure.high)},
                        {"passes", measure.Passes()}});
  }
  const JsonDocument document = {{"seed", seed},
                                 {"date", study.date},
                                 {"stocks", study.stocks},
                                 {"measures", std::move(measures)},
                                 {"outside", outside}};
  std::printf("%s\n", JsonDump(document).c_str());
}

int Run(const StatsOptions& options) {
  std::optional<AccountMarket> account;
  if (options.seedOption->count() == 0 && !ReadAccountMarket(&account)) return kExitFailure;
  int32_t date = options.date;
  if (account) {
    const int32_t lastClosed = LastClosedDay(account->clock);
    if (date > lastClosed) {
      char message[512];
      std::snprintf(message, sizeof message, TextC(Txt::kPaperAfterClock), MomentText(account->clock).c_str());
      ShowMessage(message);
      return kExitFailure;
    }
    if (date == 0) date = lastClosed;
  }
  if (date == 0) date = sim::DefaultTradingDate(sim::SystemMilliseconds());
  if (!sim::IsValidDate(date) || !sim::IsTradingDay(date)) {
    return Fail(Txt::kStatsCliBadDate, date);
  }
  const std::optional<uint64_t> marketSeed = account ? std::optional(account->seed) : std::nullopt;
  const int stocks =
      account && account->stocks && options.stocksOption->count() == 0 ? *account->stocks : options.stocks;
  const sim::MarketStudy study = sim::StudyMarket(options.seed, stocks, date, marketSeed);
  const auto outside = static_cast<int>(std::count_if(study.measures.begin(), study.measures.end(),
                                                       [](const sim::StudyMeasure& m) { return !m.Passes(); }));
  const uint64_t seed = marketSeed.value_or(options.seed);
  if (options.json) {
    PrintJson(study, seed, outside);
  } else {
    PrintTable(study, seed);
    Say(Txt::kStatsCliOutside, outside, static_cast<int>(study.measures.size()));
  }
  // A script that checks the market's realism reads the exit code, not the table.
  return outside == 0 ? kExitOk : kExitFailure;
}

const bool registered = RegisterCommand([](CLI::App& app) {
  auto options = std::make_shared<StatsOptions>();
  CLI::App* command = app.add_subcommand("market-stats", Words(Txt::kCliHelpMarketStats));
  options->seedOption =
      command->add_option("--seed", options->seed, Words(Txt::kCliOptExchangeSeed));
  options->stocksOption = command->add_option("--stocks", options->stocks,
                                              Words(Txt::kCliOptStatsStocks));
  command->add_option("--date", options->date, Words(Txt::kCliOptTradingDate));
  command->add_flag("--json", options->json, Words(Txt::kCliOptJsonReport));
  command->callback([options] { SetExitCode(Run(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
