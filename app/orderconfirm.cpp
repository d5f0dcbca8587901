#include "app/orderconfirm.h"

#include <QSettings>

namespace ostrada {
namespace {

constexpr char kKey[] = "orders/confirm";

}  // namespace

bool OrderConfirmationOn() {
  return QSettings().value(QLatin1String(kKey), true).toBool();
}

void SetOrderConfirmation(bool on) {
  QSettings().setValue(QLatin1String(kKey), on);
}

}  // namespace ostrada
