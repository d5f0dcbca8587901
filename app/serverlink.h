#pragma once
// The program's connection to its server: the embedded exchange, installed as the process's server
// for the whole run, its clock moved forward by a timer on the GUI thread, and in session mode the
// exchange's time as the program's clock.
#include <QTimer>
#include <memory>
#include <optional>

#include "app/startoptions.h"
#include "basesrc/foundation/localtime.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"

namespace ostrada {

class ServerLink {
 public:
  // How often the timer moves the clock: often enough that prices move smoothly, seldom enough to
  // leave the GUI thread idle.
  static constexpr int kPumpIntervalMs = 50;

  ServerLink() = default;
  ~ServerLink();
  ServerLink(const ServerLink&) = delete;
  ServerLink& operator=(const ServerLink&) = delete;

  // Starts the exchange with the options' seed, listing, clock and start-up fault, installs it and
  // checks that it answers; 0 when the server cannot be reached (nothing stays installed).
  int Start(const StartOptions& options);
  // Uninstalls and ends the exchange, which closes its ledger. REQUIRES: no server object is left.
  void Stop();
  sim::Exchange* Exchange() const { return exchange_.get(); }

 private:
  std::unique_ptr<sim::Exchange> exchange_;
  std::optional<broker::ScopedServer> installed_;
  std::optional<ScopedTimeSource> clockInstalled_;
  QTimer pumpTimer_;
};

}  // namespace ostrada
