#include "app/loginmemory.h"

#include <QSettings>

namespace ostrada {
namespace {

constexpr char kKey[] = "trading/rememberLogin";

}  // namespace

bool LoginRemembered() {
  return QSettings().value(QLatin1String(kKey), false).toBool();
}

void SetLoginRemembered(bool on) {
  QSettings().setValue(QLatin1String(kKey), on);
}

}  // namespace ostrada
