#pragma once
// One chart of a bar series, computed once as plain data: the bars shown, the price and volume
// scales, each candle's rectangles, the average lines, the axis ticks, the high and low of the view
// and the last price. The SVG writer and the window's painter only walk a ChartLayout, so the two
// can never disagree; nothing here knows a screen.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "basesrc/daygate.h"
#include "basesrc/risefall.h"

namespace ostrada::chart {

// The averages a chart draws, in bars.
inline constexpr int kLines = 4;
inline constexpr std::array<int, kLines> kLineLengths = {5, 20, 60, 120};
// A view never shows fewer bars than this (zooming in stops there).
inline constexpr int kMinShown = 10;

// A candle and the last price take the program's rise/fall palette (basesrc/risefall.h).
using Direction = RiseFall;

// The average lines' colours (#rrggbb), which both painters use.
inline constexpr std::array<const char*, kLines> kLineColours = {"#f29000", "#10a050", "#8e44ad", "#7f7f7f"};

struct Bar {
  int32_t date = 0;  // YYYYMMDD
  int32_t time = 0;  // HHMM end time of a minute bar, 0 for other kinds
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
  int64_t volume = 0;
  // The close before this bar, 0 when unknown; decides the colour of a bar that closes at its open.
  int32_t previousClose = 0;
};

// The series as the chart sees it. Prices of an index are hundredths of a point.
struct ChartData {
  std::string code;
  std::string name;      // CP949
  char kind = 'D';       // 'D', 'W', 'M' or 'B'
  int32_t interval = 0;  // minutes per bar of a 'B' series
  bool hundredths = false;
  std::vector<Bar> bars;  // oldest first
  // averages[line][i]: the mean close of the kLineLengths[line] bars ending at bar i, 0 when fewer
  // bars exist. Every bar of the data counts, so a view that starts late draws each line from its
  // first bar.
  std::array<std::vector<double>, kLines> averages;
};

// The bars of the series, each with the previous bar's close (a minute bar's change word is its
// date, so only the series order tells the previous close; the first daily bar uses its change).
ChartData FromSeries(const DaySeries& series, bool hundredths);
// Fills data.averages from data.bars.
void ComputeAverages(ChartData& data);
// A live contract at (date, time) for the bar ending at barTime (the date alone for daily, weekly
// and monthly bars): extends the newest bar when it is the same bar, else starts a new one.
// Recomputes the averages. Returns true when a bar was added.
bool ApplyContract(ChartData& data, int32_t date, int32_t barTime, int32_t price, int64_t quantity);

Direction DirectionOf(const Bar& bar);
// The last price's direction: its close against the close before it (a minute chart: the last close
// of an earlier day; none in the data: even), whatever its candle did since the open.
Direction LastDirection(const ChartData& data);
// Whether a bar dated `date` (ending at barTime for minute bars) is the bar `bar` of the data: the
// same day, the same week (Monday to Sunday), the same month or the same minute bar, by the kind.
bool SameBar(const ChartData& data, const Bar& bar, int32_t date, int32_t barTime);

// ---- The bars shown ----
struct View {
  int first = 0;  // index of the oldest bar shown
  int count = 0;
  friend bool operator==(const View&, const View&) = default;
};

// The newest `count` bars (all of them when there are fewer).
View NewestView(int total, int count);
// Zooms by steps of the wheel (positive: fewer, wider bars) around the bar `anchor`, which keeps
// its place on the screen as far as the ends allow.
View Zoom(View view, int total, int steps, int anchor);
// Moves the view by `bars` (negative: towards older bars), stopping at both ends.
View Scroll(View view, int total, int bars);
// Whether the view shows the newest bar (then a new live bar moves the view along).
bool ShowsNewest(View view, int total);

// ---- Layout ----
struct Rect {
  double left = 0, top = 0, width = 0, height = 0;
  double Right() const { return left + width; }
  double Bottom() const { return top + height; }
};
struct Point {
  double x = 0, y = 0;
};

// The frame of a chart: outer size and the margins around the two panels.
struct Frame {
  double width = 0, height = 0;
  double left = 36;       // room for the first date label
  double rightAxis = 96;  // price labels
  double title = 44;      // title line and legend
  double gap = 14;        // between the price and the volume panel
  double volume = 110;    // volume panel height
  double dateAxis = 30;   // date labels
};

struct Candle {
  int index = 0;  // into data.bars
  double x = 0;   // centre
  double wickTop = 0, wickBottom = 0;
  Rect body;
  Rect volume;
  Direction direction = Direction::kEven;
};

struct AverageLine {
  int length = 0;
  std::vector<Point> points;  // one a bar of the view with a value, left to right
};

struct Tick {
  double at = 0;  // y of a price tick, x of a date tick
  std::string label;  // none for a price tick whose label the last price's box would cover
};

// Where a painter writes a label: the left end or, for a mark, the centre of its baseline. Both
// painters write in a 12-pixel font, so anchors computed here put a label in the same place in the
// window and in the SVG.
inline constexpr double kLabelFontSize = 12;

// A price point marked on the chart: the high or the low of the view, its label centred above the
// high and below the low, moved along the panel so a label at its edge stays inside.
struct Mark {
  int index = -1;
  Point at;
  std::string label;
  Point anchor;  // the centre of the label's baseline
};

// One average line in the legend: a sample of its line, then its length.
struct Legend {
  double x = 0, sampleEnd = 0, y = 0;  // the sample line
  int length = 0;
  Point anchor;  // the left end of the length's baseline
};

struct ChartLayout {
  Frame frame;
  View view;
  Rect price;                // candle panel
  Rect volume;               // volume panel
  double low = 0, high = 0;  // price scale, padded
  double mostVolume = 1;
  double pitch = 0;  // width of one bar's slot
  std::vector<Candle> candles;
  std::array<AverageLine, kLines> lines;
  std::vector<Tick> priceTicks;
  std::vector<Tick> dateTicks;
  Tick volumeTick;  // the volume panel's top value, at the panel's top
  std::array<Legend, kLines> legend;
  Mark highMark, lowMark;
  // The newest close of the data on the price axis (clamped into the panel) with its direction
  // against the previous close (LastDirection).
  Tick last;
  Direction lastDirection = Direction::kEven;
  Rect lastBox;       // the last price's box on the axis, filled in the colour of its direction
  Point lastAnchor;   // the left end of its label's baseline

  double X(int index) const { return price.left + (index - view.first + 0.5) * pitch; }
  double Y(double value) const { return price.top + (high - value) / (high - low) * price.height; }
};

// Lays out the view of the data in a frame of the given size (frame.width and frame.height set).
ChartLayout Lay(const ChartData& data, View view, const Frame& frame);
// The bar under x, or -1 outside the bars shown.
int BarAt(const ChartLayout& layout, double x);

// The frame of an SVG chart of `count` bars: a pitch of 3 to 14 points a bar, wide enough for the
// title of `titleWidth` points and the legend.
Frame SvgFrame(int count, double titleWidth);
// The width from the frame's left edge that the legend of the average lines needs.
double LegendWidth();
// About how wide a text of digits and signs is in the labels' font: where a mark's label is placed.
double LabelWidth(const std::string& label);

// ---- Texts ----
// "12,345" or, for an index, "2,512.34".
std::string PriceText(double value, bool hundredths);
// "2026-12-08" or, for minute bars, "12-08 09:05".
std::string BarDateText(const ChartData& data, int index);

// What the crosshair shows of one bar.
struct BarReadout {
  std::string date, open, high, low, close, volume;
  std::array<std::string, kLines> averages;  // empty where the line has no value
};
BarReadout ReadOut(const ChartData& data, int index);

}  // namespace ostrada::chart
