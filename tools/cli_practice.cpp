#include "tools/cli_practice.h"

#include <cstdio>
#include <memory>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/practice_ledgers.h"
#include "tools/cli_paper.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"

namespace ostrada::cli {
namespace {

struct PracticeOptions {
  PaperCliOptions paper;
  int32_t date = 0;
  std::string time = "09:00";
  CLI::Option* seed = nullptr;
  uint64_t seedValue = 0;
  bool json = false;
};

std::string Line(Txt format, const std::string& utf8) {
  char text[1024];
  std::snprintf(text, sizeof text, TextC(format), Utf8ToCp949(utf8).c_str());
  return Cp949ToUtf8(text);
}

int RunNew(const PracticeOptions& options) {
  const int64_t time = ParseTime(options.time);
  if (time < 0) {
    ShowMessage(Utf8ToCp949(Line(Txt::kClockBadTime, options.time)));
    return kExitFailure;
  }
  const sim::PaperOptions paper = PaperOptionsFor(options.paper);
  if (paper.ledgerPath.empty()) return kExitFailure;
  sim::PracticeStart start{options.date, time, paper.startingCash, std::nullopt};
  if (options.seed->count() > 0) start.seed = options.seedValue;
  const sim::PracticeResult result = sim::StartPracticeAccount(
      paper.ledgerPath, start, sim::DefaultTradingDate(sim::SystemMilliseconds()), sim::FeeRatesOf(paper));
  if (result.refused) {
    ShowMessage(*result.refused);
    return kExitFailure;
  }
  if (!result.keptAs.empty()) std::printf("%s\n", Line(Txt::kPracticeKept, result.keptAs).c_str());
  char started[1024];
  std::snprintf(started, sizeof started, TextC(Txt::kPracticeStarted), MomentText({start.date, start.timeMs}).c_str(),
                FormatNumber(start.cash).c_str());
  std::printf("%s\n", Cp949ToUtf8(started).c_str());
  return kExitOk;
}

int RunKept(const PracticeOptions& options) {
  const sim::PaperOptions paper = PaperOptionsFor(options.paper);
  if (paper.ledgerPath.empty()) return kExitFailure;
  const std::vector<sim::KeptLedger> kept = sim::KeptLedgers(paper.ledgerPath);
  if (options.json) {
    JsonDocument ledgers = JsonDocument::array();
    for (const sim::KeptLedger& ledger : kept)
      ledgers.push_back({{"first", ledger.first}, {"last", ledger.last}, {"ledger", ledger.path}});
    std::printf("%s\n", JsonDump(ledgers).c_str());
    return kExitOk;
  }
  std::printf("%s\n", Cp949ToUtf8(Text(kept.empty() ? Txt::kPracticeNoKeptLedgers : Txt::kPracticeKeptLedgers)).c_str());
  for (const sim::KeptLedger& ledger : kept) {
    std::printf("%s ~ %s  %s\n", MomentText({ledger.first, 0}).substr(0, 10).c_str(),
                MomentText({ledger.last, 0}).substr(0, 10).c_str(), ledger.path.c_str());
  }
  return kExitOk;
}

}  // namespace

void AddPracticeCommands(CLI::App& account) {
  auto fresh = std::make_shared<PracticeOptions>();
  CLI::App* start = account.add_subcommand("new", Words(Txt::kCliHelpAccountNew));
  AddPaperOptions(*start, fresh->paper);
  start->add_option("--date", fresh->date, Words(Txt::kCliOptPracticeDate))->required()->check(DateCheck());
  start->add_option("--time", fresh->time, Words(Txt::kCliOptPracticeTime))->capture_default_str();
  fresh->seed = start->add_option("--seed", fresh->seedValue, Words(Txt::kCliOptPracticeSeed));
  start->callback([fresh] { SetExitCode(RunNew(*fresh)); });

  auto listed = std::make_shared<PracticeOptions>();
  CLI::App* kept = account.add_subcommand("kept", Words(Txt::kCliHelpAccountKept));
  AddPaperOptions(*kept, listed->paper);
  kept->add_flag("--json", listed->json, Words(Txt::kCliOptJsonArray));
  kept->callback([listed] { SetExitCode(RunKept(*listed)); });
}

}  // namespace ostrada::cli
