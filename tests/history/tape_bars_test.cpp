// A day's minute bars after the close, for every interval: folded from the day's contracts against
// the server's own minute chart, and counted and summed against the minutes of the session.
#include <gtest/gtest.h>

#include <memory>
#include <set>

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
  // The auctions' records are left out either way; the edges merged or not, the closing contract
  // stands alone at 15:00.
  for (const int merge : {0, 1}) {
    for (int32_t interval = 1; interval <= 60; ++interval) {
      SCOPED_TRACE("interval " + std::to_string(interval) + " merge " + std::to_string(merge));
      std::unique_ptr<DaySeries> folded = SeriesFromTape(*tape, interval, kTradingDate, merge);
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
}

// A stock that trades in every minute of the day: each interval's bars are as many as the distinct
// N-minute stretches of the minutes 09:00 to 14:49 and the closing contract's 15:00, in order, and
// together hold the day's volume.
TEST_F(TapeBars, EveryIntervalCountsItsStretchesOfTheDayAndHoldsTheDaysVolume) {
  const std::string code = LiquidCode();
  std::unique_ptr<DaySeries> day = gate_.DownloadBarsNew(code.c_str(), "Stock", 1, 1, 'D', 0, 0, 0);
  ASSERT_NE(day, nullptr);
  ASSERT_EQ(day->Newest()->Key(), kTradingDate);
  std::unique_ptr<DaySeries> ones = gate_.DownloadMinuteBarsNew(code.c_str(), "Stock", 1, 9999, 0);
  ASSERT_NE(ones, nullptr);
  ASSERT_EQ(ones->Count(), 350 + 1) << "a stock that trades every minute";
  for (int32_t interval = 1; interval <= 60; ++interval) {
    SCOPED_TRACE("interval " + std::to_string(interval));
    std::set<int32_t> stretches{(15 * 60) / interval};
    for (int32_t minute = 9 * 60; minute < 14 * 60 + 50; ++minute) stretches.insert(minute / interval);
    std::unique_ptr<DaySeries> bars = gate_.DownloadMinuteBarsNew(code.c_str(), "Stock", interval, 9999, 0);
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->Count(), static_cast<int32_t>(stretches.size()));
    int64_t volume = 0;
    int32_t previousEnd = 0;
    auto stretch = stretches.begin();
    for (const DayBar* bar = bars->Oldest(); bar != nullptr && stretch != stretches.end();
         bar = bar->newer, ++stretch) {
      const int32_t end = (*stretch + 1) * interval;  // the stretch's end in minutes of the day
      EXPECT_EQ(bar->Key(), end / 60 * 100 + end % 60);
      EXPECT_GT(end, previousEnd);
      previousEnd = end;
      volume += bar->price.volume;
    }
    EXPECT_EQ(volume, day->Newest()->price.volume);
  }
}

}  // namespace
}  // namespace ostrada
