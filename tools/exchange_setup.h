#pragma once
// The embedded exchange as the data commands start it: a seed, a listing size, a trading date and a
// moment of that day at which its clock stands still, so every run answers the same bytes. Without
// --seed they show the paper account's own market (the data folder's ledger keeps it), and only up to
// the account's clock: what has not happened there yet cannot be looked up in advance.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::cli {

struct ExchangeSetup {
  uint64_t seed = sim::ExchangeOptions{}.seed;
  int stocks = 0;
  int32_t date = 0;             // 0: the last trading day
  std::string at = "15:40:00";  // after the close: today's bar is whole
  // The options as registered by AddExchangeSetupOptions; a setup made without them counts its
  // seed as chosen and its date and time as defaults.
  CLI::Option* seedOption = nullptr;
  CLI::Option* stocksOption = nullptr;
  CLI::Option* dateOption = nullptr;
  CLI::Option* atOption = nullptr;

  bool SeedGiven() const { return seedOption == nullptr || seedOption->count() > 0; }
  bool StocksGiven() const { return stocksOption == nullptr || stocksOption->count() > 0; }
  bool DateGiven() const { return dateOption != nullptr && dateOption->count() > 0; }
  bool AtGiven() const { return atOption != nullptr && atOption->count() > 0; }
};

// The market and the clock of the data folder's paper account, when it has chosen a market.
struct AccountMarket {
  uint64_t seed = 0;
  std::optional<int> stocks;  // its listing size, once a session chose it
  sim::PaperLedger::Moment clock;
};

// Null without an account's market; false after telling why the ledger cannot be read.
bool ReadAccountMarket(std::optional<AccountMarket>* account);

// HH:MM:SS (or HH:MM) as milliseconds of the day; -1 when malformed.
int64_t ParseTime(const std::string& text);

// Options whose clock stands still at the time of day on the date (0: the last trading day), so any
// moment of the day can be shown and a command moves it on only by advancing the exchange itself.
sim::ExchangeOptions StoppedAt(int32_t date, int64_t timeOfDay);

// "2026-12-08 10:30:00"
std::string MomentText(const sim::PaperLedger::Moment& moment);
// a comes before b.
bool Before(const sim::PaperLedger::Moment& a, const sim::PaperLedger::Moment& b);

// A date option's check: a calendar date YYYYMMDD, or a Korean message naming what was typed. A
// mistyped day never rolls into another month, nor moves a paper account's clock there for good.
CLI::Validator DateCheck();

// The market's options alone (--seed, --stocks), for a command whose moment is the account's clock.
void AddMarketOptions(CLI::App& command, ExchangeSetup& setup);

// The trading-date option is named by the caller where "--date" means another date.
void AddExchangeSetupOptions(CLI::App& command, ExchangeSetup& setup, const std::string& dateOption = "--date");

// The exchange stopped at the chosen moment; null after telling stderr what was wrong.
std::unique_ptr<sim::Exchange> StartExchange(const ExchangeSetup& setup);

}  // namespace ostrada::cli
