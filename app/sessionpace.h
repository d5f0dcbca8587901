#pragma once
// The board's polls (its indexes, the holdings' prices) at the session's pace as well as the wall's.
// Their timers beat every few seconds of the wall, which at ×1000 is an hour of the session: the
// strip would stand that far behind the clock. On a session of the embedded exchange the poll is
// also made each time that much session time has passed, once the move that passed it is over (a
// jump polls once, at its end, not on its way).
#include <QObject>
#include <cstdint>
#include <functional>

#include "broker/sim/market/clock.h"

namespace ostrada {

class SessionPace : public QObject {
 public:
  // REQUIRES: `clock` outlives the pace; `periodMs` > 0.
  SessionPace(sim::ExchangeClock& clock, int64_t periodMs, std::function<void()> poll, QObject* parent);
  ~SessionPace() override;
  SessionPace(const SessionPace&) = delete;
  SessionPace& operator=(const SessionPace&) = delete;

 private:
  void Moved(int64_t now);

  sim::ExchangeClock& clock_;
  sim::ExchangeClock::ListenerId listener_;
  const int64_t period_;
  const std::function<void()> poll_;
  int64_t polledAt_;
  bool queued_ = false;
};

}  // namespace ostrada
