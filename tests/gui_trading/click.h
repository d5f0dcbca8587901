#pragma once
// A left click in the middle of a widget, as the mouse gives it.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace ostrada::testing {

inline void Click(QWidget& widget) {
  const QPointF centre = QRectF(widget.rect()).center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, centre, widget.mapToGlobal(centre), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
  }
}

}  // namespace ostrada::testing
