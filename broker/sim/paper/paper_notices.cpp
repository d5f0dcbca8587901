#include "broker/sim/paper/paper_notices.h"

#include <algorithm>

namespace ostrada::sim {

void OrderNotices::AddListener(OrderNoticeListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void OrderNotices::RemoveListener(OrderNoticeListener* listener) {
  if (delivering_) {
    std::replace(listeners_.begin(), listeners_.end(), listener, static_cast<OrderNoticeListener*>(nullptr));
  } else {
    std::erase(listeners_, listener);
  }
}

void OrderNotices::Deliver() {
  if (delivering_) return;
  delivering_ = true;
  // Also when a listener throws: the delivery ends, and what was not told waits for the next one.
  struct Finish {
    OrderNotices& notices;
    ~Finish() {
      notices.delivering_ = false;
      std::erase(notices.listeners_, nullptr);
    }
  } finish{*this};
  while (!pending_.empty()) {
    const OrderNotice notice = std::move(pending_.front());
    pending_.pop_front();
    // Positions, not iterators: a listener may join (at the end) while it is told.
    const size_t listening = listeners_.size();
    for (size_t i = 0; i < listening; ++i) {
      if (OrderNoticeListener* listener = listeners_[i]) listener->OnOrderNotice(notice);
    }
  }
}

}  // namespace ostrada::sim
