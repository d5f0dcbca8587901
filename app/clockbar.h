#pragma once
// The clock bar: the account's clock in the trader's hands, a toolbar of the main frame for a
// session of the embedded exchange. It runs and holds the session (▶/❚❚), changes its speed while
// it runs (×1 to ×1000, the choice remembered in the settings), and jumps the clock forward (+1분,
// +10분, +1시간, to the close, to the next trading day's pre-open) along the market's path, so the
// paper account meets everything on the way. After a jump it tells the frame, whose windows then
// show what a window opened at that moment shows. Each command has a shortcut, named in its tip.
#include <QToolBar>
#include <array>
#include <map>

#include "broker/sim/account_clock.h"
#include "broker/sim/market/clock.h"

class QAction;
class QKeySequence;

namespace ostrada {

class CClockBar : public QToolBar {
  Q_OBJECT
 public:
  // The speeds the bar offers, session time per real time.
  static constexpr std::array<int, 7> kSpeeds = {1, 2, 5, 10, 30, 100, 1000};

  // With `takeRememberedSpeed` the speed chosen last time applies at once (else the exchange keeps
  // the one it started with, as the command line asked). REQUIRES: `exchange` outlives the bar.
  CClockBar(sim::Exchange& exchange, bool takeRememberedSpeed, QWidget* parent);
  ~CClockBar() override;
  CClockBar(const CClockBar&) = delete;
  CClockBar& operator=(const CClockBar&) = delete;

  // The jump its button makes. False when it leads nowhere (the close has passed) or the exchange
  // refused it (told to the user; nothing moved).
  bool Jump(const sim::ClockJump& jump);

 signals:
  // The clock jumped: every window is to catch up with the new moment.
  void jumped();
  // The running clock passed the close. The orders that ended with the day raise no notice, so the
  // windows are to fetch what the account holds now.
  void sessionClosed();

 private:
  QAction* AddCommand(const QString& name, const QString& text, const QString& tip, const QKeySequence& key);
  void AddSpeeds(const std::map<int, QKeySequence>& keys);
  void AddJump(const sim::ClockJump& jump, const QString& name, const QString& text, const QString& tip,
               const QKeySequence& key);
  void SetRunning(bool running);
  void SetSpeed(int speed);
  // What the clock's moment allows: the close is no jump once it has passed.
  void FollowClock();

  sim::Exchange& exchange_;
  sim::ExchangeClock::ListenerId listener_;
  QAction* run_;
  std::map<int, QAction*> speeds_;
  QAction* toClose_ = nullptr;
  bool jumping_ = false;  // a jump tells the frame once, when it has landed
};

}  // namespace ostrada
