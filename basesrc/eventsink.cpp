#include "basesrc/eventsink.h"

#include "basesrc/foundation/report.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/eventsink";

void CEventSink::Received() {
  if (!OSTRADA_VERIFY(window_ != nullptr)) return;
  window_->SendMessage(WM_EVENT_RECEIVED, 0, 0);
}

void CEventSink::Advise(broker::IMarketRequest& object) {
  cookie_ = object.Events().Advise(this);
  advised_ = true;
}

void CEventSink::Unadvise(broker::IMarketRequest& object) {
  if (!advised_) return;
  // Forget the cookie first: a refused unadvise must not be retried against a dead connection.
  advised_ = false;
  object.Events().Unadvise(cookie_);
}

}  // namespace ostrada
