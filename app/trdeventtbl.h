#pragma once
// CTrdEventTbl, the order event log (template 150): the strip at the bottom of the quote-click order
// window. It subscribes to the server's order-event object and turns each fill, confirmation,
// rejection and acceptance into one line at the top of its lists, newest first and selected; then it
// hands a heap copy of the event to its parent with WM_ORDER_EVENT (0, copy). A parent that takes
// the copy answers 1 and frees it; otherwise the log frees it. It also writes a line when a standing
// condition of the account is set, fires or ends.
#include <QWidget>
#include <memory>

#include "app/windowmessages.h"
#include "basesrc/eventsink.h"
#include "broker/interfaces.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace ostrada {

class WatchDesk;

class CTrdEventTbl : public QWidget {
  Q_OBJECT
 public:
  // Creates the order-event object and advises the sink on it; a server error is shown and the log
  // lives on without events.
  explicit CTrdEventTbl(QWidget* parent);
  // Unsubscribes, then unadvises the sink.
  ~CTrdEventTbl() override;
  CTrdEventTbl(const CTrdEventTbl&) = delete;
  CTrdEventTbl& operator=(const CTrdEventTbl&) = delete;

  // Subscribes to the order events; the enclosing window calls it once its layout is done.
  void Start();
  // Writes the desk's conditions' news from now on. REQUIRES: `desk` outlives the log.
  void FollowWatches(WatchDesk& desk);

  QComboBox& DropDown() { return *dropDown1461_; }
  QListWidget& OpenList() { return *openList1493_; }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnEventReceived();
  void AddLine(const QString& line);

  std::shared_ptr<broker::IMarketRequest> events_;
  QtWindowHandle handle_;
  std::unique_ptr<CEventSink> sink_;
  // 0 shows the drop-down list, 1 the always-open one; nothing in the window changes it.
  const int viewFlag_ = 0;
  QComboBox* dropDown1461_;
  QPushButton* button1474_;
  QListWidget* openList1493_;
  // Where the lists start inside the log, as laid out at creation.
  QPoint listOffset_;
};

}  // namespace ostrada
