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
  std::string chosen;  // account open: the kept ledger
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
  const sim::FeeRates fees = sim::FeeRatesOf(paper);
  if (options.json) {
    JsonDocument ledgers = JsonDocument::array();
    for (const sim::KeptLedger& ledger : kept) {
      JsonDocument entry = {{"first", ledger.first}, {"last", ledger.last}, {"ledger", ledger.path}};
      // A file that cannot be read as a ledger shows no cash and no clock.
      if (const std::optional<sim::LedgerFacts> facts = sim::ReadLedgerFacts(ledger.path, fees)) {
        entry["cash"] = facts->cash;
        entry["clock"] = MomentText(facts->clock);
      }
      ledgers.push_back(entry);
    }
    std::printf("%s\n", JsonDump(ledgers).c_str());
    return kExitOk;
  }
  std::printf("%s\n", Cp949ToUtf8(Text(kept.empty() ? Txt::kPracticeNoKeptLedgers : Txt::kPracticeKeptLedgers)).c_str());
  for (const sim::KeptLedger& ledger : kept) {
    const std::optional<sim::LedgerFacts> facts = sim::ReadLedgerFacts(ledger.path, fees);
    const std::string standing = facts ? MomentText(facts->clock) + "  " + FormatNumber(facts->cash)
                                       : Cp949ToUtf8(Text(Txt::kReopenUnreadable));
    std::printf("%s ~ %s  %s  %s\n", MomentText({ledger.first, 0}).substr(0, 10).c_str(),
                MomentText({ledger.last, 0}).substr(0, 10).c_str(), standing.c_str(), ledger.path.c_str());
  }
  return kExitOk;
}

int RunOpen(const PracticeOptions& options) {
  const sim::PaperOptions paper = PaperOptionsFor(options.paper);
  if (paper.ledgerPath.empty()) return kExitFailure;
  const sim::FeeRates fees = sim::FeeRatesOf(paper);
  const sim::PracticeResult result = sim::ReopenPracticeAccount(paper.ledgerPath, options.chosen, fees);
  if (result.refused) {
    ShowMessage(*result.refused);
    return kExitFailure;
  }
  if (!result.keptAs.empty()) std::printf("%s\n", Line(Txt::kPracticeKept, result.keptAs).c_str());
  const std::optional<sim::LedgerFacts> facts = sim::ReadLedgerFacts(paper.ledgerPath, fees);
  if (!facts) return kExitOk;
  char reopened[1024];
  std::snprintf(reopened, sizeof reopened, TextC(Txt::kPracticeReopened), MomentText(facts->clock).c_str(),
                FormatNumber(facts->cash).c_str());
  std::printf("%s\n", Cp949ToUtf8(reopened).c_str());
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

  auto reopen = std::make_shared<PracticeOptions>();
  CLI::App* open = account.add_subcommand("open", Words(Txt::kCliHelpAccountOpen));
  AddPaperOptions(*open, reopen->paper);
  open->add_option("file", reopen->chosen, Words(Txt::kCliOptReopenFile))->required();
  open->callback([reopen] { SetExitCode(RunOpen(*reopen)); });
}

}  // namespace ostrada::cli
