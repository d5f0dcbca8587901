// Minute bars folded from the day's contracts against the server's own minute chart, for every
// interval, at a moment after the close.
#include <gtest/gtest.h>

#include <memory>

#include "basesrc/coninfo.h"
#include "basesrc/dayfunc.h"
#include "basesrc/daygate.h"
#include "basesrc/stocgate.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada {
namespace {

using sim::testing::kTradingDate;
using sim::testing::LiveAt;
using sim::testing::MarketTest;

class TapeBars : public MarketTest {
 protected:
  TapeBars() : MarketTest(LiveAt(15, 40)) {}
  StocGate gate_;
};

TEST_F(TapeBars, TheDaysContractsFoldIntoTheServersMinuteBarsAtEveryInterval) {
  const std::string code = LiquidCode();
  std::unique_ptr<ContractTape> tape = gate_.DownloadAllContracts(code.c_str(), "Stock");
  ASSERT_NE(tape, nullptr);
  for (int32_t interval = 1; interval <= 60; ++interval) {
    SCOPED_TRACE("interval " + std::to_string(interval));
    std::unique_ptr<DaySeries> folded = SeriesFromTape(*tape, interval, kTradingDate, 0);
    std::unique_ptr<DaySeries> server = gate_.DownloadMinuteBarsNew(code.c_str(), "Stock", interval, 9999, 0);
    ASSERT_NE(folded, nullptr);
    ASSERT_NE(server, nullptr);
    ASSERT_EQ(folded->Count(), server->Count());
    for (const DayBar *a = folded->Oldest(), *b = server->Oldest(); a != nullptr; a = a->newer, b = b->newer) {
      ASSERT_EQ(a->Key(), b->Key());
      EXPECT_EQ(a->Date(), b->Date());
      EXPECT_EQ(a->price.open, b->price.open) << a->Key();
      EXPECT_EQ(a->price.high, b->price.high) << a->Key();
      EXPECT_EQ(a->price.low, b->price.low) << a->Key();
      EXPECT_EQ(a->price.close, b->price.close) << a->Key();
      EXPECT_EQ(a->price.volume, b->price.volume) << a->Key();
    }
  }
}

}  // namespace
}  // namespace ostrada
