#include "app/trdeventtbl.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

#include "app/dialogunits.h"
#include "app/qtext.h"
#include "app/watchdesk.h"
#include "basesrc/foundation/report.h"
#include "basesrc/trdevent.h"
#include "broker/sim/paper/paper_watch_words.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdeventtbl";

namespace {

// Template 150 in dialog units: the strip, the button at its left, the drop-down list beside it.
constexpr int kStripWidth = 326, kStripHeight = 16;
constexpr int kButtonWidth = 14;
constexpr int kListX = 16;

}  // namespace

CTrdEventTbl::CTrdEventTbl(QWidget* parent)
    : QWidget(parent),
      handle_(this),
      dropDown1461_(new QComboBox(this)),
      button1474_(new QPushButton(QStringLiteral("△"), this)),
      openList1493_(new QListWidget(this)) {
  setObjectName(QStringLiteral("dialog150"));
  setFont(TemplateFont());
  dropDown1461_->setObjectName(QStringLiteral("combo1461"));
  button1474_->setObjectName(QStringLiteral("button1474"));
  button1474_->setAutoDefault(false);
  openList1493_->setObjectName(QStringLiteral("combo1493"));
  const DialogUnits units(font());
  resize(units.Size(kStripWidth, kStripHeight));
  units.Place(*button1474_, 0, 1, kButtonWidth, 14);
  units.Place(*dropDown1461_, kListX, 1, kStripWidth - kListX, 14);
  dropDown1461_->resize(dropDown1461_->width(), std::max(dropDown1461_->height(), dropDown1461_->sizeHint().height()));
  listOffset_ = dropDown1461_->pos();
  dropDown1461_->setVisible(viewFlag_ == 0);
  openList1493_->setVisible(viewFlag_ == 1);

  try {
    events_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents);
    sink_ = std::make_unique<CEventSink>(&handle_);
    sink_->Advise(*events_);
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
}

CTrdEventTbl::~CTrdEventTbl() {
  if (events_ == nullptr) return;
  try {
    events_->Unsubscribe();
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
  if (sink_ == nullptr) return;
  try {
    sink_->Unadvise(*events_);
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
}

void CTrdEventTbl::Start() {
  if (events_ == nullptr) return;  // its creation failure was shown
  try {
    events_->Subscribe();
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
}

void CTrdEventTbl::FollowWatches(WatchDesk& desk) {
  const auto line = [&desk](Txt what, const sim::WatchCondition& c) {
    std::string text = Text(what) + " " + Text(Txt::kWatchNumber) + " " + std::to_string(c.id) + " " +
                       Text(sim::WatchKindName(c.kind)) + " " + c.code + " " + desk.NameOf(c.code) + " " +
                       sim::WatchTriggerText(c);
    if (c.Orders()) text += " " + sim::WatchOrderText(c);
    const std::string outcome = sim::WatchOutcomeText(c);
    if (!outcome.empty()) text += "  " + outcome;
    return FromCp949(text);
  };
  connect(&desk, &WatchDesk::conditionSet, this,
          [this, line](const sim::WatchCondition& c) { AddLine(line(Txt::kWatchLogSet, c)); });
  connect(&desk, &WatchDesk::conditionEnded, this, [this, line](const sim::WatchCondition& c) {
    const Txt what = c.state == sim::WatchState::kFired       ? Txt::kWatchLogFired
                     : c.state == sim::WatchState::kCancelled ? Txt::kWatchLogCancelled
                                                              : Txt::kWatchLogEnded;
    AddLine(line(what, c));
  });
}

void CTrdEventTbl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int width = std::max(0, event->size().width() - listOffset_.x());
  dropDown1461_->setGeometry(listOffset_.x(), listOffset_.y(), width, dropDown1461_->height());
  openList1493_->setGeometry(listOffset_.x(), listOffset_.y(), width,
                             std::max(0, event->size().height() - listOffset_.y()));
}

bool CTrdEventTbl::event(QEvent* event) {
  if (AsWindowMessage(event, WM_EVENT_RECEIVED) != nullptr) {
    OnEventReceived();
    return true;
  }
  return QWidget::event(event);
}

void CTrdEventTbl::OnEventReceived() {
  if (!OSTRADA_VERIFY(events_ != nullptr)) return;
  try {
    OrderEvent orderEvent = ReadOrderEvent(*events_);
    std::string line;
    if (!BuildOrderEventLine(&orderEvent, &line)) return;  // reported where it was built
    if (line.empty()) return;
    AddLine(FromCp949(line));
    auto copy = std::make_unique<OrderEvent>(orderEvent);
    OrderEvent* sent = copy.release();
    if (SendWindowMessage(parentWidget(), WM_ORDER_EVENT, 0, reinterpret_cast<intptr_t>(sent)) == 0) delete sent;
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
}

void CTrdEventTbl::AddLine(const QString& line) {
  dropDown1461_->insertItem(0, line);
  dropDown1461_->setCurrentIndex(0);
  openList1493_->insertItem(0, line);
  openList1493_->setCurrentRow(0);
}

}  // namespace ostrada
