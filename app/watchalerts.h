#pragma once
// WatchAlerts: what the program does when a price alert (가격 알림) of the account is met, in this
// process or another: a message from the system tray's icon where the desktop has a tray, a beep
// through the program's one message sink, and a mark on the stock's row of the home board.
#include <QObject>
#include <QSystemTrayIcon>

#include "broker/sim/paper/paper_watch.h"

namespace ostrada {

class WatchDesk;
class WatchModel;

class WatchAlerts : public QObject {
  Q_OBJECT
 public:
  // REQUIRES: `desk` and `board` outlive the alerts.
  WatchAlerts(WatchDesk& desk, WatchModel& board, QObject* parent = nullptr);

 private:
  void Tell(const sim::WatchCondition& condition);

  WatchDesk& desk_;
  WatchModel& board_;
  QSystemTrayIcon* tray_ = nullptr;  // null without a tray
};

}  // namespace ostrada
