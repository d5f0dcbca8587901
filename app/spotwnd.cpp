#include "app/spotwnd.h"

#include <QCloseEvent>
#include <QTimerEvent>

#include "app/windowmessages.h"

namespace ostrada {
namespace {

// The values WM_SPOT_TICK carries.
constexpr uintptr_t kTickWParam = 1;
constexpr intptr_t kTickLParam = 2;

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
  return startTimer(std::chrono::milliseconds(periodMilliseconds));
}

void CSpotWnd::KillTimer(int timerId) {
  killTimer(timerId);
}

void CSpotWnd::timerEvent(QTimerEvent* event) {
  recorder_.OnTimer(event->timerId());
  SendWindowMessage(parentWidget(), WM_SPOT_TICK, kTickWParam, kTickLParam);
}

void CSpotWnd::closeEvent(QCloseEvent* event) {
  recorder_.Stop();
  QWidget::closeEvent(event);
}

}  // namespace ostrada
