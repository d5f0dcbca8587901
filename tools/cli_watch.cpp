// ostrada-cli watch: the paper account's standing conditions. `watch add` sets a stop, a
// take-profit, a trailing stop, a breakout buy or a price alert at the account's clock, `watch list`
// shows them with what became of them, `watch cancel` takes one back. They act in whichever process
// moves the account's clock next (the program, an `order --run`).
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/tradingsession.h"
#include "broker/server.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_watch_words.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/json_output.h"
#include "tools/paper_exchange.h"
#include "tools/watch_report.h"

namespace ostrada::cli {
namespace {

std::string Utf8(const std::string& cp949) {
  return Cp949ToUtf8(cp949);
}

// One ASCII word into a catalogue text's "%s" (CP949).
std::string Filled(Txt format, const std::string& value) {
  char text[512];
  std::snprintf(text, sizeof text, TextC(format), value.c_str());
  return text;
}

// "2.5" as 250 hundredths; false for anything else than digits with at most two decimals.
bool ParsePercent(const std::string& text, int32_t* hundredths) {
  const size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
  int32_t units = 0;
  if (decimals.size() > 2 || !ParseCount(whole, &units) || units > 1'000'000) return false;
  for (const char c : decimals) {
    if (c < '0' || c > '9') return false;
  }
  decimals.resize(2, '0');
  *hundredths = units * 100 + std::stoi(decimals);
  return true;
}

const char* KindWord(sim::WatchKind kind) {
  switch (kind) {
    case sim::WatchKind::kStop:
      return "stop";
    case sim::WatchKind::kTake:
      return "take";
    case sim::WatchKind::kTrail:
      return "trail";
    case sim::WatchKind::kBreakout:
      return "breakout";
    case sim::WatchKind::kAlertAbove:
      return "alertAbove";
    case sim::WatchKind::kAlertBelow:
      return "alertBelow";
  }
  return "";
}

const char* StateWord(sim::WatchState state) {
  switch (state) {
    case sim::WatchState::kActive:
      return "active";
    case sim::WatchState::kFired:
      return "fired";
    case sim::WatchState::kEnded:
      return "ended";
    case sim::WatchState::kCancelled:
      return "cancelled";
  }
  return "";
}

}  // namespace

std::string WatchLine(sim::PaperTrading& paper, const sim::WatchCondition& c) {
  std::string line = Text(Txt::kWatchNumber) + " " + std::to_string(c.id) + "  " + Text(sim::WatchKindName(c.kind)) +
                     "  " + c.code + " " + paper.NameOf(c.code) + "  " + sim::WatchTriggerText(c);
  if (c.Orders()) line += "  " + sim::WatchOrderText(c);
  if (c.expiry != 0) line += "  " + Filled(Txt::kWatchUntil, std::to_string(c.expiry));
  line += "  " + Text(sim::WatchStateName(c.state));
  const std::string outcome = sim::WatchOutcomeText(c);
  if (!outcome.empty()) line += "  " + outcome;
  return Utf8(line);
}

std::vector<int64_t> ActiveWatchIds(sim::PaperTrading& paper, const std::string& account) {
  std::vector<int64_t> ids;
  for (const sim::WatchCondition& c : paper.Watches(account)) {
    if (c.state == sim::WatchState::kActive) ids.push_back(c.id);
  }
  return ids;
}

std::vector<sim::WatchCondition> WatchOutcomes(sim::PaperTrading& paper, const std::string& account,
                                               const std::vector<int64_t>& before) {
  std::vector<sim::WatchCondition> outcomes;
  for (sim::WatchCondition& c : paper.Watches(account)) {
    const bool wasActive = std::find(before.begin(), before.end(), c.id) != before.end();
    if (wasActive && c.state != sim::WatchState::kActive) outcomes.push_back(std::move(c));
  }
  return outcomes;
}

void PrintWatchOutcomes(sim::PaperTrading& paper, const std::string& account, const std::vector<int64_t>& before) {
  for (const sim::WatchCondition& c : WatchOutcomes(paper, account, before))
    std::printf("%s\n", WatchLine(paper, c).c_str());
  std::fflush(stdout);
}

JsonDocument WatchJson(sim::PaperTrading& paper, const sim::WatchCondition& c) {
  JsonDocument row = {{"id", c.id},
                      {"code", Utf8(c.code)},
                      {"name", Utf8(paper.NameOf(c.code))},
                      {"kind", KindWord(c.kind)},
                      {"state", StateWord(c.state)},
                      {"set", MomentText({c.setDate, c.setMs})}};
  if (c.kind == sim::WatchKind::kTrail) {
    row["trailPercent"] = c.trailPercent > 0 ? JsonDocument(c.trailPercent / 100.0) : JsonDocument();
    row["trailWon"] = c.trailWon > 0 ? JsonDocument(c.trailWon) : JsonDocument();
    row["peak"] = c.peak;
  } else {
    row["level"] = c.level;
  }
  if (c.Orders()) {
    row["order"] = {{"market", c.market},
                    {"ticks", c.ticks},
                    {"quantity", c.quantity > 0 ? JsonDocument(c.quantity) : JsonDocument("whole")}};
  }
  row["expiry"] = c.expiry != 0 ? JsonDocument(c.expiry) : JsonDocument();
  if (c.state != sim::WatchState::kActive) row["ended"] = MomentText({c.endDate, c.endMs});
  if (c.firedPrice > 0) row["contractPrice"] = c.firedPrice;
  if (c.orderNumber > 0) row["orderNumber"] = c.orderNumber;
  if (!c.message.empty()) row["message"] = Utf8(c.message);
  return row;
}

namespace {

void PrintWatchJson(sim::PaperTrading& paper, const std::vector<sim::WatchCondition>& all) {
  JsonDocument list = JsonDocument::array();
  for (const sim::WatchCondition& c : all) list.push_back(WatchJson(paper, c));
  std::printf("%s\n", JsonDump(list).c_str());
}

struct WatchOptions : PaperCommandOptions {
  std::vector<std::string> words;  // add KIND CODE | list | cancel ID
  std::string price, percent, won, quantity, ticks;
  bool above = false;
  bool below = false;
  int32_t until = 0;
  bool json = false;
};

bool Explain(Txt id) {
  ShowMessage(Text(id));
  return false;
}

bool ReadPercent(const std::string& text, int32_t* hundredths) {
  if (ParsePercent(text, hundredths)) return true;
  char message[512];
  std::snprintf(message, sizeof message, TextC(Txt::kWatchCliBadPercent), Utf8ToCp949(text).c_str());
  ShowMessage(message);
  return false;
}

// The condition of `watch add`, with its cost percentage; false after telling why.
bool ReadCondition(const WatchOptions& o, sim::WatchCondition* c, int32_t* costPercent) {
  const std::string& kind = o.words[1];
  const bool alert = kind == "alert";
  if (kind == "stop") c->kind = sim::WatchKind::kStop;
  else if (kind == "take") c->kind = sim::WatchKind::kTake;
  else if (kind == "trail") c->kind = sim::WatchKind::kTrail;
  else if (kind == "breakout") c->kind = sim::WatchKind::kBreakout;
  else if (alert && o.above != o.below) c->kind = o.above ? sim::WatchKind::kAlertAbove : sim::WatchKind::kAlertBelow;
  else return Explain(Txt::kWatchCliUsage);
  if (!alert && (o.above || o.below)) return Explain(Txt::kWatchCliUsage);
  c->code = Utf8ToCp949(o.words[2]);
  const bool trail = c->kind == sim::WatchKind::kTrail;
  const bool fromCost = c->kind == sim::WatchKind::kStop || c->kind == sim::WatchKind::kTake;
  // One trigger each: a level, or a percentage (of the cost, or a trailing stop's fall), or won.
  const int given = !o.price.empty() + !o.percent.empty() + !o.won.empty();
  if (given != 1 || (!o.percent.empty() && !trail && !fromCost) || (!o.won.empty() && !trail) ||
      (!o.price.empty() && trail))
    return Explain(Txt::kWatchCliUsage);
  if (!o.price.empty() && !ReadCount(o.price, &c->level)) return false;
  if (!o.won.empty() && !ReadCount(o.won, &c->trailWon)) return false;
  if (!o.percent.empty() && !ReadPercent(o.percent, trail ? &c->trailPercent : costPercent)) return false;
  if (!o.quantity.empty() && !ReadCount(o.quantity, &c->quantity)) return false;
  c->market = o.ticks.empty();
  if (!c->market && !ReadCount(o.ticks, &c->ticks)) return false;
  c->expiry = o.until;
  return true;
}

int RunWatch(const WatchOptions& options) {
  const std::vector<std::string>& w = options.words;
  const std::string action = w.empty() ? std::string() : w[0];
  const size_t words = action == "add" ? 3 : action == "cancel" ? 2 : action == "list" ? 1 : 0;
  if (words == 0 || w.size() != words) {
    Explain(Txt::kWatchCliUsage);
    return kExitFailure;
  }
  sim::WatchCondition condition;
  int32_t costPercent = 0;
  int32_t id = 0;
  if (action == "add" && !ReadCondition(options, &condition, &costPercent)) return kExitFailure;
  if (action == "cancel" && !ReadCount(w[1], &id)) return kExitFailure;
  sim::PaperLedger::Moment at;
  auto exchange = PaperExchange(options.setup, options.paper, action == "list", &at);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  TradingSession session;
  if (!session.LogIn()) return kExitFailure;
  sim::PaperTrading& paper = exchange->Paper();
  const std::string account = session.Account();
  if (action == "list") {
    const std::vector<sim::WatchCondition> all = paper.Watches(account);
    if (options.json) {
      PrintWatchJson(paper, all);
    } else {
      if (all.empty()) std::printf("%s\n", Utf8(Text(Txt::kWatchNone)).c_str());
      for (const sim::WatchCondition& c : all) std::printf("%s\n", WatchLine(paper, c).c_str());
    }
    return kExitOk;
  }
  if (action == "add" && paper.NameOf(condition.code).empty()) {
    // A code the book lacks is refused before the account's clock moves.
    ShowMessage(Text(Txt::kExUnknownCode));
    return kExitFailure;
  }
  exchange->AdvanceTo(at.date, at.timeMs);
  if (action == "cancel") {
    const std::string refused = paper.CancelWatch(account, id);
    if (refused.empty()) return kExitOk;
    ShowMessage(refused);
    return kExitFailure;
  }
  condition.account = account;
  const sim::PaperTrading::WatchResult set = paper.SetWatch(condition, costPercent);
  if (!set.refusal.empty()) {
    ShowMessage(set.refusal);
    return kExitFailure;
  }
  std::printf("%s\n", WatchLine(paper, set.condition).c_str());
  return kExitOk;
}

const bool registered = RegisterCommand([](CLI::App& app) {
  auto options = std::make_shared<WatchOptions>();
  CLI::App* watch = app.add_subcommand("watch", Words(Txt::kCliHelpWatch));
  AddExchangeSetupOptions(*watch, options->setup);
  AddPaperOptions(*watch, options->paper);
  watch->add_option("words", options->words, Words(Txt::kCliOptWatchWords))->required();
  watch->add_option("--price", options->price, Words(Txt::kCliOptWatchPrice));
  watch->add_option("--percent", options->percent, Words(Txt::kCliOptWatchPercent));
  watch->add_option("--won", options->won, Words(Txt::kCliOptWatchWon));
  watch->add_flag("--above", options->above, Words(Txt::kCliOptWatchAbove));
  watch->add_flag("--below", options->below, Words(Txt::kCliOptWatchBelow));
  watch->add_option("--quantity", options->quantity, Words(Txt::kCliOptWatchQuantity));
  watch->add_option("--ticks", options->ticks, Words(Txt::kCliOptWatchTicks));
  watch->add_option("--until", options->until, Words(Txt::kCliOptWatchUntil))->check(DateCheck());
  watch->add_flag("--json", options->json, Words(Txt::kCliOptWatchJson));
  watch->callback([options] { SetExitCode(RunWatch(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
