#include <gtest/gtest.h>

#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

// Price, open, high and low of every tradable code now, and the newest daily bar before today.
std::vector<int32_t> MarketPath(TradingSession& session) {
  std::vector<int32_t> path;
  for (const std::string& code : session.TradableCodes()) {
    auto price = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    price->SetInput(0, Variant::Text(code));
    price->Request();
    for (int field : {3, 6, 7, 8}) path.push_back(price->DataValue(field, 0).ToI4());
    auto chart = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
    chart->SetInput(0, Variant::Text(code));
    chart->SetInput(1, Variant::UI1('D'));
    chart->SetInput(3, Variant::I2(2));
    chart->Request();
    for (int field = 1; field <= 6; ++field) path.push_back(chart->DataValue(field, 1).ToI4());
  }
  return path;
}

// The paper account trades against the books, but the market's prices and history go their own way.
TEST(PaperFills, DoNotMoveTheMarketsPath) {
  std::vector<int32_t> untouched;
  {
    TradingSession session(Trading());
    session.TheExchange().Advance(20 * 60'000);
    untouched = MarketPath(session);
  }
  TradingSession session(Trading());
  ASSERT_EQ(session.Login(), 0);
  for (size_t i = 0; i < 4; ++i) {
    const std::string code = session.TradableCodes()[i];
    const auto [ask, bid] = session.Best(code);
    ASSERT_EQ(session.Order('2', code, 200, ask).status, 0);
    ASSERT_EQ(session.Order('2', code, 50, bid).status, 0);
  }
  session.TheExchange().Advance(20 * 60'000);
  EXPECT_EQ(MarketPath(session), untouched);
}

}  // namespace
}  // namespace ostrada::sim::testing
