#include "app/watchalerts.h"

#include "app/qtext.h"
#include "app/toolbaricons.h"
#include "app/watchdesk.h"
#include "app/watchmodel.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/foundation/uisink.h"
#include "broker/sim/paper/paper_watch_words.h"

namespace ostrada {

WatchAlerts::WatchAlerts(WatchDesk& desk, WatchModel& board, QObject* parent)
    : QObject(parent), desk_(desk), board_(board) {
  setObjectName(QStringLiteral("watchAlerts"));
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    tray_ = new QSystemTrayIcon(ProgramIcon(), this);
    tray_->setToolTip(QStringLiteral("ostrada"));
    tray_->show();
  }
  connect(&desk_, &WatchDesk::conditionEnded, this, &WatchAlerts::Tell);
}

void WatchAlerts::Tell(const sim::WatchCondition& condition) {
  if (condition.Orders() || condition.state != sim::WatchState::kFired) return;
  const QString what = FromCp949(desk_.NameOf(condition.code) + " " + sim::WatchTriggerText(condition) + "  " +
                                 sim::WatchOutcomeText(condition));
  board_.Mark(condition.code, what);
  if (tray_ != nullptr && QSystemTrayIcon::supportsMessages())
    tray_->showMessage(FromCp949(Text(Txt::kWatchAlertTitle)), what, QSystemTrayIcon::Information);
  CurrentUiSink().Beep();
}

}  // namespace ostrada
