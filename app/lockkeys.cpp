#include "app/lockkeys.h"

#include <QGuiApplication>
#include <QLibrary>

namespace ostrada {
namespace {

// The keyboard extension's indicator query, resolved at run time so the program needs no X11
// development files to build and still runs where libX11 is missing.
using IndicatorStateQuery = int (*)(void* display, unsigned device, unsigned* state);
constexpr unsigned kCoreKeyboard = 0x0100;
constexpr unsigned kCapsIndicator = 1u << 0;
constexpr unsigned kNumIndicator = 1u << 1;
constexpr unsigned kScrollIndicator = 1u << 2;

void* X11Display() {
#if QT_CONFIG(xcb)
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
#else
  return nullptr;
#endif
}

IndicatorStateQuery ResolveIndicatorQuery() {
  static const IndicatorStateQuery query =
      reinterpret_cast<IndicatorStateQuery>(QLibrary::resolve(QStringLiteral("X11"), 6, "XkbGetIndicatorState"));
  return query;
}

}  // namespace

LockKeys QueryLockKeys() {
  void* display = X11Display();
  if (display == nullptr) return {};
  IndicatorStateQuery query = ResolveIndicatorQuery();
  unsigned state = 0;
  if (query == nullptr || query(display, kCoreKeyboard, &state) != 0) return {};
  return {(state & kCapsIndicator) != 0, (state & kNumIndicator) != 0, (state & kScrollIndicator) != 0};
}

}  // namespace ostrada
