#pragma once
// CEventSink: the sink a window advises on a real-time object's event connection point. Each server
// event calls Received, which hands the news to the window as WM_EVENT_RECEIVED, sent synchronously,
// so the window reads the object's values in its own handler and nothing is queued.
#include <cstdint>

#include "broker/interfaces.h"

namespace ostrada {

inline constexpr uint32_t WM_USER = 1024;
// The subscribed object has new data (wParam 0, lParam 0).
inline constexpr uint32_t WM_EVENT_RECEIVED = WM_USER + 100;

// A window as the core sees it: something that takes a message synchronously and answers it. The GUI
// wraps its widgets in one; tests use a plain counter.
class WindowHandle {
 public:
  virtual ~WindowHandle() = default;
  virtual intptr_t SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

class CEventSink : public broker::IEventSink {
 public:
  // REQUIRES: window outlives the sink's advice (the window unadvises before it goes).
  explicit CEventSink(WindowHandle* window) : window_(window) {}
  CEventSink(const CEventSink&) = delete;
  CEventSink& operator=(const CEventSink&) = delete;

  void Received() override;

  // Advises this sink on the object's event connection point and keeps the cookie. Throws ComError.
  void Advise(broker::IMarketRequest& object);
  // Finds the connection point again and unadvises the kept cookie; does nothing when not advised.
  // Throws ComError.
  void Unadvise(broker::IMarketRequest& object);

  bool Advised() const { return advised_; }
  uint32_t Cookie() const { return cookie_; }

 private:
  WindowHandle* window_;
  uint32_t cookie_ = 0;
  bool advised_ = false;
};

}  // namespace ostrada
