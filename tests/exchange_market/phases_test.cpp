#include <gtest/gtest.h>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/market_history.h"
#include "broker/sim/market/market_service.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

class Phases : public MarketTest {
 protected:
  Phases() : MarketTest(LiveAt(7, 30)) {}

  std::shared_ptr<broker::IMarketRequest> NewestContracts(const std::string& code) {
    auto object = Create(broker::clsid::kContractHistory);
    object->SetInput(0, Variant::Text(code));
    object->SetInput(1, Variant::I4(0));
    object->SetInput(2, Variant::I2(80));
    object->Request();
    return object;
  }
};

char Phase(const Variant& value) {
  return static_cast<char>(value.ToUI1());
}

TEST_F(Phases, TheDayRunsThroughItsPhases) {
  const std::string code = LiquidCode();
  // Before the pre-open: nothing has happened.
  std::vector<Variant> row = PriceRow(code);
  EXPECT_EQ(Phase(row[24]), '0');
  EXPECT_EQ(row[3].ToI4(), row[19].ToI4());
  EXPECT_EQ(row[6].ToI4(), 0);
  EXPECT_EQ(row[11].ToI4(), 0);
  EXPECT_EQ(NewestContracts(code)->HeaderValue(2).ToI4(), 0);

  // Pre-open auction: expected prices only, no volume.
  AdvanceTo(8, 30);
  row = PriceRow(code);
  EXPECT_EQ(Phase(row[24]), '1');
  EXPECT_GT(row[16].ToI4(), 0);
  EXPECT_EQ(row[11].ToI4(), 0);
  auto history = NewestContracts(code);
  ASSERT_GT(history->HeaderValue(2).ToI4(), 0);
  for (int32_t i = 0; i < history->HeaderValue(2).ToI4(); ++i) {
    EXPECT_EQ(Phase(history->DataValue(10, i)), '1');
    EXPECT_EQ(history->DataValue(5, i).ToI4(), 0);
  }

  // The opening contract at 09:00:00 sets the open.
  AdvanceTo(9, 0);
  row = PriceRow(code);
  EXPECT_EQ(Phase(row[24]), '2');
  history = NewestContracts(code);
  EXPECT_EQ(history->DataValue(9, 0).ToI4(), 90000);
  EXPECT_EQ(Phase(history->DataValue(10, 0)), '2');
  EXPECT_EQ(history->DataValue(4, 0).ToI4(), row[6].ToI4());
  EXPECT_EQ(history->DataValue(6, 0).ToI4(), row[11].ToI4());
  EXPECT_EQ(Phase(history->DataValue(10, 1)), '1');

  // Closing auction from 14:50:00 on: expected prices, the volume stands still.
  AdvanceTo(14, 49, 59);
  EXPECT_EQ(Phase(PriceRow(code)[24]), '2');
  AdvanceTo(14, 50);
  EXPECT_EQ(Phase(PriceRow(code)[24]), '1');
  AdvanceTo(14, 52);
  const int32_t regularVolume = PriceRow(code)[11].ToI4();
  AdvanceTo(14, 58);
  row = PriceRow(code);
  EXPECT_EQ(Phase(row[24]), '1');
  EXPECT_EQ(row[11].ToI4(), regularVolume);
  EXPECT_EQ(Phase(NewestContracts(code)->DataValue(10, 0)), '1');

  // The closing contract at 15:00:00, then the market is closed.
  AdvanceTo(15, 40);
  row = PriceRow(code);
  EXPECT_EQ(Phase(row[24]), '0');
  history = NewestContracts(code);
  EXPECT_EQ(history->DataValue(9, 0).ToI4(), 150000);
  EXPECT_EQ(Phase(history->DataValue(10, 0)), '2');
  EXPECT_EQ(row[11].ToI4(), regularVolume + history->DataValue(6, 0).ToI4());
  EXPECT_EQ(row[3].ToI4(), history->DataValue(4, 0).ToI4());
}

// On a Saturday the market stands as Friday closed.
TEST(Weekend, TheMarketShowsFridayAsItClosed) {
  ExchangeOptions options = LiveAt(10, 0);
  const int64_t saturday = options.wallClock() + 4 * kMillisecondsPerDay;  // 2026-12-12
  options.wallClock = [saturday] { return saturday; };
  Exchange exchange(options);
  broker::ScopedServer server(exchange);
  const std::string code = exchange.Stocks().At(3).code;
  auto chart = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
  chart->SetInput(0, Variant::Text(code));
  chart->SetInput(1, Variant::UI1('D'));
  chart->SetInput(3, Variant::I2(2));
  ASSERT_EQ(chart->Request(), 0);
  EXPECT_EQ(chart->DataValue(0, 0).ToI4(), 20261211);
  EXPECT_EQ(chart->DataValue(0, 1).ToI4(), 20261210);
  auto price = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
  price->SetInput(0, Variant::Text(code));
  ASSERT_EQ(price->Request(), 0);
  EXPECT_EQ(static_cast<char>(price->DataValue(24, 0).ToUI1()), '0');
  EXPECT_EQ(price->DataValue(3, 0).ToI4(), chart->DataValue(4, 0).ToI4());
}

// The whole default market after the close: some stocks sit at a limit or touched one, a few are
// halted, liquid stocks trade thousands of times and thin ones a few hundred at most.
TEST(MarketShape, ADayOfTheDefaultMarket) {
  Exchange exchange(LiveAt(15, 40, 0, 0));
  broker::ScopedServer server(exchange);
  int closedUpper = 0, touchedUpper = 0, closedLower = 0, halted = 0, suspended = 0, rows = 0;
  const auto& stocks = exchange.Stocks().All();
  for (size_t first = 0; first < stocks.size(); first += 110) {
    std::string codes;
    for (size_t i = first; i < stocks.size() && i < first + 110; ++i)
      codes += (codes.empty() ? "" : ",") + stocks[i].code;
    auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    object->SetInput(0, Variant::Text(codes));
    ASSERT_EQ(object->Request(), 0);
    const int32_t count = object->HeaderValue(0).ToI4();
    for (int32_t r = 0; r < count; ++r, ++rows) {
      const ListedStock& stock = stocks[first + static_cast<size_t>(r)];
      ASSERT_EQ(object->DataValue(0, r).ToText(), stock.code);
      const int32_t price = object->DataValue(3, r).ToI4();
      const int32_t high = object->DataValue(7, r).ToI4();
      const int32_t low = object->DataValue(8, r).ToI4();
      const int32_t upper = object->DataValue(18, r).ToI4();
      const int32_t lower = object->DataValue(22, r).ToI4();
      suspended += stock.IsSuspended();
      const bool stops = object->DataValue(6, r).ToI4() == 0;
      if (stops || rows % 50 == 0) {
        // The stock state: 1 suspended, 2 halted for the day, 0 trading, with the day's limits.
        auto state = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kStockState);
        state->SetInput(0, Variant::Text(stock.code));
        ASSERT_EQ(state->Request(), 0);
        EXPECT_EQ(state->HeaderValue(32).ToI2(), stock.IsSuspended() ? 1 : stops ? 2 : 0) << stock.code;
        const int32_t base = object->DataValue(19, r).ToI4();
        EXPECT_EQ(state->HeaderValue(3).ToI4(), base);
        EXPECT_EQ(state->HeaderValue(4).ToI4(), base + PriceLimitChange(base, 1));
        EXPECT_EQ(state->HeaderValue(5).ToI4(), base + PriceLimitChange(base, 0));
      }
      if (stops) {
        ++halted;
        continue;
      }
      ASSERT_FALSE(stock.IsSuspended()) << stock.code;
      closedUpper += price == upper;
      closedLower += price == lower;
      touchedUpper += high == upper && price < high;
      ASSERT_GE(low, lower);
      ASSERT_LE(high, upper);
    }
  }
  EXPECT_EQ(rows, static_cast<int>(stocks.size()));
  // One day's draw (the history's averages are the study's): 5 upper and 1 lower limit closes.
  EXPECT_GE(closedUpper, 3);
  EXPECT_GT(touchedUpper, 5);
  EXPECT_GE(closedLower, 1);
  EXPECT_GT(suspended, 0);
  EXPECT_GT(halted, suspended);
  EXPECT_LT(halted, rows / 20);
}

// Splits and consolidations leave a jump in the daily closes; the day's own change stays within
// the limit of its (adjusted) base.
TEST(MarketShape, SomeHistoriesHoldAJump) {
  const Listing listing = Listing::Build(7, 400);
  Market market(ProfilesOf(listing), 7);
  market.Sync(kTradingDate, 0);
  int jumps = 0;
  for (int index = 0; index < static_cast<int>(market.Size()); ++index) {
    const std::vector<DailyBar> bars = market.History(index, 520);
    for (size_t i = 1; i < bars.size(); ++i) {
      const int32_t base = bars[i].close - bars[i].change;
      ASSERT_LE(bars[i].close, base + PriceLimitChange(base, 1));
      ASSERT_GE(bars[i].close, base + PriceLimitChange(base, 0));
      if (Percent(bars[i - 1].close, bars[i].close - bars[i - 1].close) > 15) ++jumps;
    }
  }
  EXPECT_GT(jumps, 0);
  EXPECT_LT(jumps, 40);
}

}  // namespace
}  // namespace ostrada::sim::testing
