#include "app/clockbar.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QSettings>
#include <cstdio>

#include "app/qtext.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/foundation/uisink.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada {
namespace {

constexpr char kSpeedKey[] = "clock/speed";

QString Catalogue(Txt id) {
  return FromCp949(Text(id));
}

// A command's tip names its shortcut, the one place a user learns it.
void SetTip(QAction& action, const QString& tip) {
  action.setToolTip(tip + QStringLiteral(" (") + action.shortcut().toString(QKeySequence::NativeText) +
                    QLatin1Char(')'));
}

}  // namespace

CClockBar::CClockBar(sim::Exchange& exchange, bool takeRememberedSpeed, QWidget* parent)
    : QToolBar(Catalogue(Txt::kClockBarName).remove(QStringLiteral("(&C)")), parent), exchange_(exchange) {
  setObjectName(QStringLiteral("toolbarClock"));
  setToolButtonStyle(Qt::ToolButtonTextOnly);
  toggleViewAction()->setText(Catalogue(Txt::kClockBarName));

  run_ = AddCommand(QStringLiteral("clockRun"), QString(), QString(), QKeySequence(Qt::CTRL | Qt::Key_Space));
  connect(run_, &QAction::triggered, this, [this] { SetRunning(!exchange_.Running()); });
  addSeparator();
  AddSpeeds({{1, QKeySequence(Qt::CTRL | Qt::Key_1)},
             {2, QKeySequence(Qt::CTRL | Qt::Key_2)},
             {5, QKeySequence(Qt::CTRL | Qt::Key_3)},
             {10, QKeySequence(Qt::CTRL | Qt::Key_4)},
             {30, QKeySequence(Qt::CTRL | Qt::Key_5)},
             {100, QKeySequence(Qt::CTRL | Qt::Key_6)},
             {1000, QKeySequence(Qt::CTRL | Qt::Key_7)}});
  addSeparator();
  using Kind = sim::ClockJump::Kind;
  AddJump({Kind::kBy, sim::kMsPerMinute}, QStringLiteral("clockOneMinute"), Catalogue(Txt::kClockOneMinute),
          Catalogue(Txt::kClockOneMinuteTip), QKeySequence(Qt::CTRL | Qt::Key_Right));
  AddJump({Kind::kBy, 10 * sim::kMsPerMinute}, QStringLiteral("clockTenMinutes"), Catalogue(Txt::kClockTenMinutes),
          Catalogue(Txt::kClockTenMinutesTip), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right));
  AddJump({Kind::kBy, sim::kMsPerHour}, QStringLiteral("clockOneHour"), Catalogue(Txt::kClockOneHour),
          Catalogue(Txt::kClockOneHourTip), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
  AddJump({Kind::kToClose}, QStringLiteral("clockToClose"), Catalogue(Txt::kClockToClose),
          Catalogue(Txt::kClockToCloseTip), QKeySequence(Qt::CTRL | Qt::Key_End));
  toClose_ = actions().back();
  AddJump({Kind::kNextDay}, QStringLiteral("clockNextDay"), Catalogue(Txt::kClockNextDay),
          Catalogue(Txt::kClockNextDayTip), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_End));

  if (takeRememberedSpeed) {
    // A value the bar does not offer (an older program's, an edited file) is passed over.
    const int remembered = QSettings().value(QLatin1String(kSpeedKey), 0).toInt();
    if (speeds_.count(remembered) != 0) exchange_.SetSpeed(remembered);
  }
  const auto shown = speeds_.find(static_cast<int>(exchange_.Speed()));
  if (shown != speeds_.end() && shown->first == exchange_.Speed()) shown->second->setChecked(true);
  SetRunning(exchange_.Running());
  FollowClock();
  listener_ = exchange_.Clock().AddListener([this](int64_t) { FollowClock(); });
}

CClockBar::~CClockBar() {
  exchange_.Clock().RemoveListener(listener_);
}

QAction* CClockBar::AddCommand(const QString& name, const QString& text, const QString& tip, const QKeySequence& key) {
  auto* action = new QAction(text, this);
  action->setObjectName(name);
  action->setShortcut(key);
  SetTip(*action, tip);
  addAction(action);
  return action;
}

void CClockBar::AddSpeeds(const std::map<int, QKeySequence>& keys) {
  auto* group = new QActionGroup(this);
  for (int speed : kSpeeds) {
    char tip[128];
    std::snprintf(tip, sizeof tip, TextC(Txt::kClockSpeedTip), speed);
    QAction* action =
        AddCommand(QStringLiteral("clockSpeed%1").arg(speed), QStringLiteral("×%1").arg(speed), FromCp949(tip), keys.at(speed));
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, speed] { SetSpeed(speed); });
    speeds_[speed] = action;
  }
}

void CClockBar::AddJump(const sim::ClockJump& jump, const QString& name, const QString& text, const QString& tip,
                        const QKeySequence& key) {
  QAction* action = AddCommand(name, text, tip, key);
  connect(action, &QAction::triggered, this, [this, jump] { Jump(jump); });
}

void CClockBar::SetRunning(bool running) {
  exchange_.SetRunning(running);
  // The button offers what a press does: hold a running clock, run a held one.
  run_->setText(running ? QStringLiteral("❚❚") : QStringLiteral("▶"));
  SetTip(*run_, Catalogue(running ? Txt::kClockHoldTip : Txt::kClockRunTip));
}

void CClockBar::SetSpeed(int speed) {
  exchange_.SetSpeed(speed);
  QSettings().setValue(QLatin1String(kSpeedKey), speed);
}

bool CClockBar::Jump(const sim::ClockJump& jump) {
  const sim::ExchangeClock& clock = exchange_.Clock();
  // The bar offers only jumps that lead somewhere; the close once passed is greyed.
  const sim::JumpLanding landing = sim::LandingOf(jump, {clock.Date(), clock.TimeOfDay()});
  if (landing.refused) return false;
  sim::JumpReport report;
  {
    WaitCursor wait;
    jumping_ = true;
    report = sim::Jump(exchange_, landing.at);
    jumping_ = false;
  }
  if (report.refused) {
    ShowMessage(*report.refused);
    return false;
  }
  emit jumped();
  return true;
}

void CClockBar::FollowClock() {
  const sim::ExchangeClock& clock = exchange_.Clock();
  const bool beforeClose =
      !sim::LandingOf({sim::ClockJump::Kind::kToClose}, {clock.Date(), clock.TimeOfDay()}).refused;
  if (toClose_->isEnabled() && !beforeClose && !jumping_) emit sessionClosed();
  toClose_->setEnabled(beforeClose);
}

}  // namespace ostrada
