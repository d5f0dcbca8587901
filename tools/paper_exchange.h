#pragma once
// The exchange a paper-account command runs: the account's market, its clock started at the
// account's, on the ledger the command names (the data folder's by default).
#include <memory>

#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tools/cli_paper.h"
#include "tools/exchange_setup.h"

namespace ostrada::cli {

// `*at`, when asked, is the moment the command trades at (the account's clock unless --date or --at
// move it forward), which the market reaches along its path (Exchange::AdvanceTo) once nothing is
// left to refuse before it. A read-only command starts there and refuses a moment after the clock.
// Null after telling why.
std::unique_ptr<sim::Exchange> PaperExchange(const ExchangeSetup& setup, const PaperCliOptions& paper, bool readOnly,
                                             sim::PaperLedger::Moment* at = nullptr);

}  // namespace ostrada::cli
