// The live-day feed: what one live record means for the figures a window shows, across phases and
// the start of a new trading day. The shown day closed yesterday at 10,000 and stands at 10,100
// after 5,000 shares.
#include "basesrc/liveday.h"

#include <gtest/gtest.h>

namespace ostrada {
namespace {

struct LiveDayCase {
  const char* what;
  DayFigures shown;
  int32_t price, change, volume;
  char phase;
  bool newDay, trade;
  DayFigures figures;
};

class LiveDay : public ::testing::TestWithParam<LiveDayCase> {};

TEST_P(LiveDay, ReadsPhaseAndDayOnce) {
  const LiveDayCase& c = GetParam();
  ContractRecord record{};
  record.price = c.price;
  record.change = c.change;
  record.volume = c.volume;
  record.phase = c.phase;
  const LiveDayStep step = FollowLiveDay(c.shown, record);
  EXPECT_EQ(step.newDay, c.newDay);
  EXPECT_EQ(step.trade, c.trade);
  EXPECT_EQ(step.trade, IsSessionTrade(record));
  EXPECT_EQ(step.figures.price, c.figures.price);
  EXPECT_EQ(step.figures.change, c.figures.change);
  EXPECT_EQ(step.figures.volume, c.figures.volume);
}

constexpr DayFigures kShown{10100, 100, 5000};

INSTANTIATE_TEST_SUITE_P(
    Phases, LiveDay,
    ::testing::Values(
        LiveDayCase{"trade", kShown, 10200, 200, 5100, '2', false, true, {10200, 200, 5100}},
        LiveDayCase{"tradeAsMuchAsShown", kShown, 10050, 50, 5000, '2', false, true, {10050, 50, 5000}},
        LiveDayCase{"closingAuctionExpects", kShown, 10300, 300, 5100, '1', false, false, kShown},
        LiveDayCase{"auctionOneShareLess", kShown, 10050, 50, 4999, '1', true, false, {10000, 0, 4999}},
        LiveDayCase{"auctionNewClose", kShown, 10250, 150, 0, '1', true, false, {10100, 0, 0}},
        LiveDayCase{"standingOfNewDay", kShown, 10100, 0, 0, '0', true, false, {10100, 0, 0}},
        LiveDayCase{"standingOfHaltedDay", kShown, 10100, 100, 5000, '0', false, false, kShown},
        LiveDayCase{"firstTradeOfNewDay", kShown, 10200, 100, 300, '2', true, true, {10200, 100, 300}},
        LiveDayCase{"nothingShownYet", DayFigures{}, 10200, 200, 10, '2', true, true, {10200, 200, 10}},
        LiveDayCase{"auctionBeforeAnything", DayFigures{}, 9900, -100, 0, '1', true, false, {10000, 0, 0}}),
    [](const ::testing::TestParamInfo<LiveDayCase>& row) { return row.param.what; });

}  // namespace
}  // namespace ostrada
