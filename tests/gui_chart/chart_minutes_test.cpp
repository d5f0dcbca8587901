// The chart window's minute bars, followed live from the contracts, against what the server answers
// for a fresh request at the same moment: every interval the window offers, from moments before the
// open, across the hours, through the closing auction and after the close.
#include <QComboBox>
#include <QPushButton>
#include <sstream>

#include "app/chartview.h"
#include "app/chartwnd.h"
#include "basesrc/daygate.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "tests/gui_chart/chart_fixture.h"
#include "tests/support/render.h"

namespace ostrada {
namespace {

constexpr int32_t kTradingDate = 20261208;  // a Tuesday

// A live clock standing still at hh:mm of the trading date; the exchange then moves only by Advance.
sim::ExchangeOptions StoppedAt(int hh, int mm, int32_t date = kTradingDate) {
  sim::ExchangeOptions options;
  options.seed = 77;
  options.stocks = 60;
  options.clock = sim::ClockMode::kLive;
  const int64_t moment = sim::KoreanUnixMilliseconds(date, (hh * 60LL + mm) * 60 * 1000);
  options.wallClock = [moment] { return moment; };
  return options;
}

std::string Describe(const chart::Bar& bar) {
  std::ostringstream text;
  text << bar.date << ' ' << bar.time << " o" << bar.open << " h" << bar.high << " l" << bar.low << " c" << bar.close
       << " v" << bar.volume;
  return text.str();
}

bool SameFigures(const chart::Bar& a, const chart::Bar& b) {
  return a.date == b.date && a.time == b.time && a.open == b.open && a.high == b.high && a.low == b.low &&
         a.close == b.close && a.volume == b.volume;
}

class MinuteChart : public testing::ExchangeFixture {
 protected:
  explicit MinuteChart(int hh, int mm, int32_t date = kTradingDate) : ExchangeFixture(StoppedAt(hh, mm, date)) {}

  // The busiest stocks of the listing, which trade every minute.
  std::vector<std::string> LiquidCodes(size_t wanted) const {
    std::vector<std::string> codes;
    for (const sim::ListedStock& stock : exchange_.Stocks().All()) {
      if (!stock.IsSuspended() && stock.liquidity >= 6 && codes.size() < wanted) codes.push_back(stock.code);
    }
    return codes;
  }

  // The minute chart of the code at the interval, as a window opened now would show it.
  static chart::ChartData Fresh(const std::string& code, int32_t interval) {
    StocGate gate;
    std::unique_ptr<DaySeries> series =
        gate.DownloadMinuteBarsNew(code.c_str(), "x", interval, CChartWnd::kMinuteBarsAsked, 0);
    return series != nullptr ? chart::FromSeries(*series, false) : chart::ChartData{};
  }

  static void ChooseInterval(CChartWnd& window, int32_t interval) {
    auto* intervals = window.findChild<QComboBox*>("chartInterval");
    const int row = intervals->findData(interval);
    ASSERT_GE(row, 0) << interval;
    intervals->setCurrentIndex(row);
    emit intervals->activated(row);
  }

  // Opens a minute chart of each interval the window offers for two busy stocks, lets the exchange
  // run `minutes` in steps of 20 seconds, and compares every window's bars with a fresh answer.
  void FollowAndCompare(int minutes) {
    struct Open {
      std::string code;
      int32_t interval;
      std::unique_ptr<CChartWnd> window;
    };
    std::vector<Open> windows;
    for (const std::string& code : LiquidCodes(2)) {
      for (const int32_t interval : {1, 3, 5, 10, 15, 30, 60}) {
        auto window = std::make_unique<CChartWnd>(book_.get(), indexes_);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->showStock(QString::fromLatin1(code.c_str()));
        window->findChild<QPushButton*>("chartKindB")->click();
        ChooseInterval(*window, interval);
        ASSERT_EQ(window->MinuteInterval(), interval);
        windows.push_back({code, interval, std::move(window)});
      }
    }
    ASSERT_EQ(windows.size(), 14u);
    for (int step = 0; step < minutes * 3; ++step) exchange_.Advance(20'000);
    for (const Open& open : windows)
      Compare(open.window->Data(), Fresh(open.code, open.interval), open.code, open.interval);
    EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  }

  void Compare(const chart::ChartData& shown, const chart::ChartData& fresh, const std::string& code,
               int32_t interval) {
    SCOPED_TRACE(code + " interval " + std::to_string(interval) + " at " + std::to_string(exchange_.Clock().Hhmmss()));
    const size_t common = std::min(shown.bars.size(), fresh.bars.size());
    for (size_t k = 0; k < common; ++k) {
      const chart::Bar& a = shown.bars[shown.bars.size() - 1 - k];
      const chart::Bar& b = fresh.bars[fresh.bars.size() - 1 - k];
      if (!SameFigures(a, b)) {
        ADD_FAILURE() << "bar " << k << " from the newest: shown " << Describe(a) << ", fresh " << Describe(b);
        break;
      }
    }
    EXPECT_EQ(shown.bars.size(), fresh.bars.size());
    for (size_t k = 1; k < shown.bars.size(); ++k)
      EXPECT_LT(shown.bars[k - 1].time, shown.bars[k].time) << "bars out of order at " << k;
  }
};

struct BeforeTheOpen : MinuteChart {
  BeforeTheOpen() : MinuteChart(8, 58) {}
};
TEST_F(BeforeTheOpen, LiveMinuteBarsMatchAFreshChart) {
  FollowAndCompare(4);
}

// A chart opened before there is any bar, or with a few, grows with the day up to the bars a chart
// starts with, and from there moves along with the newest bar.
TEST_F(BeforeTheOpen, AChartOpenedBeforeTheFirstContractShowsTheBarsAsTheyCome) {
  CChartWnd window(book_.get(), indexes_);
  window.setAttribute(Qt::WA_DeleteOnClose, false);
  window.resize(1000, 640);
  window.show();
  window.showStock(QString::fromLatin1(LiquidCodes(1).front().c_str()));
  window.findChild<QPushButton*>("chartKindB")->click();
  ChooseInterval(window, 1);
  ASSERT_TRUE(window.Data().bars.empty());
  for (int step = 0; step < 3 * 20; ++step) exchange_.Advance(20'000);  // to 09:18
  const int total = static_cast<int>(window.Data().bars.size());
  ASSERT_EQ(total, 18);  // one bar a minute of a busy stock
  chart::ChartLayout layout = window.View().Layout();
  EXPECT_EQ(layout.view.first, 0);
  EXPECT_EQ(layout.view.count, total);
  EXPECT_EQ(layout.candles.size(), static_cast<size_t>(total));
  for (int step = 0; step < 3 * 150; ++step) exchange_.Advance(20'000);  // to 11:48, 168 bars
  ASSERT_EQ(window.Data().bars.size(), 168u);
  layout = window.View().Layout();
  EXPECT_EQ(layout.view.count, CChartView::kInitialBars);
  EXPECT_EQ(layout.view.first + layout.view.count, 168);
}

struct AroundEleven : MinuteChart {
  AroundEleven() : MinuteChart(10, 57) {}
};
TEST_F(AroundEleven, LiveMinuteBarsMatchAFreshChart) {
  FollowAndCompare(5);
}

struct AroundNoon : MinuteChart {
  AroundNoon() : MinuteChart(11, 28) {}
};
TEST_F(AroundNoon, LiveMinuteBarsMatchAFreshChart) {
  FollowAndCompare(3);
}

struct IntoTheClosingAuction : MinuteChart {
  IntoTheClosingAuction() : MinuteChart(14, 47) {}
};
TEST_F(IntoTheClosingAuction, LiveMinuteBarsMatchAFreshChart) {
  FollowAndCompare(6);
}

struct AcrossTheClose : MinuteChart {
  AcrossTheClose() : MinuteChart(14, 57) {}
};
TEST_F(AcrossTheClose, LiveMinuteBarsMatchAFreshChart) {
  FollowAndCompare(4);
}

// A day's 3- and 60-minute charts after the close, drawn for a person to look at: the hours on the
// axis and the closing contract's bar after the last regular one.
TEST_F(AcrossTheClose, ThreeAndSixtyMinuteChartsAreRendered) {
  exchange_.Advance(5 * 60'000);
  CChartWnd window(book_.get(), indexes_);
  window.setAttribute(Qt::WA_DeleteOnClose, false);
  window.resize(1000, 640);
  window.show();
  const std::string code = LiquidCodes(1).front();
  window.showStock(QString::fromLatin1(code.c_str()));
  window.findChild<QPushButton*>("chartKindB")->click();
  for (const int32_t interval : {3, 60}) {
    ChooseInterval(window, interval);
    const chart::ChartData fresh = Fresh(code, interval);
    ASSERT_EQ(window.Data().bars.size(), fresh.bars.size());
    const chart::ChartLayout layout = window.View().Layout();
    // Every bar of the day is within the view or, for three minutes, the newest bars are.
    EXPECT_EQ(layout.view.first + layout.view.count, static_cast<int>(fresh.bars.size()));
    EXPECT_FALSE(layout.dateTicks.empty());
    const std::string name = "chart_minutes_" + std::to_string(interval) + ".png";
    EXPECT_FALSE(testing::RenderToPng(window, name.c_str()).isEmpty());
  }
}

// Daily, weekly and monthly charts left open from the close to the next morning.
struct OvernightPeriods : MinuteChart {
  explicit OvernightPeriods(int32_t date) : MinuteChart(14, 58, date) {}

  void Run(int32_t nextMorningSteps) {
    std::vector<std::pair<char, std::unique_ptr<CChartWnd>>> windows;
    const std::string code = LiquidCodes(1).front();
    for (const char kind : {'D', 'W', 'M'}) {
      auto window = std::make_unique<CChartWnd>(book_.get(), indexes_);
      window->setAttribute(Qt::WA_DeleteOnClose, false);
      window->showStock(QString::fromLatin1(code.c_str()));
      window->findChild<QPushButton*>(QStringLiteral("chartKind%1").arg(QChar(kind)))->click();
      windows.emplace_back(kind, std::move(window));
    }
    for (int step = 0; step < nextMorningSteps; ++step) exchange_.Advance(20 * 60'000);
    for (auto& [kind, window] : windows) {
      StocGate gate;
      std::unique_ptr<DaySeries> series = gate.DownloadBarsNew(code.c_str(), "x", 600, 1, kind, 0, 0, 0);
      ASSERT_NE(series, nullptr);
      const chart::ChartData fresh = chart::FromSeries(*series, false);
      const chart::ChartData& shown = window->Data();
      SCOPED_TRACE(std::string(1, kind) + " at " + std::to_string(exchange_.Clock().Date()) + " " +
                   std::to_string(exchange_.Clock().Hhmmss()));
      ASSERT_FALSE(shown.bars.empty());
      for (size_t k = 0; k < 3; ++k) {
        const chart::Bar& a = shown.bars[shown.bars.size() - 1 - k];
        const chart::Bar& b = fresh.bars[fresh.bars.size() - 1 - k];
        EXPECT_TRUE(SameFigures(a, b)) << k << ": shown " << Describe(a) << ", fresh " << Describe(b);
        EXPECT_EQ(a.previousClose, b.previousClose) << k;
      }
    }
  }
};
struct FromFriday : OvernightPeriods {
  FromFriday() : OvernightPeriods(20261204) {}
};
TEST_F(FromFriday, DailyWeeklyAndMonthlyBarsMatchAFreshChartOnMonday) {
  Run(3 * 24 * 3 + 1);  // Friday 14:58 to Monday 15:18 in steps of 20 minutes
}

struct FromTheMonthsLastDay : OvernightPeriods {
  FromTheMonthsLastDay() : OvernightPeriods(20261130) {}  // a Monday
};
TEST_F(FromTheMonthsLastDay, DailyWeeklyAndMonthlyBarsMatchAFreshChartInTheNewMonth) {
  Run(24 * 3 - 12);  // Monday 30 November 14:58 to Tuesday 1 December 10:58
}

struct FromMonday : OvernightPeriods {
  FromMonday() : OvernightPeriods(20261207) {}
};
TEST_F(FromMonday, DailyWeeklyAndMonthlyBarsMatchAFreshChartOnTuesday) {
  Run(24 * 3 - 12);  // Monday 14:58 to Tuesday 10:58
}

}  // namespace
}  // namespace ostrada
