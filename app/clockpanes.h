#pragma once
// The status bar's clock panes: the account's date with its weekday, its time to the second and
// where the session stands ("장중", "동시호가", ...). They follow the exchange's clock however it
// moves: the pump, a jump of the clock bar, or another process on the ledger running it on.
#include <QObject>
#include <cstdint>

#include "broker/sim/market/clock.h"

class QLabel;
class QStatusBar;

namespace ostrada {

class ClockPanes : public QObject {
  Q_OBJECT
 public:
  // The panes go before the bar's permanent indicators. REQUIRES: `clock` outlives the panes.
  ClockPanes(sim::ExchangeClock& clock, QStatusBar& bar);
  ~ClockPanes() override;
  ClockPanes(const ClockPanes&) = delete;
  ClockPanes& operator=(const ClockPanes&) = delete;

 private:
  QLabel* AddPane(QStatusBar& bar, int position, const QString& name, const QString& widest);
  void Show();

  sim::ExchangeClock& clock_;
  sim::ExchangeClock::ListenerId listener_;
  QLabel* date_;
  QLabel* time_;
  QLabel* state_;
  int64_t shownSecond_ = -1;
};

}  // namespace ostrada
