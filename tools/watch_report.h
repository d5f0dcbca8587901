#pragma once
// The paper account's standing conditions in the command line's words: a line each, a JSON row each,
// and what became of those a run saw active.
#include <cstdint>
#include <string>
#include <vector>

#include "broker/sim/paper/paper_account.h"
#include "tools/json_output.h"

namespace ostrada::cli {

// One condition: its number, kind, stock, trigger, order, state and what met or ended it (UTF-8).
std::string WatchLine(sim::PaperTrading& paper, const sim::WatchCondition& condition);
// The same as one JSON object, as `watch list --json` gives it.
JsonDocument WatchJson(sim::PaperTrading& paper, const sim::WatchCondition& condition);
// The account's active conditions now.
std::vector<int64_t> ActiveWatchIds(sim::PaperTrading& paper, const std::string& account);
// The conditions of `before` that fired or ended since.
std::vector<sim::WatchCondition> WatchOutcomes(sim::PaperTrading& paper, const std::string& account,
                                               const std::vector<int64_t>& before);
// Prints a line for each of them.
void PrintWatchOutcomes(sim::PaperTrading& paper, const std::string& account, const std::vector<int64_t>& before);

}  // namespace ostrada::cli
