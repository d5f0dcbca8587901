#pragma once
// ostrada-cli account new / kept / open: practice accounts. `new` keeps the current ledger under
// its dates and starts a fresh account on a past trading day; `kept` lists the kept ledgers with
// their clock and cash; `open` makes one the current ledger again, keeping the current one.
#include <CLI/CLI.hpp>

namespace ostrada::cli {

// Adds the three under the `account` command.
void AddPracticeCommands(CLI::App& account);

}  // namespace ostrada::cli
