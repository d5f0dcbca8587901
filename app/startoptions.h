#pragma once
// How the program starts: which embedded exchange it runs on and which start-up fault, if any, it
// plays. Each option has an environment variable; the command line wins over the environment.
//   --seed N          OSTRADA_SEED     the exchange's seed (default: the paper account's own market)
//   --stocks N        OSTRADA_STOCKS   the listing size (0: the full market)
//   --clock MODE      OSTRADA_CLOCK    session (a trading day from 09:00) or live (the wall clock)
//   --speed X         OSTRADA_SPEED    session time per real time
//   --fault NAME      OSTRADA_FAULT    no-listing (the code list cannot be downloaded) or
//                                      no-server (the server cannot be reached)
//   --cash N          OSTRADA_CASH     the cash a new paper account starts with, in won
//   --ledger PATH     OSTRADA_LEDGER   the paper account's ledger (the program: the data folder's)
//   --layout MODE     OSTRADA_LAYOUT   restore (the windows open at the last quit) or clean (none)
//   --help, --version                  print the options or the program's version, and run nothing
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

#include "broker/sim/exchange.h"

namespace ostrada {

enum class StartFault { kNone, kNoListing, kNoServer };

struct StartOptions {
  sim::ExchangeOptions exchange;
  // --speed or its variable named the session's speed, which then wins over the one the clock bar
  // remembers.
  bool speedChosen = false;
  StartFault fault = StartFault::kNone;
  // Whether the window layout is kept in the settings at quit and where (empty: the program's own
  // settings); the program keeps it, tests and embedders only when they ask.
  bool rememberLayout = false;
  QString layoutFile;
  // Start without the remembered windows (they are still saved at quit).
  bool cleanLayout = false;
  // Further faults armed on the exchange before start-up first talks to it (tests).
  std::function<void(sim::FaultPlan&)> armFaults;
};

enum class ParseResult { kRun, kHelp, kError };

// Reads the options; kHelp and kError leave the text to print (the help or the version, or what was
// wrong) in `message`. Needs no display: the program answers --help and --version before it opens one.
ParseResult ParseStartOptions(const QStringList& arguments, const QProcessEnvironment& environment,
                              StartOptions& options, QString& message);

}  // namespace ostrada
