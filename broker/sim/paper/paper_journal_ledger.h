#pragma once
// What the journal reads of a paper ledger: one account's orders and fills, its cash then and now,
// and how far the holdings took the market's share changes. The file is opened for reading only and
// read in one snapshot, so a process trading meanwhile is neither disturbed nor seen half-way. This
// is the one place the journal names the ledger's tables.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {

struct JournalLedger {
  std::string account;
  int64_t startingCash = 0;
  int64_t cash = 0;                      // now
  std::vector<PaperHolding> holdings;    // now, in code order
  std::vector<PaperOrder> orders;        // every order of the account, by date and number
  std::vector<PaperFill> fills;          // the fills of those orders, in the order they were recorded
  PaperLedger::Moment clock;             // the latest exchange time the ledger saw
  int32_t sharesThrough = 0;             // the trading date through which the holdings took share changes
  std::optional<uint64_t> marketSeed;
};

// Reads the account from the ledger at `path`. None when the file is missing, is no ledger, is
// locked by another process past a short wait, or the account is unknown: `problem` says which in
// Korean (CP949). Nothing is ever written, not even a new file.
std::optional<JournalLedger> ReadJournalLedger(const std::string& path, const std::string& account,
                                               std::string& problem);

}  // namespace ostrada::sim
