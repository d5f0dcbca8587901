// A listener hears of an order once the account is settled: what it reads from its callback is the
// whole result of the operation, what it does there runs after it, and listeners may come and go
// while they are told.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/paper/paper_notices.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

// Records what it is told, then runs `react` (if set) with the notice just recorded.
class ReactingRecorder : public NoticeRecorder {
 public:
  using NoticeRecorder::NoticeRecorder;
  void Received() override {
    NoticeRecorder::Received();
    if (react) react(notices.back());
  }
  std::function<void(const Notice&)> react;
};

// An order-event subscription of its own, beside the session's.
struct Subscription {
  Subscription() : object(broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents)), recorder(*object) {
    object->Events().Advise(&recorder);
    object->Subscribe();
  }
  std::shared_ptr<broker::IMarketRequest> object;
  ReactingRecorder recorder;
};

class Notices : public ::testing::Test {
 protected:
  Notices() : session_(RichAccount()) { EXPECT_EQ(session_.Login(), 0); }
  static ExchangeOptions RichAccount() {
    ExchangeOptions options = Trading();
    options.paper.startingCash = 100'000'000'000;
    return options;
  }
  std::string Code() { return session_.TradableCodes().front(); }
  // A limit buy that takes the whole best ask level and one share of the next: two executions.
  struct Sweep {
    int32_t quantity, limit;
  };
  Sweep TwoLevels(const std::string& code) {
    auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
    book->SetInput(0, Variant::Text(code));
    book->Request();
    const int32_t best = book->DataValue(2, 0).ToI4();
    EXPECT_GT(book->DataValue(2, 1).ToI4(), 0) << "a second ask level";
    return {best + 1, book->DataValue(0, 1).ToI4()};
  }
  int32_t Held(const std::string& code) {
    for (const TradingSession::HoldingRow& row : session_.Holdings()) {
      if (row.code == code) return row.quantity;
    }
    return 0;
  }
  TradingSession session_;
};

TEST_F(Notices, AFillCallbackReadsTheCashAndHoldingsOfTheWholeMatch) {
  const std::string code = Code();
  const Sweep sweep = TwoLevels(code);
  Subscription watcher;
  struct Seen {
    int32_t held;
    int64_t deposit;
  };
  std::vector<Seen> seen;
  watcher.recorder.react = [&](const NoticeRecorder::Notice& notice) {
    if (notice.kind == "1") seen.push_back({Held(code), session_.Buyable(code, 0)->HeaderValue(45).ToI8()});
  };
  ASSERT_EQ(session_.Order('2', code, sweep.quantity, sweep.limit).status, 0);

  const std::string kinds = watcher.recorder.Kinds();
  ASSERT_EQ(kinds.find_first_not_of('1', 1), std::string::npos) << kinds;
  ASSERT_GE(kinds.size(), 3u) << "two executions at least";
  ASSERT_EQ(seen.size(), watcher.recorder.notices.size() - 1);
  int64_t paid = 0;
  for (const auto& notice : watcher.recorder.notices) {
    if (notice.kind != "1") continue;
    const int64_t value = static_cast<int64_t>(notice.price) * notice.quantity;
    paid += value + value * 150 / 1'000'000;
  }
  for (const Seen& each : seen) {
    EXPECT_EQ(each.held, sweep.quantity) << "every execution of the order is in the holding";
    EXPECT_EQ(each.deposit, RichAccount().paper.startingCash - paid);
  }
}

TEST_F(Notices, AnOrderPlacedOrCancelledFromAFillCallbackRunsAfterTheMatchAndIsToldAfterIt) {
  const std::string code = Code();
  const OrderReply resting = session_.Order('2', code, 3, TicksFrom(session_.Best(code).second, -2));
  ASSERT_EQ(resting.status, 0);
  const Sweep sweep = TwoLevels(code);
  Subscription watcher;
  OrderReply cancelled, sold;
  bool acted = false;
  watcher.recorder.react = [&](const NoticeRecorder::Notice& notice) {
    if (notice.kind != "1" || acted) return;
    acted = true;
    // Every share of the sweep is held already, so all of them can be offered.
    sold = session_.Order('1', code, sweep.quantity, sweep.limit);
    cancelled = session_.Amend(true, resting.number, code, 3);
  };
  const OrderReply sweeping = session_.Order('2', code, sweep.quantity, sweep.limit);
  ASSERT_EQ(sweeping.status, 0);
  ASSERT_EQ(sold.status, 0) << Cp949ToUtf8(sold.text2);
  ASSERT_EQ(cancelled.status, 0) << Cp949ToUtf8(cancelled.text2);

  // The sweep's acceptance and all its fills, then the sell's acceptance, then the cancel's.
  const auto& notices = watcher.recorder.notices;
  const std::string kinds = watcher.recorder.Kinds();
  ASSERT_EQ(kinds.size(), kinds.find_first_not_of('1', 1) + 3) << kinds;
  EXPECT_EQ(kinds.substr(kinds.size() - 3), "442");
  for (size_t i = 0; i + 3 < notices.size(); ++i) EXPECT_EQ(notices[i].number, sweeping.number);
  EXPECT_EQ(notices[notices.size() - 3].number, sold.number);
  EXPECT_EQ(notices[notices.size() - 3].side, "1");
  EXPECT_EQ(notices[notices.size() - 2].number, cancelled.number);
  EXPECT_GT(cancelled.number, sold.number);
  const auto unfilled = session_.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u) << "the resting buy is gone, the sell rests";
  EXPECT_EQ(unfilled[0].number, sold.number);
}

TEST_F(Notices, TheAcceptanceIsToldWhenTheLedgerHoldsTheOrderBeforeItIsRouted) {
  const std::string code = Code();
  const int32_t ask = session_.Best(code).first;
  Subscription watcher;
  std::vector<TradingSession::UnfilledRow> atAcceptance;
  int32_t heldAtAcceptance = -1;
  watcher.recorder.react = [&](const NoticeRecorder::Notice& notice) {
    if (notice.kind != "4") return;
    atAcceptance = session_.Unfilled();
    heldAtAcceptance = Held(code);
  };
  const OrderReply reply = session_.Order('2', code, 10, ask);
  ASSERT_EQ(reply.status, 0);
  ASSERT_EQ(watcher.recorder.Kinds(), "41");
  ASSERT_EQ(atAcceptance.size(), 1u);
  EXPECT_EQ(atAcceptance[0].number, reply.number);
  EXPECT_EQ(atAcceptance[0].unfilled, 10) << "nothing traded yet";
  EXPECT_EQ(heldAtAcceptance, 0);
  EXPECT_EQ(Held(code), 10);
}

TEST_F(Notices, AListenerThatLeavesWhileOthersAreToldHearsNothingMore) {
  const std::string code = Code();
  const int32_t ask = session_.Best(code).first;
  Subscription first, second, third;
  auto released = std::make_unique<Subscription>();
  int releasedHeard = 0;
  released->recorder.react = [&](const NoticeRecorder::Notice&) { ++releasedHeard; };
  // The first, told before the others, unsubscribes the second and releases the last at the first
  // notice; the third unsubscribes itself at its first.
  first.recorder.react = [&](const NoticeRecorder::Notice&) {
    if (first.recorder.notices.size() != 1) return;
    second.object->Unsubscribe();
    released.reset();
  };
  third.recorder.react = [&](const NoticeRecorder::Notice&) {
    if (third.recorder.notices.size() == 1) third.object->Unsubscribe();
  };
  ASSERT_EQ(session_.Order('2', code, 10, ask).status, 0);
  EXPECT_EQ(first.recorder.Kinds(), "41");
  EXPECT_EQ(second.recorder.Kinds(), "");
  EXPECT_EQ(third.recorder.Kinds(), "4");
  EXPECT_EQ(releasedHeard, 0);
  // One that leaves while it is told and comes back hears from the next notice on, once.
  first.recorder.react = [&](const NoticeRecorder::Notice& notice) {
    if (notice.kind != "4") return;
    first.object->Unsubscribe();
    first.object->Subscribe();
  };
  ASSERT_EQ(session_.Order('2', code, 10, session_.Best(code).first).status, 0);
  EXPECT_EQ(first.recorder.Kinds(), "4141");
  EXPECT_EQ(third.recorder.Kinds(), "4");
}

TEST_F(Notices, AListenerJoinedWhileOthersAreToldHearsFromTheNextNotice) {
  const std::string code = Code();
  const int32_t ask = session_.Best(code).first;
  Subscription first;
  std::unique_ptr<Subscription> later;
  first.recorder.react = [&](const NoticeRecorder::Notice&) {
    if (!later) later = std::make_unique<Subscription>();
  };
  ASSERT_EQ(session_.Order('2', code, 10, ask).status, 0);
  EXPECT_EQ(first.recorder.Kinds(), "41");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->recorder.Kinds(), "1");
}

// The queue on its own: the rules a listener can rely on, whatever the account does.
class Told : public OrderNoticeListener {
 public:
  void OnOrderNotice(const OrderNotice& notice) override {
    heard.push_back(notice.number);
    if (react) react(notice);
  }
  std::vector<int32_t> heard;
  std::function<void(const OrderNotice&)> react;
};

OrderNotice Numbered(int32_t number) {
  OrderNotice notice;
  notice.number = number;
  return notice;
}

TEST(OrderNoticeQueue, NothingIsToldBeforeDeliveryAndWhatIsPostedWhileTellingComesAfter) {
  OrderNotices notices;
  Told a, b;
  notices.AddListener(&a);
  notices.AddListener(&b);
  notices.AddListener(&a);  // once only
  notices.Post(Numbered(1));
  notices.Post(Numbered(2));
  EXPECT_TRUE(a.heard.empty());
  // What a listener's own operation posts, with its settled point, waits for the round under way.
  a.react = [&](const OrderNotice& notice) {
    if (notice.number != 1) return;
    notices.Post(Numbered(3));
    notices.Deliver();
    EXPECT_EQ(b.heard.size(), 0u) << "the second listener has not heard 1 yet";
  };
  notices.Deliver();
  EXPECT_EQ(a.heard, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(b.heard, (std::vector<int32_t>{1, 2, 3}));
  notices.Deliver();
  EXPECT_EQ(a.heard.size(), 3u) << "each notice is told once";
}

TEST(OrderNoticeQueue, ListenersRemovedWhileTellingAreSkippedAndTheListCloses) {
  OrderNotices notices;
  Told a, b, c;
  for (Told* listener : {&a, &b, &c}) notices.AddListener(listener);
  b.react = [&](const OrderNotice&) {
    notices.RemoveListener(&b);
    notices.RemoveListener(&c);
    notices.AddListener(&c);  // back, at the end: from the next notice on
  };
  notices.Post(Numbered(1));
  notices.Post(Numbered(2));
  notices.Deliver();
  EXPECT_EQ(a.heard, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(b.heard, (std::vector<int32_t>{1}));
  EXPECT_EQ(c.heard, (std::vector<int32_t>{2}));
  notices.RemoveListener(&a);
  notices.Post(Numbered(3));
  notices.Deliver();
  EXPECT_EQ(a.heard.size(), 2u);
  EXPECT_EQ(c.heard, (std::vector<int32_t>{2, 3}));
}

TEST(OrderNoticeQueue, AListenerThatThrowsLeavesTheRestForTheNextDelivery) {
  OrderNotices notices;
  Told a;
  notices.AddListener(&a);
  a.react = [](const OrderNotice& notice) {
    if (notice.number == 1) throw std::runtime_error("listener failed");
  };
  notices.Post(Numbered(1));
  notices.Post(Numbered(2));
  EXPECT_THROW(notices.Deliver(), std::runtime_error);
  EXPECT_EQ(a.heard, (std::vector<int32_t>{1}));
  notices.Deliver();
  EXPECT_EQ(a.heard, (std::vector<int32_t>{1, 2}));
}

}  // namespace
}  // namespace ostrada::sim::testing
