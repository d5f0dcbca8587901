#include "broker/sim/market/market_day.h"

#include <gtest/gtest.h>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_process.h"

namespace ostrada::sim {
namespace {

StockProfile Liquid() {
  StockProfile stock;
  stock.code = "A005930";
  stock.name = "test";
  stock.seed = 12345;
  stock.priceLevel = 71300;
  stock.contractsPerSecond = 3.0;
  return stock;
}

StockProfile Thin() {
  StockProfile stock = Liquid();
  stock.code = "A123450";
  stock.seed = 777;
  stock.priceLevel = 4990;
  stock.contractsPerSecond = 0.03;
  return stock;
}

// The last `count` days the market's process draws for a market of this one stock.
std::vector<DayDraw> Draws(const StockProfile& stock, int count) {
  const std::vector<StockProfile> stocks = {stock};
  MarketProcess process(stocks, 3);
  std::vector<DayDraw> draws;
  process.Run(0, 20261208, draws);
  draws.erase(draws.begin(), draws.end() - count);
  return draws;
}

bool ValidTick(int32_t price) {
  return price > 0 && price % PriceTick(price) == 0;
}

// Every record of the day is a valid tick within the limits, in time order, and the cumulative
// volumes add up record by record.
void CheckWholeDay(StockDay& day) {
  const int32_t total = day.CountAt(kCloseMs + 1000);
  std::vector<Trade> records;
  day.Records(0, total, records);
  ASSERT_EQ(records.size(), static_cast<size_t>(total));
  int32_t volume = 0;
  int32_t time = 0;
  for (const Trade& trade : records) {
    ASSERT_TRUE(ValidTick(trade.price)) << trade.price;
    ASSERT_GE(trade.price, day.Ladder().Lower());
    ASSERT_LE(trade.price, day.Ladder().Upper());
    ASSERT_GE(trade.timeMs, time);
    time = trade.timeMs;
    ASSERT_EQ(trade.phase, PhaseAt(trade.timeMs) == Phase::kClosed ? Phase::kRegular : PhaseAt(trade.timeMs))
        << trade.timeMs;
    if (trade.phase == Phase::kRegular) {
      volume += trade.quantity;
      ASSERT_GT(trade.quantity, 0);
      ASSERT_EQ(trade.volume, volume);
      ASSERT_EQ(trade.buyVolume + trade.sellVolume, trade.volume);
    }
  }
  const DayState closed = day.StateAt(kCloseMs + 1);
  EXPECT_EQ(closed.volume, volume);
  if (!records.empty()) {
    EXPECT_EQ(closed.price, records.back().price);
  }
}

// Each session is valid and ends exactly as the process drew its day: the bar the history keeps.
TEST(StockDay, WholeDayIsValidAndEndsAsDrawn) {
  for (const StockProfile& stock : {Liquid(), Thin()}) {
    uint64_t seed = 1;
    for (const DayDraw& draw : Draws(stock, 40)) {
      SCOPED_TRACE(draw.bar.date);
      StockDay day(stock, ++seed, draw);
      CheckWholeDay(day);
      if (::testing::Test::HasFatalFailure()) return;
      const DayState closed = day.StateAt(kCloseMs + 1);
      const DailyBar& bar = draw.bar;
      if (draw.halted) {
        EXPECT_EQ(closed.volume, 0);
        continue;
      }
      EXPECT_EQ(closed.previousClose, bar.close - bar.change);
      EXPECT_EQ(closed.open, bar.open);
      EXPECT_EQ(closed.high, bar.high);
      EXPECT_EQ(closed.low, bar.low);
      EXPECT_EQ(closed.price, bar.close);
      EXPECT_EQ(closed.volume, bar.volume);
    }
  }
}

TEST(StockDay, SameSeedSameDay) {
  const DayDraw draw = Draws(Liquid(), 1).back();
  StockDay first(Liquid(), 99, draw);
  StockDay second(Liquid(), 99, draw);
  // Asked in a different order, the days still agree.
  const DayState late = second.StateAt(14 * kMsPerHour);
  const DayState early = first.StateAt(10 * kMsPerHour);
  EXPECT_EQ(early.volume, second.StateAt(10 * kMsPerHour).volume);
  EXPECT_EQ(late.price, first.StateAt(14 * kMsPerHour).price);
  EXPECT_EQ(late.volume, first.StateAt(14 * kMsPerHour).volume);
}

TEST(StockDay, SummaryMatchesExpansion) {
  StockDay day(Liquid(), 5, Draws(Liquid(), 1).back());
  for (int m = 0; m < kRegularMinutes; m += 7) {
    const MinuteSummary summary = day.Minute(m);
    const std::vector<Trade> trades = day.MinuteTrades(m);
    ASSERT_EQ(static_cast<int32_t>(trades.size()), summary.count);
    if (trades.empty()) continue;
    int32_t volume = 0, buys = 0, buyVolume = 0, high = 0, low = 1 << 30;
    for (const Trade& trade : trades) {
      volume += trade.quantity;
      buys += trade.side == '1';
      buyVolume += trade.side == '1' ? trade.quantity : 0;
      high = std::max(high, trade.price);
      low = std::min(low, trade.price);
    }
    EXPECT_EQ(volume, summary.volume);
    EXPECT_EQ(buys, summary.buyCount);
    EXPECT_EQ(buyVolume, summary.buyVolume);
    EXPECT_EQ(high, summary.high);
    EXPECT_EQ(low, summary.low);
    EXPECT_EQ(trades.front().price, summary.open);
    EXPECT_EQ(trades.back().price, summary.close);
  }
}

}  // namespace
}  // namespace ostrada::sim
