#pragma once
// Each tools/cli_*.cpp adds its subcommands to the one CLI11 app through a static registrar, so
// the front door never lists them by hand.
#include <CLI/CLI.hpp>
#include <functional>

namespace ostrada::cli {

using Registration = std::function<void(CLI::App& app)>;

// Keeps the registration for main(); returns true so it can initialise a static.
bool RegisterCommand(Registration registration);

// Exit codes: 0 success, 1 failure (the message and the reported failures are on stderr).
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

// The exit code a subcommand sets for main to return.
void SetExitCode(int code);

}  // namespace ostrada::cli
