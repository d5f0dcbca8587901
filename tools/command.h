#pragma once
// Each tools/cli_*.cpp adds its subcommands to the one CLI11 app through a static registrar, so
// the front door never lists them by hand.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <limits>

namespace ostrada::cli {

using Registration = std::function<void(CLI::App& app)>;

// Keeps the registration for main(); returns true so it can initialise a static.
bool RegisterCommand(Registration registration);

// Exit codes: 0 success, 1 failure (the message and the reported failures are on stderr).
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

// A count that may not be negative, refused with its range ("Value -1 not in range 0 to 2147483647")
// rather than CLI::NonNegativeNumber's bound of the largest double.
inline CLI::Range NotNegative() {
  return CLI::Range(0, std::numeric_limits<int32_t>::max());
}

// The exit code a subcommand sets for main to return.
void SetExitCode(int code);

}  // namespace ostrada::cli
