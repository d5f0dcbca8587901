#pragma once
// What the commands on the paper account share: the exchange of the account's market started at its
// clock, and the counts they read as the order form does.
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

// The exchange of the account's market, its clock started at the account's; `*at` is the moment the
// command trades at, which the market reaches along its path (Exchange::AdvanceTo) once nothing is
// left to refuse before it. A read-only command starts at that moment. Null after telling why.
std::unique_ptr<sim::Exchange> BuildExchange(const PaperCommandOptions& options, bool readOnly,
                                             sim::PaperLedger::Moment* at = nullptr);

}  // namespace ostrada::cli
