#pragma once
// The paper-account options every trading command shares: which ledger and the cash a new account
// starts with. The default ledger is the program's: paper.sqlite in the data folder.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "basesrc/foundation/datafolder.h"
#include "broker/sim/paper/paper_options.h"
#include "tools/cli_words.h"

namespace ostrada::cli {

struct PaperCliOptions {
  std::string ledger;
  int64_t cash = sim::PaperOptions{}.startingCash;
};

inline void AddPaperOptions(CLI::App& command, PaperCliOptions& options) {
  command.add_option("--ledger", options.ledger, Words(Txt::kCliOptLedger));
  command.add_option("--cash", options.cash, Words(Txt::kCliOptCash))
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            // Read here: a number past 64 bits would otherwise become the largest one unsaid.
            int64_t cash = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), cash);
            if (error == std::errc() && end == text.data() + text.size() && cash >= 0) return {};
            return "Value " + text + " not in range 0 to " + std::to_string(std::numeric_limits<int64_t>::max());
          },
          "WON"));
}

inline sim::PaperOptions PaperOptionsFor(const PaperCliOptions& options) {
  sim::PaperOptions paper;
  paper.startingCash = options.cash;
  paper.ledgerPath = options.ledger;
  if (paper.ledgerPath.empty()) {
    const std::string folder = DataFolder();
    if (!folder.empty()) paper.ledgerPath = folder + sim::kPaperLedgerFileName;
  }
  return paper;
}

}  // namespace ostrada::cli
