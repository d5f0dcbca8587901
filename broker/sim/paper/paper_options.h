#pragma once
// What the exchange's paper account starts from: where its ledger lives, the cash each account
// starts with and the fee rates. Rates are fractions of the traded value.
#include <cstdint>
#include <string>

namespace ostrada::sim {

struct PaperOptions {
  // The ledger's database file; empty keeps the account in memory for the exchange's lifetime.
  std::string ledgerPath;
  int64_t startingCash = 100'000'000;
  double commissionRate = 0.00015;  // both sides
  double sellTaxRate = 0.0020;      // sells only
  // The account's market. On: a ledger without one draws its seed at random, and a ledger with one
  // runs it whatever the exchange's seed. Off: a new ledger keeps the exchange's seed, and a ledger
  // of another seed's market refuses to trade (it would trade on a market it does not belong to).
  bool drawSeed = false;
  // The account's listing size. On: a ledger that keeps one runs it whatever the exchange's. Off: a
  // new ledger keeps the exchange's, and a ledger of another size refuses to trade (the same seed with
  // another size is another market).
  bool followListing = false;
  // A view: the ledger is opened for reading only, and nothing is written to it, not even the clock.
  bool readOnly = false;
};

// The ledger's file name in the data folder.
inline constexpr const char* kPaperLedgerFileName = "paper.sqlite";

}  // namespace ostrada::sim
