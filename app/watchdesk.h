#pragma once
// WatchDesk: the paper account's standing conditions (감시주문) for the program's windows. It sets
// and cancels them through the embedded exchange's paper account, keeps the list the windows show,
// and tells when one is set, fires or ends, in whichever process that happened: after each move of
// the clock (the pump, a jump) it looks at the ledger's conditions once the move is over and
// compares them with the last look.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/paper_watch.h"

namespace ostrada {

class WatchDesk : public QObject {
  Q_OBJECT
 public:
  // The login's account of the exchange's paper account. REQUIRES: `exchange` outlives the desk.
  WatchDesk(sim::Exchange& exchange, QObject* parent = nullptr);
  ~WatchDesk() override;
  WatchDesk(const WatchDesk&) = delete;
  WatchDesk& operator=(const WatchDesk&) = delete;

  // Sets the condition at the account's clock (a stop or a take-profit may name its level as
  // `costPercent` hundredths of a percent from the cost). The refusal in the core's words (CP949),
  // or empty when set.
  std::string Set(sim::WatchCondition condition, int32_t costPercent = 0);
  // The refusal (CP949), or empty when cancelled.
  std::string Cancel(int64_t id);
  // Every condition of the account as of the last look, oldest first.
  const std::vector<sim::WatchCondition>& Conditions() const { return conditions_; }
  // The name the listing gives the code (CP949).
  std::string NameOf(const std::string& code) const;
  // Reads the ledger's conditions now and tells what changed since the last look.
  void Look();

 signals:
  // A condition was set (here or by another process).
  void conditionSet(const sim::WatchCondition& condition);
  // A condition stopped watching: it fired, ended or was cancelled.
  void conditionEnded(const sim::WatchCondition& condition);
  // The list changed.
  void changed();

 private:
  sim::Exchange& exchange_;
  const std::string account_;
  sim::ExchangeClock::ListenerId listener_;
  // A move of the clock asks for a look once control is back in the event loop, so a jump of many
  // steps reads the ledger once.
  QTimer look_;
  std::vector<sim::WatchCondition> conditions_;
  std::map<int64_t, sim::WatchState> states_;
};

}  // namespace ostrada
