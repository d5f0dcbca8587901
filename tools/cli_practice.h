#pragma once
// ostrada-cli account new / account kept: practice accounts. `new` keeps the current ledger under
// its dates and starts a fresh account on a past trading day; `kept` lists the kept ledgers, which
// any paper command opens again with --ledger.
#include <CLI/CLI.hpp>

namespace ostrada::cli {

// Adds the two under the `account` command.
void AddPracticeCommands(CLI::App& account);

}  // namespace ostrada::cli
