#include "tools/paper_exchange.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada::cli {

bool ParseCount(const std::string& text, int32_t* value) {
  int64_t number = 0;
  int digits = 0;
  int group = 0;  // digits since the last comma
  bool grouped = false;
  for (const char c : text) {
    if (c == ',') {
      if (group == 0 || group > 3 || (grouped && group != 3)) return false;
      grouped = true;
      group = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
    if (number > INT32_MAX) return false;
    ++digits;
    ++group;
  }
  if (digits == 0 || (grouped && group != 3)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

bool ReadCount(const std::string& text, int32_t* value) {
  if (ParseCount(text, value)) return true;
  char message[512];
  std::snprintf(message, sizeof message, TextC(Txt::kTrdCliBadNumber), Utf8ToCp949(text).c_str());
  ShowMessage(message);
  return false;
}

namespace {

// The account's clock when the command starts, and the moment the command trades at: the clock
// unless --date or --at move it forward.
struct CommandMoments {
  sim::PaperLedger::Moment clock;
  sim::PaperLedger::Moment at;
};

// A new ledger's clock starts at 09:00:00 of the last trading day (or where the command says).
// Trading only moves the clock forward; a read-only command shows the account at its clock. Null
// after telling why.
std::optional<CommandMoments> StartMoment(const ExchangeSetup& setup, const sim::PaperOptions& paper, bool readOnly) {
  const int64_t at = setup.AtGiven() ? ParseTime(setup.at) : 0;
  if (at < 0) {
    char message[512];
    std::snprintf(message, sizeof message, TextC(Txt::kTrdCliBadTime), Utf8ToCp949(setup.at).c_str());
    ShowMessage(message);
    return std::nullopt;
  }
  try {
    sim::PaperLedger::Moment clock;  // date 0: a new account
    std::unique_ptr<sim::PaperLedger> ledger;
    // A view of an account nobody opened yet shows a new one, and leaves no file behind.
    if (!readOnly || std::filesystem::exists(paper.ledgerPath)) {
      std::string problem;
      ledger = readOnly ? sim::PaperLedger::OpenToRead(paper.ledgerPath, sim::FeeRatesOf(paper), problem)
                        : sim::PaperLedger::Open(paper.ledgerPath, sim::PaperAccountNumbers(), paper.startingCash,
                                                 sim::FeeRatesOf(paper), problem);
      if (!ledger) {
        ShowMessage(problem);
        return std::nullopt;
      }
      clock = ledger->LastSeen();
    }
    if (!sim::IsValidDate(clock.date)) {
      const sim::PaperLedger::Moment start{
          setup.DateGiven() ? setup.date : sim::DefaultTradingDate(sim::SystemMilliseconds()),
          setup.AtGiven() ? at : sim::ExchangeClock::AtHhmmss(sim::kMarketOpenHhmm * 100)};
      if (!readOnly) ledger->See(start.date, start.timeMs);
      return CommandMoments{start, start};
    }
    sim::PaperLedger::Moment start{setup.DateGiven() ? setup.date : clock.date, clock.timeMs};
    if (setup.AtGiven()) {
      start.timeMs = at;
    } else if (start.date != clock.date) {
      start.timeMs = sim::ExchangeClock::AtHhmmss(sim::kMarketOpenHhmm * 100);
    }
    const bool early = Before(start, clock);
    if (early || (readOnly && Before(clock, start))) {
      char message[512];
      std::snprintf(message, sizeof message, TextC(early ? Txt::kPaperBeforeClock : Txt::kPaperAfterClock),
                    MomentText(clock).c_str());
      ShowMessage(message);
      return std::nullopt;
    }
    return CommandMoments{clock, start};
  } catch (const sim::SqliteError& error) {
    ShowMessage(Text(readOnly ? Txt::kPaperLedgerReadFailed : Txt::kPaperLedgerWriteFailed) + " " + error.what());
    return std::nullopt;
  }
}

}  // namespace

std::unique_ptr<sim::Exchange> PaperExchange(const ExchangeSetup& setup, const PaperCliOptions& paperOptions,
                                             bool readOnly, sim::PaperLedger::Moment* at) {
  // The paper account lives in the data folder, so a later command sees the orders of an earlier one.
  sim::PaperOptions paper = PaperOptionsFor(paperOptions);
  if (paper.ledgerPath.empty()) return nullptr;
  // Without --seed the account's own market; a --seed of another market is refused by the exchange.
  paper.drawSeed = !setup.SeedGiven();
  // Likewise its own listing size without --stocks; another size is refused.
  paper.followListing = !setup.StocksGiven();
  // A view reads the ledger and never writes it; one of an account not opened yet keeps it in memory.
  paper.readOnly = readOnly;
  if (readOnly && !std::filesystem::exists(paper.ledgerPath)) {
    // The data folder's ledger not there yet is a new account; a ledger the user named is a name mistyped.
    if (!paperOptions.ledger.empty()) {
      ShowMessage(TextWithPath(Txt::kFileCannotOpen, Utf8ToCp949(paper.ledgerPath)));
      return nullptr;
    }
    paper.ledgerPath.clear();
  }
  const std::optional<CommandMoments> moments = StartMoment(setup, paper, readOnly);
  if (!moments) return nullptr;
  if (at != nullptr) *at = moments->at;
  const sim::PaperLedger::Moment& start = readOnly ? moments->at : moments->clock;
  sim::ExchangeOptions exchangeOptions = StoppedAt(start.date, start.timeMs);
  exchangeOptions.seed = setup.seed;
  exchangeOptions.stocks = setup.stocks;
  exchangeOptions.paper = paper;
  auto exchange = std::make_unique<sim::Exchange>(exchangeOptions);
  if (!exchange->PaperProblem().empty()) {
    ShowMessage(exchange->PaperProblem());
    return nullptr;
  }
  return exchange;
}

}  // namespace ostrada::cli
