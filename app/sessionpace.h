#pragma once
// A poll at the pace of the program's clock as well as the wall's. The board's polls (its indexes,
// the holdings' prices) beat every few seconds of the wall, which at ×1000 is an hour of the
// session: the strip would stand that far behind the clock. This beat comes at the pump's interval
// and polls once the program's clock (the session's, on the embedded exchange) has moved the period
// since the last poll, or the wall has (a session held still polls as before).
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace ostrada {

class SessionPace : public QObject {
  Q_OBJECT
 public:
  // Started at once. REQUIRES: `periodMs` > 0.
  SessionPace(int periodMs, std::function<void()> poll, QObject* parent);
  void Stop() { beat_.stop(); }
  void Start();
  bool IsActive() const { return beat_.isActive(); }
  // The timer's beat: the poll when it is due.
  void Beat();

 private:
  const int64_t period_;
  const std::function<void()> poll_;
  QTimer beat_;
  int64_t polledAt_;  // the program's clock, milliseconds since 1970 in its zone
  int64_t wallSince_ = 0;
};

}  // namespace ostrada
