#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/objects/request_object.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

// Moves the exchange to HH:MM:SS of the day `days` after the trading date.
void MoveTo(TradingSession& session, int days, int hh, int mm, int ss = 0) {
  Exchange& exchange = session.TheExchange();
  const int64_t target = days * kMillisecondsPerDay + ((hh * 60LL + mm) * 60 + ss) * 1000;
  exchange.Advance(target - exchange.Clock().Now());
}

TEST(Overnight, Explore) {
  TradingSession session(TradingAt(14, 40));
  ASSERT_EQ(session.Login(), 0);
  NoticeRecorder& events = session.Listen();
  const std::string code = session.TradableCodes().front();
  const int64_t deposit0 = session.Deposit();
  const auto [ask0, bid0] = session.Best(code);
  const OrderReply resting = session.Order('2', code, 2, bid0 - 10 * (ask0 - bid0));
  ASSERT_EQ(resting.status, 0);
  std::printf("deposit0 %lld avail %d\n", (long long)deposit0, session.Buyable(code, 0)->HeaderValue(9).ToI4());
  MoveTo(session, 0, 15, 0, 1);
  std::printf("kinds %s unfilled %zu avail %d\n", events.Kinds().c_str(), session.Unfilled().size(),
              session.Buyable(code, 0)->HeaderValue(9).ToI4());
  MoveTo(session, 0, 23, 59, 59);
  MoveTo(session, 1, 0, 0, 1);
  std::printf("date %d unfilled %zu avail %d\n", session.TheExchange().Clock().Date(), session.Unfilled().size(),
              session.Buyable(code, 0)->HeaderValue(9).ToI4());
  MoveTo(session, 1, 8, 30);
  const OrderReply pre = session.Order('2', code, 1, 0, true);
  std::printf("pre status %d number %d %s\n", pre.status, pre.number, Cp949ToUtf8(pre.text2).c_str());
  MoveTo(session, 1, 9, 0, 1);
  std::printf("kinds %s\n", events.Kinds().c_str());
  for (auto& n : events.notices) std::printf("  %s %d %d %s\n", n.kind.c_str(), n.number, n.quantity, n.time.c_str());
  const auto [ask1, bid1] = session.Best(code);
  const OrderReply rest2 = session.Order('2', code, 2, bid1 - 10 * (ask1 - bid1));
  std::printf("rest2 %d %d\n", rest2.status, rest2.number);
  // Friday -> Monday
  MoveTo(session, 3, 15, 0, 1);
  std::printf("fri date %d unfilled %zu\n", session.TheExchange().Clock().Date(), session.Unfilled().size());
  MoveTo(session, 6, 9, 0, 1);
  std::printf("mon date %d unfilled %zu\n", session.TheExchange().Clock().Date(), session.Unfilled().size());
  const OrderReply mon = session.Order('2', code, 1, 0, true);
  std::printf("mon status %d number %d\n", mon.status, mon.number);
}

}  // namespace
}  // namespace ostrada::sim::testing
