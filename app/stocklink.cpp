#include "app/stocklink.h"

#include <QPointer>
#include <utility>

namespace ostrada {

void StockLink::Choose(const QString& code, const QObject* origin) {
  if (code.isEmpty()) return;
  current_ = code;
  emit stockChosen(code, origin);
}

StockLinkToggle::StockLinkToggle(QWidget* parent) : QToolButton(parent) {
  setObjectName(QStringLiteral("linkToggle"));
  setText(QStringLiteral("연동"));
  setCheckable(true);
  setChecked(true);
  setAutoRaise(false);
  setFocusPolicy(Qt::NoFocus);
  // Linked reads at a glance: the word in red while on, greyed while off.
  setStyleSheet(QStringLiteral("QToolButton:checked { color: #c00000; font-weight: bold; }"
                               "QToolButton:!checked { color: #808080; }"));
  setToolTip(QStringLiteral("연동: 다른 연동 창과 같은 종목을 봅니다"));
}

void FollowStockLink(StockLink& link, const StockLinkToggle& toggle, QObject& window,
                     std::function<void(const QString& code)> show) {
  const QObject* self = &window;
  QPointer<const StockLinkToggle> linked(&toggle);
  QObject::connect(&link, &StockLink::stockChosen, &window,
                   [self, linked, show = std::move(show)](const QString& code, const QObject* origin) {
                     if (origin != self && linked && linked->Linked()) show(code);
                   });
}

}  // namespace ostrada
