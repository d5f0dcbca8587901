#include "tools/exchange_setup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/paper_account.h"
#include "tools/cli_words.h"
#include "tools/command.h"

namespace ostrada::cli {

bool ReadAccountMarket(std::optional<AccountMarket>* account) {
  const std::string folder = DataFolder();
  if (folder.empty() || !std::filesystem::exists(folder + sim::kPaperLedgerFileName)) return true;
  std::string problem;
  // Read only: showing the market never writes the account, whatever its file, folder or disk allow.
  auto ledger = sim::PaperLedger::OpenToRead(folder + sim::kPaperLedgerFileName, sim::FeeRates{}, problem);
  if (!ledger) {
    ShowMessage(problem);
    return false;
  }
  try {
    const std::optional<uint64_t> seed = ledger->MarketSeed();
    const sim::PaperLedger::Moment clock = ledger->LastSeen();
    if (seed && sim::IsValidDate(clock.date)) *account = AccountMarket{*seed, ledger->ListingSize(), clock};
  } catch (const sim::SqliteError& error) {
    ShowMessage(Text(Txt::kPaperLedgerReadFailed) + " " + Utf8ToCp949(folder) + " (" + error.what() + ")");
    return false;
  }
  return true;
}

int64_t ParseTime(const std::string& text) {
  int hh = 0, mm = 0, ss = 0;
  char tail = 0;
  const int fields = std::sscanf(text.c_str(), "%d:%d:%d%c", &hh, &mm, &ss, &tail);
  // HH:MM is taken as HH:MM:00; "HH:MM:" is not.
  if (fields != 3 && !(fields == 2 && text.find(':') == text.rfind(':'))) return -1;
  if (hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 || ss > 59) return -1;
  return ((hh * 60LL + mm) * 60 + ss) * 1000;
}

sim::ExchangeOptions StoppedAt(int32_t date, int64_t timeOfDay) {
  sim::ExchangeOptions options;
  options.clock = sim::ClockMode::kLive;
  const int32_t day = date > 0 ? date : sim::DefaultTradingDate(sim::SystemMilliseconds());
  options.wallClock = [moment = sim::KoreanUnixMilliseconds(day, timeOfDay)] { return moment; };
  return options;
}

std::string MomentText(const sim::PaperLedger::Moment& moment) {
  const int64_t seconds = moment.timeMs / 1000;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld", moment.date / 10000, moment.date / 100 % 100,
                moment.date % 100, static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

bool Before(const sim::PaperLedger::Moment& a, const sim::PaperLedger::Moment& b) {
  return a.date < b.date || (a.date == b.date && a.timeMs < b.timeMs);
}

CLI::Validator DateCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (end != text.c_str() && *end == '\0' && errno == 0 && value > 0 && value <= INT32_MAX &&
            sim::IsValidDate(static_cast<int32_t>(value)))
          return {};
        char message[512];
        std::snprintf(message, sizeof message, TextC(Txt::kCliBadDate), Utf8ToCp949(text).c_str());
        return Cp949ToUtf8(message);
      },
      "YYYYMMDD");
}

void AddMarketOptions(CLI::App& command, ExchangeSetup& setup) {
  setup.seedOption = command.add_option("--seed", setup.seed, Words(Txt::kCliOptExchangeSeed));
  setup.stocksOption = command.add_option("--stocks", setup.stocks, Words(Txt::kCliOptListingSize))
                           ->check(NotNegative());
}

void AddExchangeSetupOptions(CLI::App& command, ExchangeSetup& setup, const std::string& dateOption) {
  AddMarketOptions(command, setup);
  setup.dateOption = command.add_option(dateOption, setup.date, Words(Txt::kCliOptTradingDate))
                          ->check(DateCheck());
  setup.atOption = command.add_option("--at", setup.at, Words(Txt::kCliOptExchangeTime))->capture_default_str();
}

std::unique_ptr<sim::Exchange> StartExchange(const ExchangeSetup& setup) {
  sim::PaperLedger::Moment moment{setup.date, ParseTime(setup.at)};
  if (moment.timeMs < 0) {
    Fail(Txt::kCliBadTimeOfDay, setup.at);
    return nullptr;
  }
  std::optional<AccountMarket> account;
  if (!setup.SeedGiven() && !ReadAccountMarket(&account)) return nullptr;
  if (account) {
    // The account's market as far as its clock has come, and no further.
    if (!setup.DateGiven()) moment.date = account->clock.date;
    if (Before(account->clock, moment)) {
      if (setup.DateGiven() || setup.AtGiven()) {
        char message[512];
        std::snprintf(message, sizeof message, TextC(Txt::kPaperAfterClock), MomentText(account->clock).c_str());
        ShowMessage(message);
        return nullptr;
      }
      moment = account->clock;
    }
  }
  sim::ExchangeOptions options = StoppedAt(moment.date, moment.timeMs);
  options.seed = setup.seed;
  options.stocks = setup.stocks;
  if (account) options.marketSeed = account->seed;
  if (account && account->stocks && !setup.StocksGiven()) options.stocks = *account->stocks;
  return std::make_unique<sim::Exchange>(options);
}

}  // namespace ostrada::cli
