// The market's process never takes a stock to a price where it cannot move, keeps each stock's
// turnover within what a real board sees, and an index trades what its stocks trade.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "broker/sim/market/market.h"
#include "broker/sim/market/market_service.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

// The exchange's tick bands and its 15% daily limit, written from the rule itself.
int32_t Tick(int32_t price) {
  if (price < 5000) return 5;
  if (price < 10000) return 10;
  if (price < 50000) return 50;
  if (price < 100000) return 100;
  if (price < 500000) return 500;
  return 1000;
}

// The size of the step to the upper (up) or lower limit.
int32_t LimitStep(int32_t price, bool up) {
  const auto d = static_cast<int32_t>(static_cast<float>(price) * 0.15f);
  return up ? d - (price + d) % Tick(price + d) : d - d % Tick(price);
}

// The whole default market's history, as the exchange serves it today.
class DefaultHistory : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    listing_ = new Listing(Listing::Build(ExchangeOptions{}.seed, 0));
    Market market(ProfilesOf(*listing_), ExchangeOptions{}.seed);
    market.Sync(kTradingDate, 0);
    bars_ = new std::vector<std::vector<DailyBar>>();
    changes_ = new std::vector<std::vector<ShareChange>>();
    for (int i = 0; i < static_cast<int>(market.Size()); ++i) {
      bars_->push_back(market.History(i, 600));
      changes_->push_back(market.ShareChangesAfter(i, 0));
    }
  }
  static void TearDownTestSuite() {
    delete changes_;
    delete bars_;
    delete listing_;
  }
  // The shares a stock lists on a date: the listing's, through its splits and consolidations.
  static double Listed(size_t stock, int32_t date) {
    double shares = listing_->At(stock).number2 * 1000.0;
    for (const ShareChange& change : (*changes_)[stock]) {
      if (change.date <= date) shares = shares * change.after / change.before;
    }
    return shares;
  }
  static Listing* listing_;
  static std::vector<std::vector<DailyBar>>* bars_;
  static std::vector<std::vector<ShareChange>>* changes_;
};
Listing* DefaultHistory::listing_ = nullptr;
std::vector<std::vector<DailyBar>>* DefaultHistory::bars_ = nullptr;
std::vector<std::vector<ShareChange>>* DefaultHistory::changes_ = nullptr;

// At 30 won the limit allows no step (4.5 won truncates to 4, below the 5-won tick): a stock that
// fell there froze for months. A company whose shares closed below 500 won consolidates them ten to
// one the next day, so every close leaves a step both ways.
TEST_F(DefaultHistory, NoStockIsTakenWhereItCannotMove) {
  EXPECT_EQ(LimitStep(30, true), 0);  // the reference agrees with the fault
  EXPECT_EQ(LimitStep(30, false), 0);
  int consolidations = 0;
  int atTheLine = 0;
  for (size_t s = 0; s < bars_->size(); ++s) {
    const std::vector<DailyBar>& bars = (*bars_)[s];
    SCOPED_TRACE(listing_->At(s).code);
    for (size_t d = 0; d < bars.size(); ++d) {
      const DailyBar& bar = bars[d];
      ASSERT_GT(LimitStep(bar.close, true), 0) << bar.date << " " << bar.close;
      ASSERT_GT(LimitStep(bar.close, false), 0) << bar.date << " " << bar.close;
      ASSERT_GE(bar.close, 500 - LimitStep(500, false)) << bar.date;
      if (d + 1 == bars.size()) continue;
      if (bar.close >= 500) {
        // 500 won is not below the line: the next day starts from the close as it is.
        if (bar.close < 505) {
          EXPECT_EQ(bars[d + 1].close - bars[d + 1].change, bar.close) << bars[d + 1].date;
          ++atTheLine;
        }
        continue;
      }
      const int32_t consolidated = bar.close * 10 - bar.close * 10 % Tick(bar.close * 10);
      EXPECT_EQ(bars[d + 1].close - bars[d + 1].change, consolidated) << bars[d + 1].date;
      ++consolidations;
    }
  }
  EXPECT_GT(consolidations, 0);
  EXPECT_GT(atTheLine, 0);
}

// A company consolidates its shares only where they are cheap (below 2,000 won; below 500 won always,
// ten to one) and splits them only where they are dear (50,000 won or more); the new base is the
// previous close at the new count, on the tick at or below it.
TEST_F(DefaultHistory, SharesSplitOnlyWhenDearAndConsolidateOnlyWhenCheap) {
  int splits = 0;
  int consolidations = 0;
  for (size_t s = 0; s < bars_->size(); ++s) {
    const std::vector<DailyBar>& bars = (*bars_)[s];
    for (const ShareChange& change : (*changes_)[s]) {
      const auto day = std::find_if(bars.begin(), bars.end(), [&change](const DailyBar& bar) { return bar.date == change.date; });
      if (day == bars.end() || day == bars.begin()) continue;
      const int32_t close = std::prev(day)->close;
      const int32_t base = day->close - day->change;
      SCOPED_TRACE(listing_->At(s).code + " " + std::to_string(change.date));
      EXPECT_EQ(base, change.price);
      if (change.before > change.after) {
        EXPECT_LT(close, 2000);
        const int32_t raised = close * change.before;
        EXPECT_EQ(base, raised - raised % Tick(raised));
        ++consolidations;
      } else {
        EXPECT_GE(close, 50000);
        const int32_t lowered = close / change.after;
        EXPECT_EQ(base, lowered - lowered % Tick(lowered));
        ++splits;
      }
    }
  }
  EXPECT_GT(splits, 0);
  EXPECT_GT(consolidations, 0);
}

// No stock trades more than half the shares it lists that day, nor more than a fifth of the whole
// market's value (a real board's largest company trades a twentieth to a tenth of it, a fifth on its
// busiest days).
TEST_F(DefaultHistory, TurnoverStaysWithinTheListedSharesAndTheMarketsValue) {
  std::map<int32_t, double> marketValue, largestValue;
  double busiest = 0;
  for (size_t s = 0; s < bars_->size(); ++s) {
    for (const DailyBar& bar : (*bars_)[s]) {
      busiest = std::max(busiest, bar.volume / Listed(s, bar.date));
      const double value = static_cast<double>(bar.volume) * bar.close;
      marketValue[bar.date] += value;
      largestValue[bar.date] = std::max(largestValue[bar.date], value);
    }
  }
  EXPECT_LE(busiest, 0.5);
  EXPECT_GT(busiest, 0.1);  // hot stocks still turn over a good part of their shares
  double largestShare = 0;
  for (const auto& [date, value] : marketValue) largestShare = std::max(largestShare, largestValue[date] / value);
  EXPECT_LE(largestShare, 0.2);
  // The whole market trades some trillions of won a day, as a real board of this size.
  const double days = static_cast<double>(marketValue.size());
  double total = 0;
  for (const auto& [date, value] : marketValue) total += value;
  EXPECT_GT(total / days, 5e12);
  EXPECT_LT(total / days, 50e12);
}

// At 14:00 an index has traded what its stocks traded (the index counts in thousands of shares),
// so no stock's volume is larger than its index's.
TEST(IndexVolume, IsTheSumOfItsStocksThroughTheDay) {
  Exchange exchange(LiveAt(14, 0, 0, 300));
  broker::ScopedServer server(exchange);
  double board[2] = {0, 0};
  double largest[2] = {0, 0};
  for (const ListedStock& stock : exchange.Stocks().All()) {
    if (stock.market != '1' && stock.market != '2') continue;
    auto price = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    price->SetInput(0, Variant::Text(stock.code));
    ASSERT_EQ(price->Request(), 0);
    const double volume = price->DataValue(11, 0).ToI4();
    board[stock.market - '1'] += volume;
    largest[stock.market - '1'] = std::max(largest[stock.market - '1'], volume);
  }
  for (const char* code : {"U001", "U201"}) {
    SCOPED_TRACE(code);
    const int which = code[1] == '0' ? 0 : 1;
    auto chart = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
    chart->SetInput(0, Variant::Text(code));
    chart->SetInput(1, Variant::UI1('D'));
    chart->SetInput(3, Variant::I2(1));
    ASSERT_EQ(chart->Request(), 0);
    ASSERT_EQ(chart->DataValue(0, 0).ToI4(), kTradingDate);
    const double thousands = chart->DataValue(5, 0).ToI4();
    ASSERT_GT(board[which], 0);
    EXPECT_NEAR(thousands * 1000, board[which], board[which] * 0.002 + 1000);
    EXPECT_GE(thousands * 1000, largest[which]);
  }
}

}  // namespace
}  // namespace ostrada::sim::testing
