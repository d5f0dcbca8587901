#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/objects/request_object.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

void MoveTo(TradingSession& session, int hh, int mm, int ss = 0) {
  session.TheExchange().Advance(((hh * 60LL + mm) * 60 + ss) * 1000 - session.TheExchange().Clock().TimeOfDay());
}

TEST(Auction, OrdersOfTheOpeningAuctionTradeAtOneOpeningPriceAndTheRestWaitsInTheBook) {
  TradingSession session(TradingAt(8, 30));
  ASSERT_EQ(session.Login(), 0);
  NoticeRecorder& events = session.Listen();
  const std::string code = session.TradableCodes().front();
  const OrderReply atMarket = session.Order('2', code, 5, 0, true);
  ASSERT_EQ(atMarket.status, 0) << Cp949ToUtf8(atMarket.text2);
  const int32_t low = TicksFrom(session.Best(code).second, -10);
  const OrderReply far = session.Order('2', code, 5, low);
  ASSERT_EQ(far.status, 0) << Cp949ToUtf8(far.text2);
  EXPECT_EQ(events.Kinds(), "44") << "nothing trades before 09:00";
  MoveTo(session, 9, 0, 1);
  ASSERT_EQ(events.Kinds(), "441");
  EXPECT_EQ(events.notices[2].number, atMarket.number);
  EXPECT_EQ(events.notices[2].quantity, 5);
  const auto unfilled = session.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u);
  EXPECT_EQ(unfilled[0].number, far.number);
  EXPECT_EQ(session.Holdings().at(0).quantity, 5);
}

TEST(Auction, TheClosingAuctionFillsAtTheCloseAndNothingIsTakenAfterIt) {
  TradingSession session(TradingAt(14, 40));
  ASSERT_EQ(session.Login(), 0);
  NoticeRecorder& events = session.Listen();
  const std::string code = session.TradableCodes().front();
  const OrderReply regular = session.Order('2', code, 2, TicksFrom(session.Best(code).second, -30));
  ASSERT_EQ(regular.status, 0);
  MoveTo(session, 14, 55);
  ASSERT_EQ(session.Order('2', code, 3, 0, true).status, 0);
  ASSERT_EQ(session.Order('2', code, 4, TicksFrom(session.Best(code).second, -10)).status, 0);
  EXPECT_EQ(events.Kinds(), "444");
  MoveTo(session, 15, 0, 1);
  ASSERT_EQ(events.Kinds(), "4441");
  EXPECT_EQ(events.notices[3].quantity, 3);
  EXPECT_TRUE(session.Unfilled().empty()) << "every order the close did not reach ends with it";
  EXPECT_EQ(session.Buyable(code, 0)->HeaderValue(9).ToI4(), session.Deposit()) << "and holds no cash after it";
  const OrderReply late = session.Order('2', code, 1, 0, true);
  EXPECT_EQ(late.status, static_cast<int16_t>(RefusalKind::kMarketClosed));
}

TEST(Auction, BeforeThePreOpenTheExchangeTakesNoOrder) {
  TradingSession session(TradingAt(7, 30));
  ASSERT_EQ(session.Login(), 0);
  const std::string code = session.TradableCodes().front();
  EXPECT_EQ(session.Order('2', code, 1, 0, true).status, static_cast<int16_t>(RefusalKind::kMarketClosed));
}

}  // namespace
}  // namespace ostrada::sim::testing
