// The paper account across trading days that change a stock's shares.
#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

// The default market consolidates this stock ten to one on 2026-12-08: it closed at 490 won the day
// before.
constexpr char kConsolidated[] = "A025380";

ExchangeOptions DefaultMarketOn(const std::string& ledger, int32_t date) {
  ExchangeOptions options;
  options.tradingDate = date;
  options.paper.ledgerPath = ledger;
  return options;
}

int32_t PreviousClose(const std::string& code) {
  auto state = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kStockState);
  state->SetInput(0, broker::Variant::Text(code));
  EXPECT_EQ(state->Request(), 0);
  return state->HeaderValue(3).ToI4();
}

// Held overnight into a consolidation, 25 shares become 2, and the half share left over is paid out
// at the new share's price: the holding is worth what it was, once, however many sessions open.
TEST(ShareChanges, AConsolidationTurnsTheHoldingIntoTheNewSharesAndPaysTheOddOnesOut) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  int64_t deposit = 0;
  double purchase = 0;
  {
    TradingSession monday(DefaultMarketOn(ledger, 20261207));
    ASSERT_EQ(monday.Login(), 0);
    const OrderReply bought = monday.Order('2', kConsolidated, 25, 0, true);
    ASSERT_EQ(bought.status, 0) << Cp949ToUtf8(bought.text2);
    const auto holdings = monday.Holdings();
    ASSERT_EQ(holdings.size(), 1u);
    ASSERT_EQ(holdings[0].quantity, 25);
    purchase = holdings[0].purchase;
    deposit = monday.Deposit();
  }
  for (int session = 0; session < 2; ++session) {
    TradingSession tuesday(DefaultMarketOn(ledger, 20261208));
    ASSERT_EQ(tuesday.Login(), 0);
    const int32_t price = PreviousClose(kConsolidated);
    ASSERT_GE(price, 4000) << "consolidated";
    const auto holdings = tuesday.Holdings();
    ASSERT_EQ(holdings.size(), 1u);
    EXPECT_EQ(holdings[0].quantity, 2) << session;
    // The two shares kept stand for 20 of the 25 bought: their value at 10 times the purchase price.
    EXPECT_NEAR(holdings[0].purchase, purchase * 10, 1.0) << session;
    EXPECT_EQ(tuesday.Deposit(), deposit + 5 * price / 10) << session;
  }
}

// A machine asleep from the closing auction to the next morning: the exchange catches up in one
// step, and the day it left still ends as it would have, the waiting order filled at the close.
TEST(Overnight, AStepFromTheClosingAuctionIntoTheNextDayStillFillsAtTheClose) {
  TradingSession session(TradingAt(14, 55));
  ASSERT_EQ(session.Login(), 0);
  NoticeRecorder& events = session.Listen();
  const std::string code = session.TradableCodes().front();
  ASSERT_EQ(session.Order('2', code, 3, 0, true).status, 0);
  const int64_t deposit = session.Deposit();
  session.TheExchange().Advance(kMillisecondsPerDay - (5 * 60 + 25) * 60'000);  // 09:30 the next day
  ASSERT_EQ(session.TheExchange().Clock().Date(), 20261209);
  ASSERT_EQ(events.Kinds(), "41");
  const int32_t close = PreviousClose(code);
  EXPECT_EQ(events.notices[1].price, close);
  ASSERT_EQ(session.Holdings().size(), 1u);
  EXPECT_EQ(session.Holdings()[0].quantity, 3);
  const int64_t paid = 3 * int64_t{close};
  EXPECT_EQ(session.Deposit(), deposit - paid - paid * 150 / 1'000'000);
}

}  // namespace
}  // namespace ostrada::sim::testing
