#pragma once
// What the commands on the paper account share: the exchange they run (the account's market, its
// clock started at the account's, on the ledger the command names, the data folder's by default),
// and the counts they read as the order form does.
#include <cstdint>
#include <memory>
#include <string>

#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tools/cli_paper.h"
#include "tools/exchange_setup.h"

namespace ostrada::cli {

struct PaperCommandOptions {
  // The account's clock unless --at or --date is given.
  ExchangeSetup setup = {.at = ""};
  PaperCliOptions paper;
};

// A count typed as on the order form: digits, optionally grouped by three with "," (1,000 but not
// 1,0), at most 2^31 - 1.
bool ParseCount(const std::string& text, int32_t* value);
// The count, or an explanation on stderr and false.
bool ReadCount(const std::string& text, int32_t* value);

// `*at`, when asked, is the moment the command trades at (the account's clock unless --date or --at
// move it forward), which the market reaches along its path (Exchange::AdvanceTo) once nothing is
// left to refuse before it. A read-only command starts there and refuses a moment after the clock.
// Null after telling why.
std::unique_ptr<sim::Exchange> PaperExchange(const ExchangeSetup& setup, const PaperCliOptions& paper, bool readOnly,
                                             sim::PaperLedger::Moment* at = nullptr);

}  // namespace ostrada::cli
