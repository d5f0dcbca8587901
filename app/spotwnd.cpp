#include "app/spotwnd.h"

#include <QCloseEvent>
#include <QTimerEvent>
#include <chrono>

#include "app/windowmessages.h"
#include "basesrc/foundation/localtime.h"

namespace ostrada {
namespace {

// The values WM_SPOT_TICK carries.
constexpr uintptr_t kTickWParam = 1;
constexpr intptr_t kTickLParam = 2;

// How often, in real time, the program clock is looked at.
constexpr int kWatchMilliseconds = 100;

// The program clock (the installed time source) as milliseconds since the epoch.
int64_t ProgramMilliseconds() {
  const LocalClock now = NowLocal();
  const std::chrono::year_month_day date{std::chrono::year{now.year}, std::chrono::month{static_cast<unsigned>(now.month)},
                                         std::chrono::day{static_cast<unsigned>(now.day)}};
  const int64_t days = std::chrono::sys_days{date}.time_since_epoch().count();
  return ((days * 24 + now.hour) * 60 + now.minute) * 60'000 + int64_t{now.second} * 1000 + now.millisecond;
}

}  // namespace

CSpotWnd::CSpotWnd(SpotHost& app) : recorder_(app, *this) {
  // The recorder only keeps time: it must never take a click meant for what lies under it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

CSpotWnd::~CSpotWnd() {
  recorder_.Stop();
}

int CSpotWnd::Create(QWidget* parent, int id) {
  if (parent == nullptr) return 0;
  setParent(parent);
  setObjectName(QStringLiteral("window%1").arg(id));
  setGeometry(0, 0, 100, 100);
  show();
  return 1;
}

int CSpotWnd::StartTimer(int /*id*/, int64_t periodMilliseconds) {
  watchId_ = startTimer(kWatchMilliseconds);
  period_ = periodMilliseconds;
  nextTick_ = ProgramMilliseconds() + period_;
  return watchId_;
}

void CSpotWnd::KillTimer(int timerId) {
  killTimer(timerId);
  if (timerId == watchId_) watchId_ = 0;
}

void CSpotWnd::timerEvent(QTimerEvent* event) {
  if (watchId_ != 0 && event->timerId() == watchId_) {
    const int64_t now = ProgramMilliseconds();
    if (now < nextTick_) return;  // the period has not passed on the program clock yet
    nextTick_ += period_;
    if (nextTick_ <= now) nextTick_ = now + period_;  // the clock jumped: start counting again
  }
  recorder_.OnTimer(event->timerId());
  SendWindowMessage(parentWidget(), WM_SPOT_TICK, kTickWParam, kTickLParam);
}

void CSpotWnd::closeEvent(QCloseEvent* event) {
  recorder_.Stop();
  QWidget::closeEvent(event);
}

}  // namespace ostrada
