#pragma once
// What the paper account tells its listeners of its orders, and the queue that holds it until the
// account is settled.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {

// What a notice tells of an order.
enum class NoticeKind { kFill, kConfirmation, kRejection, kAcceptance };

// One notification of the order-event object.
struct OrderNotice {
  NoticeKind kind = NoticeKind::kAcceptance;
  OrderKind flag = OrderKind::kOrdinary;
  Side side = Side::kBuy;
  std::string account;
  std::string code;
  std::string name;  // CP949, as listed
  int32_t quantity = 0;
  int32_t price = 0;
  int32_t number = 0;
  int32_t original = 0;
  bool market = false;
  int32_t hhmmss = 0;
};

class OrderNoticeListener {
 public:
  virtual ~OrderNoticeListener() = default;
  virtual void OnOrderNotice(const OrderNotice& notice) = 0;
};

// Notices wait here while an operation moves the books and the ledger, and reach the listeners only
// at the points where the account is settled again: the end of an order, of an amend, of a pump
// step. A listener may read the account, or place and cancel orders, from its callback: what it reads
// is whole, and what it does runs as an operation of its own whose notices join the end of the queue.
// So every listener hears every notice in the order it happened, never a later one first.
// One settled point comes before an operation ends: an order's acceptance goes out as soon as the
// ledger holds the order, before it is routed, so that a client killed while its order trades has
// already heard its number.
class OrderNotices {
 public:
  // A listener joined during a delivery hears the notices after the one being delivered.
  void AddListener(OrderNoticeListener* listener);
  // A listener that leaves during a delivery hears nothing more, not even the rest of that notice's
  // round.
  void RemoveListener(OrderNoticeListener* listener);

  void Post(OrderNotice notice) { pending_.push_back(std::move(notice)); }
  // Call where the account is settled: tells every waiting notice, in order. Inside a delivery it
  // returns at once; the delivery under way tells what was posted meanwhile.
  void Deliver();

 private:
  std::deque<OrderNotice> pending_;
  // A listener removed during a delivery leaves a null here until the delivery ends, so that the
  // positions the delivery walks stay where they were.
  std::vector<OrderNoticeListener*> listeners_;
  bool delivering_ = false;
};

}  // namespace ostrada::sim
