#pragma once
// Practice accounts: a trader starts a fresh paper account on a past trading day, and the ledger of
// the account before it is kept beside it, named with the dates it spans
// ("paper-20250303-20250314.sqlite", never overwriting another), so it can be opened again later:
// reopening one swaps it in, the current ledger kept under its dates the same way.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {

// What a new practice account starts with.
struct PracticeStart {
  int32_t date = 0;           // a trading day of the market's history, YYYYMMDD
  int64_t timeMs = 0;         // the time of that day its clock starts at
  int64_t cash = 0;           // each account's starting cash
  std::optional<uint64_t> seed;  // the market; none: the first session draws one
};

// The trading days a practice account can start on: from the market's first day through `today`.
bool IsPracticeDate(int32_t date, int32_t today);
// Why a practice account cannot start on the date (CP949), or none when it can.
std::optional<std::string> PracticeDateRefusal(int32_t date, int32_t today);

struct PracticeResult {
  std::optional<std::string> refused;  // CP949; nothing was changed
  std::string keptAs;                  // where the earlier ledger went; empty when there was none
};
// Moves the ledger at `ledgerPath` aside under its dates and starts a new one there at `start`. The
// ledger must not be open in another process: it would go on writing to the one kept.
PracticeResult StartPracticeAccount(const std::string& ledgerPath, const PracticeStart& start, int32_t today,
                                    const FeeRates& fees);

// A ledger kept beside the current one.
struct KeptLedger {
  std::string path;
  int32_t first = 0;  // the dates its name gives
  int32_t last = 0;
};
// The ledgers kept in the folder of `ledgerPath`, oldest first.
std::vector<KeptLedger> KeptLedgers(const std::string& ledgerPath);

// Makes the kept ledger `chosen` the current one at `ledgerPath`, the current ledger kept under its
// dates first. A chosen file that is damaged, of a newer version or open in another process, or a
// current one open elsewhere, is refused with nothing moved. Neither may be open in this process.
PracticeResult ReopenPracticeAccount(const std::string& ledgerPath, const std::string& chosen, const FeeRates& fees);

// What a list to choose a ledger by shows of it: the first account's cash and the ledger's clock.
struct LedgerFacts {
  int64_t cash = 0;
  PaperLedger::Moment clock;
};
// Read without writing anything; none when the file cannot be read as a ledger.
std::optional<LedgerFacts> ReadLedgerFacts(const std::string& path, const FeeRates& fees);

}  // namespace ostrada::sim
