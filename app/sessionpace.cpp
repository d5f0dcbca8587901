#include "app/sessionpace.h"

#include <utility>

namespace ostrada {

SessionPace::SessionPace(sim::ExchangeClock& clock, int64_t periodMs, std::function<void()> poll, QObject* parent)
    : QObject(parent), clock_(clock), period_(periodMs), poll_(std::move(poll)), polledAt_(clock.Now()) {
  listener_ = clock_.AddListener([this](int64_t now) { Moved(now); });
}

SessionPace::~SessionPace() {
  clock_.RemoveListener(listener_);
}

void SessionPace::Moved(int64_t now) {
  if (queued_ || now - polledAt_ < period_) return;
  queued_ = true;
  polledAt_ = now;
  // A posted call rather than a timer: it runs as soon as the pump's step returns to the event loop,
  // before the windows paint what the step changed.
  QMetaObject::invokeMethod(
      this,
      [this] {
        queued_ = false;
        poll_();
      },
      Qt::QueuedConnection);
}

}  // namespace ostrada
