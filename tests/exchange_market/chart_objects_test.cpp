#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/market_calendar.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;
using broker::VarType;

class ChartObjects : public MarketTest {
 protected:
  std::shared_ptr<broker::IMarketRequest> DayChart(const std::string& code, char kind, int16_t count) {
    auto object = Create(broker::clsid::kDayChart);
    object->SetInput(0, Variant::Text(code));
    object->SetInput(1, Variant::UI1(static_cast<uint8_t>(kind)));
    object->SetInput(2, Variant::I4(0));
    object->SetInput(3, Variant::I2(count));
    object->SetInput(4, Variant::UI1('1'));
    object->Request();
    return object;
  }
  std::shared_ptr<broker::IMarketRequest> MinuteChart(const std::string& code, int16_t interval, int16_t count) {
    auto object = Create(broker::clsid::kMinuteChart);
    object->SetInput(0, Variant::Text(code));
    object->SetInput(1, Variant::UI1('M'));
    object->SetInput(2, Variant::I2(interval));
    object->SetInput(3, Variant::I2(count));
    object->SetInput(4, Variant::UI1('1'));
    object->Request();
    return object;
  }
};

TEST_F(ChartObjects, DailyBarsCoverTwoYearsOfTradingDaysEndingToday) {
  AdvanceTo(10, 0);
  const std::string code = LiquidCode();
  auto chart = DayChart(code, 'D', 600);
  ASSERT_EQ(chart->Status(), 0);
  const int32_t rows = chart->HeaderValue(3).ToI4();
  ASSERT_GE(rows, 490);
  ASSERT_LE(rows, 600);
  EXPECT_EQ(chart->DataValue(0, 0).ToI4(), kTradingDate);
  EXPECT_EQ(chart->DataValue(0, 1).ToI4(), 20261207);
  EXPECT_LE(chart->DataValue(0, rows - 1).ToI4(), 20241208);
  const std::vector<Variant> row = PriceRow(code);
  EXPECT_EQ(chart->DataValue(4, 0).ToI4(), row[3].ToI4());
  EXPECT_EQ(chart->DataValue(5, 0).ToI4(), row[11].ToI4());
  // The previous close is the newest history bar's close.
  EXPECT_EQ(chart->DataValue(4, 1).ToI4(), row[19].ToI4());
  for (int32_t i = 0; i < rows; ++i) {
    SCOPED_TRACE(i);
    const int32_t date = chart->DataValue(0, i).ToI4();
    ASSERT_TRUE(IsTradingDay(date));
    if (i + 1 < rows) {
      ASSERT_GT(date, chart->DataValue(0, i + 1).ToI4());
    }
    const int32_t open = chart->DataValue(1, i).ToI4();
    const int32_t high = chart->DataValue(2, i).ToI4();
    const int32_t low = chart->DataValue(3, i).ToI4();
    const int32_t close = chart->DataValue(4, i).ToI4();
    const int32_t base = close - chart->DataValue(6, i).ToI4();
    ASSERT_GE(high, std::max(open, close));
    ASSERT_LE(low, std::min(open, close));
    ASSERT_LE(high, base + PriceLimitChange(base, 1));
    ASSERT_GE(low, base + PriceLimitChange(base, 0));
    ASSERT_EQ(close % PriceTick(close), 0);
  }
}

TEST_F(ChartObjects, WeeksAndMonthsFoldTheDays) {
  AdvanceTo(11, 0);
  const std::string code = LiquidCode();
  auto days = DayChart(code, 'D', 40);
  auto weeks = DayChart(code, 'W', 8);
  auto months = DayChart(code, 'M', 30);
  ASSERT_EQ(weeks->HeaderValue(3).ToI4(), 8);
  ASSERT_GE(months->HeaderValue(3).ToI4(), 24);
  // This week so far: Monday and today.
  EXPECT_EQ(weeks->DataValue(0, 0).ToI4(), kTradingDate);
  EXPECT_EQ(weeks->DataValue(1, 0).ToI4(), days->DataValue(1, 1).ToI4());
  EXPECT_EQ(weeks->DataValue(2, 0).ToI4(), std::max(days->DataValue(2, 0).ToI4(), days->DataValue(2, 1).ToI4()));
  EXPECT_EQ(weeks->DataValue(5, 0).ToI4(), days->DataValue(5, 0).ToI4() + days->DataValue(5, 1).ToI4());
  EXPECT_EQ(weeks->DataValue(4, 1).ToI4(), days->DataValue(4, 2).ToI4());  // last Friday's close
  EXPECT_EQ(weeks->DataValue(4, 0).ToI4() - weeks->DataValue(6, 0).ToI4(), weeks->DataValue(4, 1).ToI4());
  EXPECT_EQ(months->DataValue(0, 1).ToI4(), 20261130);
  // This week and this month against the days they hold, folded here.
  auto fold = [&](int32_t newest, int32_t oldest, int field, bool highest) {
    int32_t value = days->DataValue(field, newest).ToI4();
    for (int32_t i = newest; i <= oldest; ++i) {
      const int32_t day = days->DataValue(field, i).ToI4();
      value = highest ? std::max(value, day) : std::min(value, day);
    }
    return value;
  };
  EXPECT_EQ(weeks->DataValue(3, 0).ToI4(), fold(0, 1, 3, false));
  int32_t december = 0;  // days of this month: 1 to 8 December
  while (days->DataValue(0, december + 1).ToI4() >= 20261201) ++december;
  ASSERT_EQ(december, 5);
  int64_t volume = 0;
  for (int32_t i = 0; i <= december; ++i) volume += days->DataValue(5, i).ToI4();
  EXPECT_EQ(months->DataValue(1, 0).ToI4(), days->DataValue(1, december).ToI4());
  EXPECT_EQ(months->DataValue(2, 0).ToI4(), fold(0, december, 2, true));
  EXPECT_EQ(months->DataValue(3, 0).ToI4(), fold(0, december, 3, false));
  EXPECT_EQ(months->DataValue(5, 0).ToI4(), volume);
  EXPECT_EQ(months->DataValue(6, 0).ToI4(), days->DataValue(4, 0).ToI4() - days->DataValue(4, december + 1).ToI4());
}

// The first bar of a week or a month holds all of that period's days, also where two years of
// history begin inside one: each bar against the days of an earlier date's chart, folded here.
TEST_F(ChartObjects, EveryWeekAndMonthHoldsAllItsDays) {
  AdvanceTo(10, 0);
  const std::string code = LiquidCode();
  auto days = DayChart(code, 'D', 600);  // every day since the market's start
  struct Day {
    int32_t date, open, high, low, close, volume, change;
  };
  std::vector<Day> history;  // oldest first, before today
  for (int32_t i = days->HeaderValue(3).ToI4() - 1; i >= 1; --i) {
    history.push_back({days->DataValue(0, i).ToI4(), days->DataValue(1, i).ToI4(), days->DataValue(2, i).ToI4(),
                       days->DataValue(3, i).ToI4(), days->DataValue(4, i).ToI4(), days->DataValue(5, i).ToI4(),
                       days->DataValue(6, i).ToI4()});
  }
  ASSERT_EQ(history.front().date, 20241101);
  auto monday = [](int32_t date) {
    using namespace std::chrono;
    const sys_days day{year_month_day{year{date / 10000}, month{static_cast<unsigned>(date / 100 % 100)},
                                      std::chrono::day{static_cast<unsigned>(date % 100)}}};
    const year_month_day start{day - std::chrono::days{(weekday{day}.c_encoding() + 6) % 7}};
    return static_cast<int32_t>(int{start.year()} * 10000 + unsigned{start.month()} * 100 + unsigned{start.day()});
  };
  // Today, whose history begins with the market, and a later date whose two years begin in the
  // middle of a week and of a month.
  ExchangeOptions options = SmallMarket();
  options.tradingDate = 20270315;
  Exchange later(options);
  auto checkPeriods = [&] {
    for (char kind : {'W', 'M'}) {
      auto periods = DayChart(code, kind, 600);
      ASSERT_EQ(periods->Status(), 0);
      int compared = 0;
      for (int32_t r = 0; r < periods->HeaderValue(3).ToI4(); ++r) {
        const int32_t date = periods->DataValue(0, r).ToI4();
        const int32_t period = kind == 'W' ? monday(date) : date / 100;
        if (kind == 'W' ? period >= monday(kTradingDate) : period >= kTradingDate / 100) continue;
        SCOPED_TRACE(std::string(1, kind) + std::to_string(date));
        std::vector<Day> in;
        int32_t before = history.front().close - history.front().change;  // the close before the period
        for (const Day& day : history) {
          if ((kind == 'W' ? monday(day.date) : day.date / 100) == period) in.push_back(day);
          if (in.empty()) before = day.close;
        }
        ASSERT_FALSE(in.empty());
        int64_t volume = 0;
        int32_t high = 0;
        int32_t low = in.front().low;
        for (const Day& day : in) {
          volume += day.volume;
          high = std::max(high, day.high);
          low = std::min(low, day.low);
        }
        EXPECT_EQ(date, in.back().date);
        EXPECT_EQ(periods->DataValue(1, r).ToI4(), in.front().open);
        EXPECT_EQ(periods->DataValue(2, r).ToI4(), high);
        EXPECT_EQ(periods->DataValue(3, r).ToI4(), low);
        EXPECT_EQ(periods->DataValue(4, r).ToI4(), in.back().close);
        EXPECT_EQ(periods->DataValue(5, r).ToI4(), volume);
        EXPECT_EQ(periods->DataValue(6, r).ToI4(), in.back().close - before);
        ++compared;
      }
      EXPECT_GT(compared, kind == 'W' ? 60 : 15);
    }
  };
  checkPeriods();
  broker::ScopedServer server(later);
  checkPeriods();
}

TEST_F(ChartObjects, IndexBarsAreFloatsThatReadBackAsHundredths) {
  AdvanceTo(9, 45);
  for (const char* code : {"U001", "U201"}) {
    auto chart = DayChart(code, 'D', 10);
    ASSERT_EQ(chart->Status(), 0);
    ASSERT_EQ(chart->HeaderValue(3).ToI4(), 10);
    for (int32_t i = 0; i < 10; ++i) {
      for (int field : {1, 2, 3, 4, 6}) {
        const Variant value = chart->DataValue(field, i);
        ASSERT_EQ(value.Type(), VarType::kR4);
        const float price = value.ToR4();
        const auto hundredths = static_cast<int32_t>(price * 100);
        EXPECT_EQ(static_cast<int32_t>(static_cast<double>(price) * 100.0), hundredths);
        // The nearest float, or its neighbour where the nearest would read a hundredth short: shown
        // with two decimals it is the hundredths.
        const float nearest = static_cast<float>(hundredths / 100.0);
        EXPECT_LE(std::fabs(price - nearest), std::nextafter(std::fabs(nearest), INFINITY) - std::fabs(nearest));
        char shown[32];
        std::snprintf(shown, sizeof shown, "%.2f", static_cast<double>(price));
        EXPECT_EQ(std::llround(std::stod(shown) * 100), hundredths);
      }
      const auto close = static_cast<int32_t>(chart->DataValue(4, i).ToR4() * 100);
      const auto change = static_cast<int32_t>(chart->DataValue(6, i).ToR4() * 100);
      if (i + 1 < 10) {
        EXPECT_EQ(close - change, static_cast<int32_t>(chart->DataValue(4, i + 1).ToR4() * 100));
      }
    }
    auto minutes = MinuteChart(code, 1, 100);
    ASSERT_EQ(minutes->HeaderValue(3).ToI4(), 45);
    EXPECT_EQ(minutes->DataValue(2, 0).Type(), VarType::kR4);
    // Today's bar is its 45 minutes folded.
    float high = minutes->DataValue(3, 0).ToR4();
    float low = minutes->DataValue(4, 0).ToR4();
    for (int32_t i = 0; i < 45; ++i) {
      high = std::max(high, minutes->DataValue(3, i).ToR4());
      low = std::min(low, minutes->DataValue(4, i).ToR4());
    }
    EXPECT_EQ(chart->DataValue(1, 0).ToR4(), minutes->DataValue(2, 44).ToR4());
    EXPECT_EQ(chart->DataValue(2, 0).ToR4(), high);
    EXPECT_EQ(chart->DataValue(3, 0).ToR4(), low);
    EXPECT_EQ(chart->DataValue(4, 0).ToR4(), minutes->DataValue(5, 0).ToR4());
    EXPECT_EQ(chart->DataValue(5, 0).ToI4(), minutes->DataValue(6, 0).ToI4());
  }
}

// From the opening the day's bar of an index is today's: in the first minute it stands at the open,
// never at yesterday's close with yesterday's change, and the open is the one the day keeps.
TEST_F(ChartObjects, AnIndexHasTodaysBarFromTheOpening) {
  AdvanceTo(9, 0, 30);
  const auto points = [](const std::shared_ptr<broker::IMarketRequest>& chart, int field, int32_t row) {
    return static_cast<int32_t>(static_cast<double>(chart->DataValue(field, row).ToR4()) * 100.0);
  };
  std::map<std::string, int32_t> opens;
  for (const char* code : {"U001", "U201"}) {
    SCOPED_TRACE(code);
    auto chart = DayChart(code, 'D', 2);
    ASSERT_EQ(chart->Status(), 0);
    ASSERT_EQ(chart->HeaderValue(3).ToI4(), 2);
    EXPECT_EQ(chart->DataValue(0, 0).ToI4(), kTradingDate);
    EXPECT_LT(chart->DataValue(0, 1).ToI4(), kTradingDate);
    const int32_t open = points(chart, 1, 0);
    for (int field : {2, 3, 4}) EXPECT_EQ(points(chart, field, 0), open) << field;
    EXPECT_EQ(points(chart, 6, 0), open - points(chart, 4, 1));
    EXPECT_EQ(chart->DataValue(5, 0).ToI4(), 0);
    opens[code] = open;
  }
  AdvanceTo(9, 45);
  for (const char* code : {"U001", "U201"}) {
    auto chart = DayChart(code, 'D', 1);
    EXPECT_EQ(points(chart, 1, 0), opens[code]) << code;
  }
}

// A week's or a month's change is a difference of two closes, exact or not as a float of its own;
// it still reads back as that difference, whichever way the reader multiplies.
TEST_F(ChartObjects, IndexWeeksAndMonthsReadBackAsHundredthsToo) {
  AdvanceTo(9, 45);
  for (const char* code : {"U001", "U201"}) {
    for (char kind : {'W', 'M'}) {
      SCOPED_TRACE(std::string(code) + kind);
      auto chart = DayChart(code, kind, 600);
      ASSERT_EQ(chart->Status(), 0);
      const int32_t rows = chart->HeaderValue(3).ToI4();
      ASSERT_GT(rows, 20);
      auto hundredths = [&](int field, int32_t row) {
        const float value = chart->DataValue(field, row).ToR4();
        const auto byFloat = static_cast<int32_t>(value * 100.0f);
        EXPECT_EQ(static_cast<int32_t>(static_cast<double>(value) * 100.0), byFloat) << field << " " << row;
        return byFloat;
      };
      for (int32_t i = 0; i + 1 < rows; ++i) {
        EXPECT_EQ(hundredths(4, i) - hundredths(6, i), hundredths(4, i + 1)) << i;
      }
    }
  }
}

TEST_F(ChartObjects, MinuteBarsEndOnTheirIntervalWithCumulativeVolumes) {
  AdvanceTo(10, 7, 30);
  const std::string code = LiquidCode();
  auto ones = MinuteChart(code, 1, 500);
  ASSERT_EQ(ones->Status(), 0);
  const int32_t rows = ones->HeaderValue(3).ToI4();
  ASSERT_EQ(rows, 68);  // 09:00 to 10:07, the last one still running
  EXPECT_EQ(ones->DataValue(1, 0).ToI4(), 1008);
  EXPECT_EQ(ones->DataValue(1, rows - 1).ToI4(), 901);
  for (int32_t i = 0; i + 1 < rows; ++i) {  // one bar a minute, and the one ending at ten o'clock reads 1000
    const int32_t end = ones->DataValue(1, i).ToI4(), before = ones->DataValue(1, i + 1).ToI4();
    EXPECT_LT(end % 100, 60) << end;
    EXPECT_EQ(end / 100 * 60 + end % 100, before / 100 * 60 + before % 100 + 1) << end;
  }
  EXPECT_EQ(ones->DataValue(0, 0).ToI4(), kTradingDate);
  const std::vector<Variant> row = PriceRow(code);
  EXPECT_EQ(ones->DataValue(6, 0).ToI4(), row[11].ToI4());
  EXPECT_EQ(ones->DataValue(5, 0).ToI4(), row[3].ToI4());
  for (int32_t i = 0; i + 1 < rows; ++i) EXPECT_GE(ones->DataValue(6, i).ToI4(), ones->DataValue(6, i + 1).ToI4());

  auto fives = MinuteChart(code, 5, 3);
  ASSERT_EQ(fives->HeaderValue(3).ToI4(), 3);
  EXPECT_EQ(fives->DataValue(1, 0).ToI4(), 1010);
  EXPECT_EQ(fives->DataValue(1, 1).ToI4(), 1005);
  EXPECT_EQ(fives->DataValue(1, 2).ToI4(), 1000);
  EXPECT_EQ(fives->DataValue(6, 0).ToI4(), row[11].ToI4());
  EXPECT_EQ(fives->DataValue(6, 1).ToI4(), ones->DataValue(6, 3).ToI4());  // the bar ending 10:05
  // Every stock's five-minute bars fold its minutes, grouped here by their end times.
  for (const std::string& each : Codes()) {
    SCOPED_TRACE(each);
    auto minutes = MinuteChart(each, 1, 500);
    auto folded = MinuteChart(each, 5, 500);
    std::map<int32_t, std::array<int32_t, 5>> expected;                  // end HHMM: open, high, low, close, volume
    for (int32_t i = minutes->HeaderValue(3).ToI4() - 1; i >= 0; --i) {  // oldest first
      const int32_t end = minutes->DataValue(1, i).ToI4();
      const int32_t after = (end / 100 * 60 + end % 100 - 541) / 5 * 5 + 5;  // minutes after 09:00
      const std::array<int32_t, 5> bar = {minutes->DataValue(2, i).ToI4(), minutes->DataValue(3, i).ToI4(),
                                          minutes->DataValue(4, i).ToI4(), minutes->DataValue(5, i).ToI4(),
                                          minutes->DataValue(6, i).ToI4()};
      auto [at, fresh] = expected.emplace(900 + after / 60 * 100 + after % 60, bar);
      if (fresh) continue;
      at->second[1] = std::max(at->second[1], bar[1]);
      at->second[2] = std::min(at->second[2], bar[2]);
      at->second[3] = bar[3];
      at->second[4] = bar[4];
    }
    ASSERT_EQ(folded->HeaderValue(3).ToI4(), static_cast<int32_t>(expected.size()));
    auto want = expected.rbegin();
    for (int32_t k = 0; k < folded->HeaderValue(3).ToI4(); ++k, ++want) {
      EXPECT_EQ(folded->DataValue(1, k).ToI4(), want->first);
      for (int f = 0; f < 5; ++f) EXPECT_EQ(folded->DataValue(2 + f, k).ToI4(), want->second[f]) << k << " " << f;
    }
  }
  // After the close the last bar brings the volume to the day's.
  AdvanceTo(15, 10);
  EXPECT_EQ(MinuteChart(code, 1, 1)->DataValue(6, 0).ToI4(), PriceRow(code)[11].ToI4());
}

// Past eleven, bars of 3, 30 and 60 minutes still end on the interval and newest first.
TEST_F(ChartObjects, MinuteBarsOfEveryIntervalEndInOrderAcrossTheHours) {
  AdvanceTo(11, 29, 30);
  for (const int16_t interval : {3, 7, 30, 60}) {
    auto bars = MinuteChart(LiquidCode(), interval, 500);
    ASSERT_EQ(bars->Status(), 0);
    const int32_t rows = bars->HeaderValue(3).ToI4();
    EXPECT_EQ(rows, (11 * 60 + 29 - 9 * 60) / interval + 1) << interval;  // the last one still running
    for (int32_t i = 0; i < rows; ++i) {
      const int32_t end = bars->DataValue(1, i).ToI4();
      EXPECT_LT(end % 100, 60) << end;
      EXPECT_EQ((end / 100 * 60 + end % 100) % interval, 0) << end;
      if (i + 1 < rows) EXPECT_GT(end, bars->DataValue(1, i + 1).ToI4()) << interval;
    }
  }
}

TEST_F(ChartObjects, BadInputsAreRefused) {
  EXPECT_NE(DayChart(Codes()[0], 'X', 10)->Status(), 0);
  EXPECT_NE(DayChart(Codes()[0], 'D', 0)->Status(), 0);
  EXPECT_NE(DayChart("A999999", 'D', 10)->Status(), 0);
  EXPECT_NE(MinuteChart(Codes()[0], 0, 10)->Status(), 0);
  EXPECT_EQ(MinuteChart(Codes()[0], 60, 10)->Status(), 0);  // an hour is the longest interval
  EXPECT_NE(MinuteChart(Codes()[0], 61, 10)->Status(), 0);
  EXPECT_NE(MinuteChart(Codes()[0], 1, -5)->Status(), 0);
}

}  // namespace
}  // namespace ostrada::sim::testing
