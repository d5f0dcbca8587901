// ostrada-cli clock: the paper account's clock. `clock` shows it and the session it stands in;
// `clock advance` moves it forward (by a step, to a time, to the close, to a later trading day's
// pre-open) along the market's path, as waiting there would, and prints the fills on the way and the
// standing conditions that fired or ended there.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "broker/sim/account_clock.h"
#include "broker/sim/market/clock.h"
#include "tools/cli_paper.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"
#include "tools/paper_exchange.h"
#include "tools/watch_report.h"

namespace ostrada::cli {
namespace {

constexpr int kMostDaysAhead = 365;

struct ClockOptions {
  ExchangeSetup setup = {.at = ""};  // the account's clock: no date or time of its own
  PaperCliOptions paper;
  bool json = false;
  std::string by;
  std::string to;
  bool toClose = false;
  bool nextDay = false;
  CLI::Option* days = nullptr;
  int dayCount = 1;
};

// A catalogue format with its "%s"s filled by UTF-8 arguments, as CP949 for the message sink.
template <typename... Args>
std::string Filled(Txt format, const Args&... args) {
  char text[1024];
  std::snprintf(text, sizeof text, TextC(format), Utf8ToCp949(args).c_str()...);
  return text;
}

std::string TimeText(int64_t timeMs) {
  const std::string moment = MomentText({0, timeMs});
  return moment.substr(moment.size() - 8);
}

// "10m", "1h": a step of minutes or hours, or -1.
int64_t ParseStep(const std::string& text) {
  size_t digits = 0;
  while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits + 1 != text.size()) return -1;
  const int64_t count = std::stoll(text.substr(0, digits));
  if (text.back() == 'm') return count * 60'000;
  if (text.back() == 'h') return count * sim::kMillisecondsPerHour;
  return -1;
}

// The jump the options ask for, or none after telling why.
std::optional<sim::ClockJump> ReadJump(const ClockOptions& options) {
  const int asked = !options.by.empty() + !options.to.empty() + options.toClose + options.nextDay;
  const bool daysAlone = options.days->count() > 0 && !options.nextDay;
  if (asked != 1 || daysAlone) {
    ShowMessage(Text(Txt::kClockOneJump));
    return std::nullopt;
  }
  sim::ClockJump jump;
  if (!options.by.empty()) {
    jump.milliseconds = ParseStep(options.by);
    if (!sim::IsOfferedStep(jump.milliseconds)) {
      ShowMessage(Filled(Txt::kClockBadStep, options.by));
      return std::nullopt;
    }
  } else if (!options.to.empty()) {
    jump.kind = sim::ClockJump::Kind::kTo;
    jump.milliseconds = ParseTime(options.to);
    if (jump.milliseconds < 0) {
      ShowMessage(Filled(Txt::kClockBadTime, options.to));
      return std::nullopt;
    }
  } else if (options.toClose) {
    jump.kind = sim::ClockJump::Kind::kToClose;
  } else {
    jump.kind = sim::ClockJump::Kind::kNextDay;
    jump.days = options.dayCount;
  }
  return jump;
}

JsonDocument ClockJson(const sim::PaperLedger::Moment& moment) {
  return {{"clock", MomentText(moment)},
          {"date", moment.date},
          {"time", TimeText(moment.timeMs)},
          {"session", Words(sim::SessionOf(moment))}};
}

void PrintClock(const sim::PaperLedger::Moment& moment) {
  std::printf("%s: %s\n", Words(Txt::kPaperAccountClock).c_str(), MomentText(moment).c_str());
  std::printf("%s: %s\n", Words(Txt::kClockSession).c_str(), Words(sim::SessionOf(moment)).c_str());
}

void PrintReport(sim::PaperTrading& paper, const sim::JumpReport& report,
                 const std::vector<sim::WatchCondition>& watches, bool json) {
  if (json) {
    JsonDocument fills = JsonDocument::array();
    for (const sim::PassedFill& passed : report.fills) {
      fills.push_back({{"date", passed.fill.date},
                       {"time", TimeText(passed.fill.timeMs)},
                       {"orderNumber", passed.fill.number},
                       {"code", Cp949ToUtf8(passed.code)},
                       {"name", Cp949ToUtf8(passed.name)},
                       {"side", passed.side == sim::Side::kBuy ? "buy" : "sell"},
                       {"quantity", passed.fill.quantity},
                       {"price", passed.fill.price}});
    }
    JsonDocument document = ClockJson(report.to);
    document["from"] = MomentText(report.from);
    document["fills"] = std::move(fills);
    JsonDocument ended = JsonDocument::array();
    for (const sim::WatchCondition& condition : watches) ended.push_back(WatchJson(paper, condition));
    document["watches"] = std::move(ended);
    std::printf("%s\n", JsonDump(document).c_str());
    return;
  }
  std::printf("%s\n", Cp949ToUtf8(Filled(Txt::kClockMoved, MomentText(report.from), MomentText(report.to))).c_str());
  PrintClock(report.to);
  if (report.fills.empty()) std::printf("%s\n", Words(Txt::kClockNoFills).c_str());
  else std::printf("\n%s\n", Words(Txt::kClockFillsOnTheWay).c_str());
  for (const sim::PassedFill& passed : report.fills) {
    const std::string when = passed.fill.date == report.from.date && passed.fill.date == report.to.date
                                 ? TimeText(passed.fill.timeMs)
                                 : MomentText({passed.fill.date, passed.fill.timeMs});
    std::printf("%s %s  %s %d  %s %s  %s %s  %s %s  %s %s  %s %s\n", Words(Txt::kClockFillTime).c_str(), when.c_str(),
                Words(Txt::kTrdCliOrderNumber).c_str(), passed.fill.number, Words(Txt::kTrdCliCode).c_str(),
                Cp949ToUtf8(passed.code).c_str(), Words(Txt::kTrdCliName).c_str(), Cp949ToUtf8(passed.name).c_str(),
                Words(Txt::kTrdCliSide).c_str(), Words(passed.side == sim::Side::kBuy ? Txt::kTrdBuy : Txt::kTrdSell).c_str(),
                Words(Txt::kTrdCliQuantity).c_str(), FormatNumber(int64_t{passed.fill.quantity}).c_str(),
                Words(Txt::kTrdCliPrice).c_str(), FormatNumber(int64_t{passed.fill.price}).c_str());
  }
  if (!watches.empty()) std::printf("\n");
  for (const sim::WatchCondition& condition : watches) std::printf("%s\n", WatchLine(paper, condition).c_str());
}

int RunClock(const ClockOptions& options) {
  auto exchange = PaperExchange(options.setup, options.paper, true);
  if (!exchange) return kExitFailure;
  const sim::PaperLedger::Moment now{exchange->Clock().Date(), exchange->Clock().TimeOfDay()};
  if (options.json) {
    std::printf("%s\n", JsonDump(ClockJson(now)).c_str());
  } else {
    PrintClock(now);
  }
  return kExitOk;
}

int RunAdvance(const ClockOptions& options) {
  const std::optional<sim::ClockJump> jump = ReadJump(options);
  if (!jump) return kExitFailure;
  auto exchange = PaperExchange(options.setup, options.paper, false);
  if (!exchange) return kExitFailure;
  const sim::PaperLedger::Moment now{exchange->Clock().Date(), exchange->Clock().TimeOfDay()};
  const sim::JumpLanding landing = sim::LandingOf(*jump, now);
  if (landing.refused) {
    ShowMessage(Filled(*landing.refused, jump->kind == sim::ClockJump::Kind::kBy ? options.by : MomentText(now)));
    return kExitFailure;
  }
  // The conditions are the login's account's, as `watch` sets them.
  const std::string& account = sim::PaperAccountNumbers().back();
  const std::vector<int64_t> watching = ActiveWatchIds(exchange->Paper(), account);
  const sim::JumpReport report = sim::Jump(*exchange, landing.at);
  if (report.refused) {
    ShowMessage(*report.refused);
    return kExitFailure;
  }
  PrintReport(exchange->Paper(), report, WatchOutcomes(exchange->Paper(), account, watching), options.json);
  return kExitOk;
}

const bool registered = RegisterCommand([](CLI::App& app) {
  auto shown = std::make_shared<ClockOptions>();
  CLI::App* clock = app.add_subcommand("clock", Words(Txt::kCliHelpClock));
  AddMarketOptions(*clock, shown->setup);
  AddPaperOptions(*clock, shown->paper);
  clock->add_flag("--json", shown->json, Words(Txt::kCliOptJsonObject));

  auto moved = std::make_shared<ClockOptions>();
  CLI::App* advance = clock->add_subcommand("advance", Words(Txt::kCliHelpClockAdvance));
  AddMarketOptions(*advance, moved->setup);
  AddPaperOptions(*advance, moved->paper);
  advance->add_flag("--json", moved->json, Words(Txt::kCliOptJsonObject));
  advance->add_option("--by", moved->by, Words(Txt::kCliOptClockBy));
  advance->add_option("--to", moved->to, Words(Txt::kCliOptClockTo));
  advance->add_flag("--to-close", moved->toClose, Words(Txt::kCliOptClockToClose));
  advance->add_flag("--next-day", moved->nextDay, Words(Txt::kCliOptClockNextDay));
  moved->days = advance->add_option("--days", moved->dayCount, Words(Txt::kCliOptClockDays))
                    ->check(CLI::Range(1, kMostDaysAhead));
  advance->callback([moved] { SetExitCode(RunAdvance(*moved)); });
  clock->callback([shown, advance] {
    if (!advance->parsed()) SetExitCode(RunClock(*shown));
  });
});

}  // namespace
}  // namespace ostrada::cli
