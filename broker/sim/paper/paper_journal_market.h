#pragma once
// The journal's market: the closes, share changes and names of the exchange's own history, as the
// market stands at the paper account's clock (today's close is the price at that moment while the
// day trades). Each stock's history is drawn once. And the journal of a ledger on that market, as
// the command line and the program's window open it alike.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "broker/sim/market/market.h"
#include "broker/sim/paper/paper_journal.h"

namespace ostrada::sim {

class MarketJournal : public JournalMarket {
 public:
  // REQUIRES: the market outlives this and stands where the journal ends.
  explicit MarketJournal(Market& market) : market_(market) {}

  int32_t Close(const std::string& code, int32_t date) override;
  std::vector<ShareChange> ShareChanges(const std::string& code) override;
  std::string NameOf(const std::string& code) override;

 private:
  // The stock's closes by date; empty when the listing lacks it.
  const std::unordered_map<int32_t, int32_t>& ClosesOf(const std::string& code);

  Market& market_;
  std::unordered_map<std::string, std::unordered_map<int32_t, int32_t>> closes_;
};

// Where an account's record is read: its ledger file and the listing it traded on (the market is
// the ledger's own).
struct JournalPlace {
  std::string ledgerPath;
  std::string account;
  uint64_t listingSeed = 0;
  int stocks = 0;  // the listing's size (0: the default one)
};

// The account's journal from `from` through `to` (0: open ends), priced by its own market drawn to
// the ledger's clock. None when the ledger cannot be read: `problem` says why (CP949).
std::optional<Journal> OpenJournal(const JournalPlace& place, int32_t from, int32_t to, std::string& problem);

}  // namespace ostrada::sim
