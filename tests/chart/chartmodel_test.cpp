// The chart model without a screen: every coordinate and text it computes against a small reference
// worked out here from the bars themselves.
#include "basesrc/chartmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace ostrada::chart {
namespace {

// Daily bars from 2026-01-02 on, one a calendar day (the model does not care about weekends),
// whose closes wander so no two averages agree.
ChartData DailyData(int count) {
  ChartData data;
  data.code = "A000020";
  data.kind = 'D';
  int32_t previous = 0;
  for (int i = 0; i < count; ++i) {
    Bar bar;
    const int month = 1 + i / 28;
    bar.date = 20260000 + month * 100 + 1 + i % 28;
    bar.close = 10000 + (i * 37) % 500 + i * 5;
    bar.open = bar.close + ((i % 3) - 1) * 40;
    bar.high = std::max(bar.open, bar.close) + 30 + i % 7;
    bar.low = std::min(bar.open, bar.close) - 20 - i % 5;
    bar.volume = 1000 + (i * 7919) % 5000;
    bar.previousClose = previous;
    previous = bar.close;
    data.bars.push_back(bar);
  }
  ComputeAverages(data);
  return data;
}

double Mean(const ChartData& data, int end, int length) {
  double sum = 0;
  for (int k = end - length + 1; k <= end; ++k) sum += data.bars[static_cast<size_t>(k)].close;
  return sum / length;
}

Frame WindowFrame() {
  Frame frame;
  frame.width = 900;
  frame.height = 600;
  return frame;
}

TEST(ChartModel, AveragesOfAViewCountBarsBeforeItSoNoLineStartsLate) {
  const ChartData data = DailyData(200);
  const View view = NewestView(200, 30);
  ASSERT_EQ(view.first, 170);
  ASSERT_EQ(view.count, 30);
  const ChartLayout layout = Lay(data, view, WindowFrame());

  // The scale, worked out here: bars and averages of the view, padded by a twentieth.
  double low = 1e18, high = -1e18;
  for (int i = 170; i < 200; ++i) {
    low = std::min<double>(low, data.bars[static_cast<size_t>(i)].low);
    high = std::max<double>(high, data.bars[static_cast<size_t>(i)].high);
    for (int length : {5, 20, 60, 120}) {
      low = std::min(low, Mean(data, i, length));
      high = std::max(high, Mean(data, i, length));
    }
  }
  const double pad = (high - low) / 20;
  EXPECT_DOUBLE_EQ(layout.low, low - pad);
  EXPECT_DOUBLE_EQ(layout.high, high + pad);

  const double plotTop = 44, plotHeight = 600 - 44 - 14 - 110 - 30, pitch = (900.0 - 36 - 96) / 30;
  for (int line = 0; line < kLines; ++line) {
    const AverageLine& drawn = layout.lines[static_cast<size_t>(line)];
    constexpr int kLengths[] = {5, 20, 60, 120};
    EXPECT_EQ(drawn.length, kLengths[line]);
    ASSERT_EQ(drawn.points.size(), 30u) << drawn.length;
    for (int k = 0; k < 30; ++k) {
      const double value = Mean(data, 170 + k, drawn.length);
      EXPECT_NEAR(drawn.points[static_cast<size_t>(k)].x, 36 + (k + 0.5) * pitch, 1e-9);
      EXPECT_NEAR(drawn.points[static_cast<size_t>(k)].y,
                  plotTop + (high + pad - value) / (high - low + 2 * pad) * plotHeight, 1e-9);
    }
  }
  // A line shorter than its length has no value and no point: the 120-bar line of the whole data
  // starts at its 120th bar.
  const ChartLayout all = Lay(data, NewestView(200, 200), WindowFrame());
  EXPECT_EQ(all.lines[3].points.size(), 81u);
  EXPECT_EQ(all.lines[0].points.size(), 196u);
  EXPECT_EQ(data.averages[3][118], 0.0);
  EXPECT_DOUBLE_EQ(data.averages[3][119], Mean(data, 119, 120));
}

TEST(ChartModel, CandlesVolumesMarksAndTheLastPrice) {
  ChartData data = DailyData(150);
  data.bars[140].high = 99999;  // the view's high
  data.bars[131].low = 5000;    // and its low
  data.bars[137].volume = 40000;
  ComputeAverages(data);
  const ChartLayout layout = Lay(data, View{130, 15}, WindowFrame());
  ASSERT_EQ(layout.candles.size(), 15u);
  EXPECT_EQ(layout.mostVolume, 40000);
  const double pitch = (900.0 - 36 - 96) / 15, body = pitch * 0.7;
  const double volumeBottom = 44 + (600 - 44 - 14 - 110 - 30) + 14 + 110;
  auto y = [&](double v) { return 44 + (layout.high - v) / (layout.high - layout.low) * (600.0 - 198); };
  for (const Candle& candle : layout.candles) {
    const Bar& bar = data.bars[static_cast<size_t>(candle.index)];
    const double x = 36 + (candle.index - 130 + 0.5) * pitch;
    EXPECT_NEAR(candle.x, x, 1e-9);
    EXPECT_NEAR(candle.wickTop, y(bar.high), 1e-9);
    EXPECT_NEAR(candle.wickBottom, y(bar.low), 1e-9);
    EXPECT_NEAR(candle.body.left, x - body / 2, 1e-9);
    EXPECT_NEAR(candle.body.width, body, 1e-9);
    EXPECT_NEAR(candle.body.top, y(std::max(bar.open, bar.close)), 1e-9);
    EXPECT_NEAR(candle.body.height, std::max(1.0, y(std::min(bar.open, bar.close)) - y(std::max(bar.open, bar.close))),
                1e-9);
    const double volume = static_cast<double>(bar.volume) / 40000 * 96;
    EXPECT_NEAR(candle.volume.top, volumeBottom - volume, 1e-9);
    EXPECT_NEAR(candle.volume.height, volume, 1e-9);
    const Direction expected = bar.close > bar.open            ? Direction::kRise
                               : bar.close < bar.open          ? Direction::kFall
                               : bar.close > bar.previousClose ? Direction::kRise
                               : bar.close < bar.previousClose ? Direction::kFall
                                                               : Direction::kEven;
    EXPECT_EQ(candle.direction, expected) << candle.index;
  }
  EXPECT_EQ(layout.highMark.index, 140);
  EXPECT_EQ(layout.highMark.label, "99,999");
  EXPECT_NEAR(layout.highMark.at.y, y(99999), 1e-9);
  EXPECT_EQ(layout.lowMark.index, 131);
  EXPECT_EQ(layout.lowMark.label, "5,000");
  // The last price is the newest close of the data, beyond the view here, held at the panel's edge.
  const int32_t newest = data.bars.back().close;
  EXPECT_EQ(layout.last.label, PriceText(newest, false));
  EXPECT_NEAR(layout.last.at, std::clamp(y(newest), 44.0, 44.0 + 402), 1e-9);
  // Its colour is the newest close's against the close before it, not that of the view's last bar.
  const Bar& last = data.bars.back();
  EXPECT_EQ(layout.lastDirection, last.close > last.previousClose   ? Direction::kRise
                                  : last.close < last.previousClose ? Direction::kFall
                                                                    : Direction::kEven);
  EXPECT_EQ(layout.volumeTick.label, "40,000");
  // Price ticks on round steps, each where its value lies.
  ASSERT_GE(layout.priceTicks.size(), 4u);
  for (const Tick& tick : layout.priceTicks) {
    std::string digits;
    for (char c : tick.label)
      if (c != ',') digits += c;
    EXPECT_EQ(std::stoi(digits) % 10000, 0) << tick.label;  // a padded span of ~105,000 steps by 20,000
    EXPECT_NEAR(tick.at, y(std::stoi(digits)), 1e-9);
  }
}

TEST(ChartModel, DateTicksMarkEachNewMonthAtLeastALabelApart) {
  const ChartData data = DailyData(84);  // 28 days in each of three months
  const ChartLayout layout = Lay(data, NewestView(84, 84), WindowFrame());
  ASSERT_EQ(layout.dateTicks.size(), 3u);
  const double pitch = (900.0 - 36 - 96) / 84;
  EXPECT_EQ(layout.dateTicks[0].label, "2026-01");
  EXPECT_EQ(layout.dateTicks[1].label, "2026-02");
  EXPECT_NEAR(layout.dateTicks[1].at, 36 + 28.5 * pitch, 1e-9);
  EXPECT_EQ(layout.dateTicks[2].label, "2026-03");
  // A view that starts two bars before a new month: the month's own start takes the edge's label.
  const ChartLayout late = Lay(data, View{26, 58}, WindowFrame());
  ASSERT_EQ(late.dateTicks.size(), 2u);
  EXPECT_EQ(late.dateTicks[0].label, "2026-02");
  EXPECT_NEAR(late.dateTicks[0].at, 36 + 2.5 * (900.0 - 36 - 96) / 58, 1e-9);
  EXPECT_EQ(late.dateTicks[1].label, "2026-03");
  // One that starts well before it keeps both.
  EXPECT_EQ(Lay(data, View{10, 74}, WindowFrame()).dateTicks.size(), 3u);
  // Squeezed, the second month's label would sit on the first: it is left out.
  Frame narrow = WindowFrame();
  narrow.width = 36 + 96 + 84 * 2;
  const ChartLayout squeezed = Lay(data, NewestView(84, 84), narrow);
  for (size_t k = 1; k < squeezed.dateTicks.size(); ++k)
    EXPECT_GE(squeezed.dateTicks[k].at - squeezed.dateTicks[k - 1].at, 64);
}

TEST(ChartModel, BarUnderTheMouseAndWhatTheCrosshairReads) {
  ChartData data = DailyData(150);
  data.hundredths = true;
  const ChartLayout layout = Lay(data, View{100, 40}, WindowFrame());
  const double pitch = (900.0 - 36 - 96) / 40;
  EXPECT_EQ(BarAt(layout, 36 + 0.01), 100);
  EXPECT_EQ(BarAt(layout, 36 + 7.5 * pitch), 107);
  EXPECT_EQ(BarAt(layout, 36 + 40 * pitch - 0.01), 139);
  EXPECT_EQ(BarAt(layout, 35.9), -1);
  EXPECT_EQ(BarAt(layout, 36 + 40 * pitch), -1);

  const BarReadout readout = ReadOut(data, 107);
  const Bar& bar = data.bars[107];
  EXPECT_EQ(readout.date, "2026-04-24");  // bar 107: the 24th day of the fourth month
  char close[32];
  std::snprintf(close, sizeof close, "%d.%02d", bar.close / 100, bar.close % 100);
  EXPECT_EQ(readout.close, close);
  char average[32];
  const auto cents = static_cast<long>(std::lround(Mean(data, 107, 20)));
  std::snprintf(average, sizeof average, "%ld.%02ld", cents / 100, cents % 100);
  EXPECT_EQ(readout.averages[1], average);
  EXPECT_EQ(readout.averages[3], "");  // fewer than 120 bars up to bar 107
}

TEST(ChartModel, PricesOfAnIndexAreGroupedPointsWithTwoDecimals) {
  EXPECT_EQ(PriceText(251234, true), "2,512.34");
  EXPECT_EQ(PriceText(100005, true), "1,000.05");
  EXPECT_EQ(PriceText(-5, true), "-0.05");
  EXPECT_EQ(PriceText(1234567, false), "1,234,567");
  EXPECT_EQ(PriceText(100.5, false), "101");
}

TEST(ChartModel, WheelZoomKeepsTheBarUnderTheMouseAndDragStopsAtTheEnds) {
  const View view{100, 50};
  const View in = Zoom(view, 300, 1, 120);  // 50 * 0.8 = 40 bars
  EXPECT_EQ(in.count, 40);
  // Bar 120 had 20.5 of 50 slots to its left; it keeps that share: 120.5 - 0.41 * 40 = 104.1.
  EXPECT_EQ(in.first, 104);
  const View out = Zoom(view, 300, -2, 100);  // (50 / 0.8 + 1) / 0.8 + 1 = 80.375
  EXPECT_EQ(out.count, 80);
  EXPECT_EQ(Zoom(View{0, 12}, 300, 5, 3).count, kMinShown);
  EXPECT_EQ(Zoom(View{0, 12}, 8, 5, 3).count, 8);  // never more than there are, never fewer than there are
  EXPECT_EQ(Zoom(View{250, 50}, 300, -10, 299), (View{0, 300}));
  const View atEnd = Zoom(View{250, 50}, 300, 1, 299);
  EXPECT_EQ(atEnd.first + atEnd.count, 300);

  EXPECT_EQ(Scroll(view, 300, -30), (View{70, 50}));
  EXPECT_EQ(Scroll(view, 300, -130), (View{0, 50}));
  EXPECT_EQ(Scroll(view, 300, 400), (View{250, 50}));
  EXPECT_TRUE(ShowsNewest(View{250, 50}, 300));
  EXPECT_FALSE(ShowsNewest(View{249, 50}, 300));
  EXPECT_EQ(NewestView(30, 100), (View{0, 30}));
}

TEST(ChartModel, LiveContractsMoveTodaysBarOrStartTheNextOne) {
  ChartData daily = DailyData(130);
  const Bar before = daily.bars.back();
  EXPECT_FALSE(ApplyContract(daily, before.date, before.date, before.high + 50, 300));
  EXPECT_EQ(daily.bars.size(), 130u);
  EXPECT_EQ(daily.bars.back().high, before.high + 50);
  EXPECT_EQ(daily.bars.back().close, before.high + 50);
  EXPECT_EQ(daily.bars.back().low, before.low);
  EXPECT_EQ(daily.bars.back().open, before.open);
  EXPECT_EQ(daily.bars.back().volume, before.volume + 300);
  EXPECT_DOUBLE_EQ(daily.averages[0].back(), Mean(daily, 129, 5));
  EXPECT_TRUE(ApplyContract(daily, 20261231, 20261231, 7000, 10));
  EXPECT_EQ(daily.bars.back().previousClose, before.high + 50);
  EXPECT_EQ(daily.bars.back().open, 7000);
  EXPECT_DOUBLE_EQ(daily.averages[2].back(), Mean(daily, 130, 60));

  // A week runs Monday to Sunday: Friday 2026-12-04 and Monday 2026-12-07 are two bars, Monday and
  // Thursday of that week one.
  ChartData weekly;
  weekly.kind = 'W';
  EXPECT_TRUE(ApplyContract(weekly, 20261204, 20261204, 100, 1));
  EXPECT_TRUE(ApplyContract(weekly, 20261207, 20261207, 110, 1));
  EXPECT_FALSE(ApplyContract(weekly, 20261210, 20261210, 90, 1));
  EXPECT_EQ(weekly.bars.size(), 2u);
  EXPECT_EQ(weekly.bars[1].low, 90);
  EXPECT_EQ(weekly.bars[1].date, 20261210);  // dated by its latest day, as the server dates it
  ChartData monthly;
  monthly.kind = 'M';
  EXPECT_TRUE(ApplyContract(monthly, 20261130, 20261130, 100, 1));
  EXPECT_TRUE(ApplyContract(monthly, 20261201, 20261201, 100, 1));
  EXPECT_FALSE(ApplyContract(monthly, 20261231, 20261231, 100, 1));
  EXPECT_EQ(monthly.bars[1].date, 20261231);
  ChartData minutes;
  minutes.kind = 'B';
  EXPECT_TRUE(ApplyContract(minutes, 20261208, 905, 100, 1));
  EXPECT_FALSE(ApplyContract(minutes, 20261208, 905, 101, 1));
  EXPECT_TRUE(ApplyContract(minutes, 20261208, 910, 101, 1));
  EXPECT_TRUE(ApplyContract(minutes, 20261209, 910, 101, 1));  // the same time of the next day
  EXPECT_EQ(minutes.bars[1].time, 910);
}

TEST(ChartModel, SeriesBarsKnowThePreviousCloseEvenInMinuteSeries) {
  DaySeries minutes;
  ASSERT_EQ(minutes.Create("A000020", "x"), 1);
  minutes.SetKind('B');
  minutes.SetInterval(3);
  DayBar bar{};
  bar.price = {903, 100, 105, 99, 104, 20261208, 50, 0};
  ASSERT_EQ(minutes.Add(bar), 1);
  bar.price = {906, 104, 104, 104, 104, 20261208, 60, 0};
  ASSERT_EQ(minutes.Add(bar), 1);
  const ChartData data = FromSeries(minutes, false);
  ASSERT_EQ(data.bars.size(), 2u);
  EXPECT_EQ(data.interval, 3);
  EXPECT_EQ(data.bars[0].previousClose, 0);  // a minute bar's change word is its date, not a change
  EXPECT_EQ(data.bars[1].previousClose, 104);
  EXPECT_EQ(data.bars[1].date, 20261208);
  EXPECT_EQ(data.bars[1].time, 906);
  EXPECT_EQ(DirectionOf(data.bars[1]), Direction::kEven);

  DaySeries days;
  ASSERT_EQ(days.Create("A000020", "x"), 1);
  days.SetKind('D');
  bar.price = {20261208, 500, 500, 500, 500, -20, 50, 0};
  ASSERT_EQ(days.Add(bar), 1);
  const ChartData daily = FromSeries(days, false);
  EXPECT_EQ(daily.bars[0].previousClose, 520);
  EXPECT_EQ(DirectionOf(daily.bars[0]), Direction::kFall);
}

// The last-price tag is the day's change: a day that fell from its open but closed above the
// previous close is a rise, whatever its candle; a minute chart measures from the last close of an
// earlier day.
TEST(ChartModel, TheLastPriceTakesItsColourFromThePreviousClose) {
  struct Row {
    char kind;
    std::vector<Bar> bars;  // date, time, open, high, low, close, volume, previousClose
    Direction expected;
  };
  const Row rows[] = {
      {'D', {{20261207, 0, 1000, 1000, 1000, 1000, 1, 0}, {20261208, 0, 1200, 1200, 1140, 1146, 1, 1000}},
       Direction::kRise},
      {'D', {{20261207, 0, 1000, 1000, 1000, 1000, 1, 0}, {20261208, 0, 900, 990, 900, 980, 1, 1000}}, Direction::kFall},
      {'D', {{20261208, 0, 900, 1000, 900, 1000, 1, 1000}}, Direction::kEven},
      {'B',
       {{20261207, 1530, 1000, 1000, 1000, 1000, 1, 0},
        {20261208, 901, 1100, 1100, 1050, 1060, 1, 1000},
        {20261208, 902, 1060, 1070, 1040, 1040, 1, 1060}},
       Direction::kRise},
      {'B', {{20261208, 901, 1000, 1000, 990, 990, 1, 0}, {20261208, 902, 990, 995, 980, 980, 1, 990}}, Direction::kEven},
  };
  for (const Row& row : rows) {
    ChartData data;
    data.kind = row.kind;
    data.bars = row.bars;
    ComputeAverages(data);
    EXPECT_EQ(LastDirection(data), row.expected) << row.kind << row.bars.size();
    EXPECT_EQ(Lay(data, NewestView(static_cast<int>(data.bars.size()), 10), WindowFrame()).lastDirection, row.expected);
  }
}


// Where the painters write the labels, worked out from the frame: the window and the SVG take these
// anchors, so they cannot place a label differently. A mark at either end of the view keeps its
// whole label inside the panel (the label's width: 12-pixel digits of 0.62 em).
struct MarkPlace {
  int highBar;
  double anchorX;
};

class LabelAnchors : public ::testing::TestWithParam<MarkPlace> {};

TEST_P(LabelAnchors, MarksLegendAndLastBoxComeFromTheLayout) {
  ChartData data = DailyData(150);
  data.bars[static_cast<size_t>(GetParam().highBar)].high = 99999;
  data.bars[131].low = 5000;
  const ChartLayout layout = Lay(data, View{130, 15}, WindowFrame());
  // "99,999" is 6 characters: 44.64 wide, its centre 4 + 22.32 inside the panel from 36 to 804.
  EXPECT_NEAR(layout.highMark.anchor.x, GetParam().anchorX, 1e-9);
  EXPECT_NEAR(layout.highMark.anchor.y, layout.highMark.at.y - 4, 1e-9);
  EXPECT_NEAR(layout.lowMark.anchor.x, layout.lowMark.at.x, 1e-9);
  EXPECT_NEAR(layout.lowMark.anchor.y, layout.lowMark.at.y + 16, 1e-9);
  for (size_t line = 0; line < kLines; ++line) {
    const Legend& entry = layout.legend[line];
    EXPECT_NEAR(entry.x, 36 + 64.0 * static_cast<double>(line), 1e-9);
    EXPECT_NEAR(entry.sampleEnd, entry.x + 18, 1e-9);
    EXPECT_NEAR(entry.anchor.x, entry.x + 22, 1e-9);
    EXPECT_NEAR(entry.anchor.y, entry.y + 4, 1e-9);
    EXPECT_LT(entry.anchor.y, 44);  // above the price panel
  }
  EXPECT_NEAR(layout.lastBox.left, 806, 1e-9);
  EXPECT_NEAR(layout.lastBox.Right(), 898, 1e-9);  // 2 inside the frame's right edge
  EXPECT_NEAR(layout.lastBox.top + layout.lastBox.height / 2, layout.last.at, 1e-9);
  EXPECT_NEAR(layout.lastAnchor.x, 810, 1e-9);
  EXPECT_NEAR(layout.lastAnchor.y, layout.last.at + 4, 1e-9);
}

// A last price on a tick of the axis: that tick's label, 4 below to 8 above the tick in a 12-pixel font,
// would sit under the last price's box, so it gives way; the labels clear of the box stay.
TEST(ChartModel, TheLastPricesBoxCutsNoLabelOfTheAxis) {
  ChartData data = DailyData(150);
  const std::vector<Tick> ticks = Lay(data, View{130, 15}, WindowFrame()).priceTicks;
  ASSERT_GE(ticks.size(), 3u);
  std::string digits = ticks[ticks.size() / 2].label;
  std::erase(digits, ',');
  data.bars.back().close = std::stoi(digits);
  const ChartLayout layout = Lay(data, View{130, 15}, WindowFrame());
  ASSERT_EQ(layout.last.label, ticks[ticks.size() / 2].label);
  ASSERT_EQ(layout.priceTicks.size(), ticks.size()) << "the scale is that of the bars' highs and lows";
  int covered = 0;
  for (size_t i = 0; i < ticks.size(); ++i) {
    const bool under = ticks[i].at + 4 > layout.lastBox.top && ticks[i].at - 8 < layout.lastBox.top + 18;
    covered += under ? 1 : 0;
    EXPECT_EQ(layout.priceTicks[i].label, under ? "" : ticks[i].label) << ticks[i].label;
    EXPECT_EQ(layout.priceTicks[i].at, ticks[i].at);
  }
  EXPECT_GE(covered, 1);
}

// Pitch 768 / 15 = 51.2: the first bar's centre is 61.6, the last's 778.4.
INSTANTIATE_TEST_SUITE_P(HighAt, LabelAnchors,
                         ::testing::Values(MarkPlace{130, 36 + 4 + 22.32}, MarkPlace{137, 420},
                                           MarkPlace{144, 804 - 4 - 22.32}));

}  // namespace
}  // namespace ostrada::chart
