// The paper account across trading days that change a stock's shares.
#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_service.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

// A stock of the default market that consolidates ten to one, and the day it does, found from the
// market itself so that the case follows the market's path: the latest such change of the year
// before the trading date.
struct Consolidation {
  std::string code;
  int32_t date = 0;
};
Consolidation LatestTenToOne() {
  const ExchangeOptions defaults;
  const Listing listing = Listing::Build(defaults.seed, 0);
  Market market(ProfilesOf(listing), defaults.seed);
  market.Sync(kTradingDate, 9 * kMillisecondsPerHour);
  Consolidation latest;
  for (size_t index = 0; index < listing.All().size(); ++index) {
    for (const ShareChange& change : market.ShareChangesAfter(static_cast<int>(index), kTradingDate - 10000)) {
      if (change.before == 10 && change.after == 1 && change.date > latest.date) {
        latest = {listing.All()[index].code, change.date};
      }
    }
  }
  return latest;
}

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
  const Consolidation consolidation = LatestTenToOne();
  ASSERT_FALSE(consolidation.code.empty());
  const char* kConsolidated = consolidation.code.c_str();
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  int64_t deposit = 0;
  double purchase = 0;
  {
    TradingSession dayBefore(DefaultMarketOn(ledger, PreviousTradingDay(consolidation.date)));
    ASSERT_EQ(dayBefore.Login(), 0);
    const OrderReply bought = dayBefore.Order('2', kConsolidated, 25, 0, true);
    ASSERT_EQ(bought.status, 0) << Cp949ToUtf8(bought.text2);
    const auto holdings = dayBefore.Holdings();
    ASSERT_EQ(holdings.size(), 1u);
    ASSERT_EQ(holdings[0].quantity, 25);
    purchase = holdings[0].purchase;
    deposit = dayBefore.Deposit();
  }
  for (int session = 0; session < 2; ++session) {
    TradingSession nextDay(DefaultMarketOn(ledger, consolidation.date));
    ASSERT_EQ(nextDay.Login(), 0);
    const int32_t price = PreviousClose(kConsolidated);
    ASSERT_GE(price, 5 * purchase / 25) << "consolidated: the new share stands for ten old ones";
    const auto holdings = nextDay.Holdings();
    ASSERT_EQ(holdings.size(), 1u);
    EXPECT_EQ(holdings[0].quantity, 2) << session;
    // The two shares kept stand for 20 of the 25 bought: their value at 10 times the purchase price.
    EXPECT_NEAR(holdings[0].purchase, purchase * 10, 1.0) << session;
    EXPECT_EQ(nextDay.Deposit(), deposit + 5 * price / 10) << session;
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
