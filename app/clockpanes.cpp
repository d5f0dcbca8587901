#include "app/clockpanes.h"

#include <QLabel>
#include <QStatusBar>

#include "app/qtext.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/account_clock.h"

namespace ostrada {

namespace {

QString DateText(int32_t date) {
  return QString::asprintf("%04d-%02d-%02d (", date / 10000, date / 100 % 100, date % 100) +
         FromCp949(Text(Txt::kClockWeekdays)).at(sim::Weekday(date)) + QLatin1Char(')');
}

QString TimeText(int64_t timeOfDay) {
  const int seconds = static_cast<int>(timeOfDay / 1000);
  return QString::asprintf("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

}  // namespace

ClockPanes::ClockPanes(sim::ExchangeClock& clock, QStatusBar& bar) : QObject(&bar), clock_(clock) {
  // Each pane is as wide as its widest text, so the panes do not jump as the clock runs.
  date_ = AddPane(bar, 0, QStringLiteral("paneClockDate"), DateText(20001231));
  time_ = AddPane(bar, 1, QStringLiteral("paneClockTime"), TimeText(0));
  state_ = AddPane(bar, 2, QStringLiteral("paneClockState"), FromCp949(Text(Txt::kClockBeforeOpen)));
  Show();
  listener_ = clock_.AddListener([this](int64_t) { Show(); });
}

ClockPanes::~ClockPanes() {
  clock_.RemoveListener(listener_);
}

QLabel* ClockPanes::AddPane(QStatusBar& bar, int position, const QString& name, const QString& widest) {
  auto* pane = new QLabel(&bar);
  pane->setObjectName(name);
  pane->setAlignment(Qt::AlignCenter);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QLatin1Char(' ') + widest + QLatin1Char(' ')));
  bar.insertPermanentWidget(position, pane);
  return pane;
}

void ClockPanes::Show() {
  const int64_t second = clock_.Now() / 1000;
  if (second == shownSecond_) return;
  shownSecond_ = second;
  const int32_t date = clock_.Date();
  const int64_t time = clock_.TimeOfDay();
  date_->setText(DateText(date));
  time_->setText(TimeText(time));
  state_->setText(FromCp949(Text(sim::SessionOf({date, time}))));
}

}  // namespace ostrada
