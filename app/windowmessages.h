#pragma once
// The window messages that bind the panels, with their historic numbers above WM_USER. Every one is
// delivered synchronously: SendWindowMessage runs the receiver's handler before it returns, as a sent
// (never posted) message does. A receiver overrides QObject::event and asks AsWindowMessage.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <cstdint>

#include "basesrc/eventsink.h"

namespace ostrada {

// WM_USER and WM_EVENT_RECEIVED (1124) live beside CEventSink, which sends the latter from the core.
inline constexpr uint32_t WM_STOCK_CHANGED = WM_USER + 291;     // 1315: wParam 2 quote panel, 1 order panel
inline constexpr uint32_t WM_PRICE_PICKED = WM_USER + 311;      // 1335: the receiver reads the sender's price
inline constexpr uint32_t WM_ORDER_EVENT = WM_USER + 331;       // 1355
inline constexpr uint32_t WM_SPOT_TICK = WM_USER + 391;         // 1415
inline constexpr uint32_t WM_CONTRACT_FORWARD = WM_USER + 401;  // 1425
static_assert(WM_EVENT_RECEIVED == 1124 && WM_STOCK_CHANGED == 1315 && WM_PRICE_PICKED == 1335 &&
              WM_ORDER_EVENT == 1355 && WM_SPOT_TICK == 1415 && WM_CONTRACT_FORWARD == 1425);

// One window message as a Qt event; its type is QEvent::User + the message number.
class WindowMessageEvent : public QEvent {
 public:
  WindowMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
      : QEvent(TypeOf(message)), message_(message), wParam_(wParam), lParam_(lParam) {}

  static QEvent::Type TypeOf(uint32_t message) { return static_cast<QEvent::Type>(QEvent::User + message); }

  uint32_t Message() const { return message_; }
  uintptr_t WParam() const { return wParam_; }
  intptr_t LParam() const { return lParam_; }
  intptr_t Result() const { return result_; }
  void SetResult(intptr_t result) { result_ = result; }

 private:
  uint32_t message_;
  uintptr_t wParam_;
  intptr_t lParam_;
  intptr_t result_ = 0;
};

// The message when the event is that window message, else null.
inline WindowMessageEvent* AsWindowMessage(QEvent* event, uint32_t message) {
  return event->type() == WindowMessageEvent::TypeOf(message) ? static_cast<WindowMessageEvent*>(event) : nullptr;
}

// Runs the receiver's handler now and returns its result (0 for a missing receiver).
inline intptr_t SendWindowMessage(QObject* receiver, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
  if (receiver == nullptr) return 0;
  WindowMessageEvent event(message, wParam, lParam);
  QCoreApplication::sendEvent(receiver, &event);
  return event.Result();
}

// The core's window handle for a Qt object; a receiver that is gone takes no more messages.
class QtWindowHandle : public WindowHandle {
 public:
  explicit QtWindowHandle(QObject* receiver) : receiver_(receiver) {}
  intptr_t SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    return SendWindowMessage(receiver_.data(), message, wParam, lParam);
  }

 private:
  QPointer<QObject> receiver_;
};

}  // namespace ostrada
