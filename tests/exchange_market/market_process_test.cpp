#include <gtest/gtest.h>

#include <set>
#include <string>

#include "broker/sim/market/market_service.h"
#include "broker/sim/market/market_study.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

ExchangeOptions LiveOn(int32_t date, int hh, int mm) {
  ExchangeOptions options = LiveAt(hh, mm);
  const int64_t moment = KoreanUnixMilliseconds(date, (hh * 60LL + mm) * 60 * 1000);
  options.wallClock = [moment] { return moment; };
  return options;
}

std::vector<std::vector<Variant>> PriceRows(const Listing& listing) {
  std::vector<std::vector<Variant>> rows;
  for (const ListedStock& stock : listing.All()) {
    auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    object->SetInput(0, Variant::Text(stock.code));
    object->Request();
    std::vector<Variant>& row = rows.emplace_back();
    for (int field = 0; field < 30; ++field) row.push_back(object->DataValue(field, 0));
  }
  return rows;
}

// Yesterday's session, as the client saw it after the close, is the newest bar of today's daily
// chart, and today starts from its close: for every stock and both indexes.
TEST(MarketMemory, TodaysHistoryHoldsYesterdaysSession) {
  Exchange yesterday(LiveOn(20261207, 15, 40));
  std::vector<std::vector<Variant>> closed;
  // The indexes' bars as the day closed, and as the next day's history keeps them.
  auto indexBars = [] {
    std::vector<Variant> bars;
    for (const char* index : {"U001", "U201"}) {
      auto chart = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
      chart->SetInput(0, Variant::Text(index));
      chart->SetInput(1, Variant::UI1('D'));
      chart->SetInput(3, Variant::I2(1));
      EXPECT_EQ(chart->Request(), 0);
      for (int field = 0; field < 7; ++field) bars.push_back(chart->DataValue(field, 0));
    }
    return bars;
  };
  std::vector<Variant> indexesClosed;
  {
    broker::ScopedServer server(yesterday);
    closed = PriceRows(yesterday.Stocks());
    indexesClosed = indexBars();
  }
  Exchange today(LiveOn(kTradingDate, 8, 30));
  broker::ScopedServer server(today);
  const std::vector<std::vector<Variant>> opening = PriceRows(today.Stocks());
  EXPECT_EQ(indexBars(), indexesClosed);
  for (size_t i = 0; i < closed.size(); ++i) {
    const std::string code = today.Stocks().At(i).code;
    SCOPED_TRACE(code);
    auto chart = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
    chart->SetInput(0, Variant::Text(code));
    chart->SetInput(1, Variant::UI1('D'));
    chart->SetInput(3, Variant::I2(1));
    ASSERT_EQ(chart->Request(), 0);
    ASSERT_EQ(chart->DataValue(0, 0).ToI4(), 20261207);
    const std::vector<Variant>& row = closed[i];
    EXPECT_EQ(chart->DataValue(4, 0).ToI4(), row[3].ToI4());
    EXPECT_EQ(chart->DataValue(5, 0).ToI4(), row[11].ToI4());
    EXPECT_EQ(chart->DataValue(6, 0).ToI4(), row[4].ToI4());
    if (row[6].ToI4() > 0) {
      EXPECT_EQ(chart->DataValue(1, 0).ToI4(), row[6].ToI4());
      EXPECT_EQ(chart->DataValue(2, 0).ToI4(), row[7].ToI4());
      EXPECT_EQ(chart->DataValue(3, 0).ToI4(), row[8].ToI4());
    }
    EXPECT_EQ(opening[i][19].ToI4(), row[3].ToI4());
    EXPECT_EQ(opening[i][20].ToI4(), row[11].ToI4());  // yesterday's volume
  }
  EXPECT_EQ(StudyMarket(7, 60, kTradingDate).discontinuities, 0);
}

// A weekday holiday (2026-10-05, a Monday) trades nothing live, as the history skips it: the market
// shows the Friday before as it closed, and the daily chart's newest bar is that Friday's.
TEST(MarketMemory, AWeekdayHolidayIsClosedLiveAsInTheHistory) {
  Exchange friday(LiveOn(20261002, 15, 40));
  std::vector<std::vector<Variant>> closed;
  {
    broker::ScopedServer server(friday);
    closed = PriceRows(friday.Stocks());
  }
  Exchange holiday(LiveOn(20261005, 10, 30));
  broker::ScopedServer server(holiday);
  EXPECT_FALSE(holiday.Clock().IsMarketOpen());
  const std::vector<std::vector<Variant>> rows = PriceRows(holiday.Stocks());
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(holiday.Stocks().At(i).code);
    EXPECT_EQ(rows[i][3].ToI4(), closed[i][3].ToI4());    // the price
    EXPECT_EQ(rows[i][11].ToI4(), closed[i][11].ToI4());  // the day's volume
    EXPECT_EQ(rows[i][19].ToI4(), closed[i][19].ToI4());  // the previous close
  }
  auto chart = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kDayChart);
  chart->SetInput(0, Variant::Text(holiday.Stocks().At(0).code));
  chart->SetInput(1, Variant::UI1('D'));
  chart->SetInput(3, Variant::I2(2));
  ASSERT_EQ(chart->Request(), 0);
  EXPECT_EQ(chart->DataValue(0, 0).ToI4(), 20261002);
  EXPECT_EQ(chart->DataValue(0, 1).ToI4(), 20261001);
}

// A stock's history and day do not depend on which stocks, or which of its days, were asked first.
TEST(MarketMemory, TheSameWhateverIsAskedFirst) {
  const Listing listing = Listing::Build(11, 40);
  Market forward(ProfilesOf(listing), 11);
  Market backward(ProfilesOf(listing), 11);
  forward.Sync(kTradingDate, 11 * kMsPerHour);
  backward.Sync(kTradingDate, 11 * kMsPerHour);
  const std::vector<DailyBar> index = backward.IndexHistory("U201", 30);
  for (int i = 0; i < 40; ++i) forward.History(i, 520);
  for (int i = 39; i >= 0; --i) {
    const DayState late = backward.State(i);
    const std::vector<DailyBar> a = forward.History(i, 520);
    const std::vector<DailyBar> b = backward.History(i, 12);
    // Every trading day from the process's start (2024-11-01) to yesterday: 547 weekdays less the
    // exchange's 35 weekday holidays between.
    ASSERT_EQ(a.size(), 512u);
    for (size_t d = 0; d < b.size(); ++d) {
      const DailyBar& x = a[a.size() - b.size() + d];
      ASSERT_EQ(std::tie(x.date, x.open, x.high, x.low, x.close, x.change, x.volume),
                std::tie(b[d].date, b[d].open, b[d].high, b[d].low, b[d].close, b[d].change, b[d].volume));
    }
    const DayState early = forward.State(i);
    EXPECT_EQ(std::tie(early.price, early.volume, early.high), std::tie(late.price, late.volume, late.high));
  }
  const std::vector<DailyBar> again = forward.IndexHistory("U201", 30);
  ASSERT_EQ(again.size(), index.size());
  for (size_t d = 0; d < again.size(); ++d) EXPECT_EQ(again[d].close, index[d].close);
}

// The market moves together, its volatility clusters, its returns have fat tails, and today's
// session looks like the history: a few of the study's bands with a fixed seed.
TEST(MarketMemory, TheMarketFallsInRealisticBands) {
  const MarketStudy study = StudyMarket(5, 800, kTradingDate);
  const std::set<std::string> held = {"pairwise_correlation",
                                      "minute_correlation",
                                      "ten_minute_correlation",
                                      "ten_minute_over_daily_correlation",
                                      "excess_kurtosis",
                                      "abs_return_autocorrelation_1",
                                      "log_volume_autocorrelation_1",
                                      "closing_auction_share",
                                      "today_sd_over_history"};
  size_t found = 0;
  for (const StudyMeasure& measure : study.measures) {
    if (held.count(measure.key) == 0) continue;
    ++found;
    EXPECT_TRUE(measure.Passes()) << measure.key << " " << measure.value;
  }
  EXPECT_EQ(found, held.size());
}

}  // namespace
}  // namespace ostrada::sim::testing
