#pragma once
// A small exchange installed as the server with its clock as the program's, and the code book the
// windows take, for the chart window and the home board driven headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <memory>

#include "app/indexbars.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/localtime.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/support/served_exchange.h"

namespace ostrada::testing {

class ExchangeFixture : public ServedExchangeTest {
 protected:
  explicit ExchangeFixture(const sim::ExchangeOptions& options = Options())
      : ServedExchangeTest(options), clock_(exchange_.Time()) {}
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.seed = 77;
    options.stocks = 60;
    return options;
  }

  ScopedTimeSource clock_;
  TradingSession session_;
  IndexBars indexes_;
};

inline void SendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons = Qt::LeftButton) {
  QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

inline void Drag(QWidget& widget, QPointF from, QPointF to) {
  SendMouse(widget, QEvent::MouseButtonPress, from);
  SendMouse(widget, QEvent::MouseMove, (from + to) / 2);
  SendMouse(widget, QEvent::MouseMove, to);
  SendMouse(widget, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

inline void MoveMouse(QWidget& widget, QPointF to) {
  SendMouse(widget, QEvent::MouseMove, to, Qt::NoButton);
}

// The wheel turned by `eighths` of a degree (120 a notch; positive: away from the user) with the
// mouse at the point.
inline void Wheel(QWidget& widget, QPointF at, int eighths) {
  QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, eighths), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&widget, &event);
}

}  // namespace ostrada::testing
