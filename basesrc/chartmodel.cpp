#include "basesrc/chartmodel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "basesrc/numberformat.h"

namespace ostrada::chart {
namespace {

// Days since 1970-01-01 of a YYYYMMDD date (the civil calendar's arithmetic).
int64_t DayNumber(int32_t date) {
  int64_t y = date / 10000;
  const int64_t m = date / 100 % 100;
  const int64_t d = date % 100;
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The Monday that starts the date's week, as a day number (1970-01-01 was a Thursday).
int64_t WeekOf(int32_t date) {
  const int64_t day = DayNumber(date);
  const int64_t sinceMonday = ((day + 3) % 7 + 7) % 7;
  return day - sinceMonday;
}

// The smallest round step (1, 2 or 5 times a power of ten) that cuts the span into at most eight
// parts, so an axis carries four to eight labels; never below one won or one hundredth of a point.
double NiceStep(double span) {
  const double raw = std::max(span / 8.0, 1.0);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

// The period a date label marks: a month for daily and weekly bars, a year for monthly ones, an
// hour for minute bars.
int64_t PeriodOf(const ChartData& data, const Bar& bar) {
  if (data.kind == 'B') return static_cast<int64_t>(bar.date) * 100 + bar.time / 100;
  return data.kind == 'M' ? bar.date / 10000 : bar.date / 100;
}

std::string DateTickText(const ChartData& data, const Bar& bar) {
  char text[32];
  if (data.kind == 'B') {
    std::snprintf(text, sizeof text, "%02d:%02d", bar.time / 100, bar.time % 100);
  } else if (data.kind == 'M') {
    std::snprintf(text, sizeof text, "%04d", bar.date / 10000);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d", bar.date / 10000, bar.date / 100 % 100);
  }
  return text;
}

constexpr double kLegendStep = 64;      // a legend entry: sample line, gap, length
constexpr double kLegendSample = 18;    // the sample line's length; its text starts 4 further
constexpr double kLegendLine = 32;      // the legend's sample lines, below the title
constexpr double kMarkGap = 4;          // between a mark and its label
constexpr double kLastBoxHeight = 18;
constexpr double kLabelInset = 4;       // a label's distance from its box's edge
constexpr double kDateLabelSpace = 64;  // date labels never closer than this
constexpr double kVolumeHeadroom = 14;  // room for the volume panel's top label
constexpr double kBodyShare = 0.7;      // a candle's body takes this share of its slot

}  // namespace

bool SameBar(const ChartData& data, const Bar& bar, int32_t date, int32_t barTime) {
  switch (data.kind) {
    case 'B':
      return bar.date == date && bar.time == barTime;
    case 'W':
      return WeekOf(bar.date) == WeekOf(date);
    case 'M':
      return bar.date / 100 == date / 100;
    default:
      return bar.date == date;
  }
}

Direction DirectionOf(const Bar& bar) {
  if (bar.close > bar.open) return Direction::kRise;
  if (bar.close < bar.open) return Direction::kFall;
  if (bar.previousClose == 0 || bar.close == bar.previousClose) return Direction::kEven;
  return bar.close > bar.previousClose ? Direction::kRise : Direction::kFall;
}

Direction LastDirection(const ChartData& data) {
  if (data.bars.empty()) return Direction::kEven;
  const Bar& newest = data.bars.back();
  int32_t base = newest.previousClose;
  if (data.kind == 'B') {
    // A minute bar's previous close is the minute before; the day's is the last close of another day.
    base = 0;
    for (auto bar = data.bars.rbegin(); bar != data.bars.rend(); ++bar) {
      if (bar->date != newest.date) {
        base = bar->close;
        break;
      }
    }
  }
  if (base == 0 || newest.close == base) return Direction::kEven;
  return newest.close > base ? Direction::kRise : Direction::kFall;
}

ChartData FromSeries(const DaySeries& series, bool hundredths) {
  ChartData data;
  data.code = series.Code();
  data.name = series.Name();
  data.kind = series.Kind();
  data.interval = series.MinuteInterval();
  data.hundredths = hundredths;
  data.bars.reserve(static_cast<size_t>(std::max(series.Count(), 0)));
  for (const DayBar* day = series.Oldest(); day != nullptr; day = day->newer) {
    const PriceBar& p = day->price;
    Bar bar;
    if (data.kind == 'B') {
      bar.date = day->Date();
      bar.time = day->Key();
    } else {
      bar.date = day->Key();
    }
    bar.open = p.open;
    bar.high = p.high;
    bar.low = p.low;
    bar.close = p.close;
    bar.volume = static_cast<uint32_t>(p.volume);
    if (!data.bars.empty()) {
      bar.previousClose = data.bars.back().close;
    } else if (data.kind != 'B' && p.change != p.close) {
      bar.previousClose = p.close - p.change;
    }
    data.bars.push_back(bar);
  }
  ComputeAverages(data);
  return data;
}

void ComputeAverages(ChartData& data) {
  const size_t total = data.bars.size();
  for (int line = 0; line < kLines; ++line) {
    const auto length = static_cast<size_t>(kLineLengths[static_cast<size_t>(line)]);
    std::vector<double>& values = data.averages[static_cast<size_t>(line)];
    values.assign(total, 0.0);
    int64_t sum = 0;
    for (size_t i = 0; i < total; ++i) {
      sum += data.bars[i].close;
      if (i >= length) sum -= data.bars[i - length].close;
      if (i + 1 >= length) values[i] = static_cast<double>(sum) / static_cast<double>(length);
    }
  }
}

bool ApplyContract(ChartData& data, int32_t date, int32_t barTime, int32_t price, int64_t quantity) {
  bool added = false;
  if (!data.bars.empty() && SameBar(data, data.bars.back(), date, barTime)) {
    Bar& bar = data.bars.back();
    bar.date = date;  // a week's or a month's bar is dated by its latest day, as the server dates it
    bar.high = std::max(bar.high, price);
    bar.low = std::min(bar.low, price);
    bar.close = price;
    bar.volume += quantity;
  } else {
    Bar bar;
    bar.date = date;
    bar.time = data.kind == 'B' ? barTime : 0;
    bar.open = bar.high = bar.low = bar.close = price;
    bar.volume = quantity;
    if (!data.bars.empty()) bar.previousClose = data.bars.back().close;
    data.bars.push_back(bar);
    added = true;
  }
  ComputeAverages(data);
  return added;
}

View NewestView(int total, int count) {
  View view;
  view.count = std::clamp(count, 0, std::max(total, 0));
  view.first = std::max(total, 0) - view.count;
  return view;
}

View Zoom(View view, int total, int steps, int anchor) {
  if (total <= 0 || view.count <= 0) return NewestView(total, view.count);
  double count = view.count;
  for (int i = 0; i < std::abs(steps) && count <= total; ++i) count = steps > 0 ? count * 0.8 : count / 0.8 + 1;
  count = std::min<double>(count, total);
  const int shown = std::clamp(static_cast<int>(std::lround(count)), std::min(kMinShown, total), total);
  anchor = std::clamp(anchor, view.first, view.first + view.count - 1);
  // The anchor keeps its share of the view to its left.
  const double share = (anchor - view.first + 0.5) / view.count;
  View zoomed;
  zoomed.count = shown;
  zoomed.first = std::clamp(static_cast<int>(std::lround(anchor + 0.5 - share * shown)), 0, total - shown);
  return zoomed;
}

View Scroll(View view, int total, int bars) {
  view.first = std::clamp(view.first + bars, 0, std::max(total - view.count, 0));
  return view;
}

bool ShowsNewest(View view, int total) {
  return view.first + view.count >= total;
}

double LegendWidth() {
  return kLineLengths.size() * kLegendStep;
}

double LabelWidth(const std::string& label) {
  return static_cast<double>(label.size()) * kLabelFontSize * 0.62;
}

namespace {

// A mark's label: centred above or below the point, kept inside the panel's sides (against the left
// one when the panel is narrower than the label).
Point MarkAnchor(const Mark& mark, const Rect& panel, bool above) {
  const double half = LabelWidth(mark.label) / 2;
  const double leftmost = panel.left + kLabelInset + half;
  const double rightmost = std::max(leftmost, panel.Right() - kLabelInset - half);
  return {std::clamp(mark.at.x, leftmost, rightmost),
          above ? mark.at.y - kMarkGap : mark.at.y + kMarkGap + kLabelFontSize};
}

}  // namespace

Frame SvgFrame(int count, double titleWidth) {
  Frame frame;
  const double n = std::max(count, 1);
  const double pitch = std::clamp(1000.0 / n, 3.0, 14.0);
  const double needed = std::max(titleWidth, LegendWidth()) + frame.left + 8;
  frame.width = std::ceil(std::max(frame.left + n * pitch + frame.rightAxis, needed));
  frame.height = frame.title + 380 + frame.gap + frame.volume + frame.dateAxis;
  return frame;
}

ChartLayout Lay(const ChartData& data, View view, const Frame& frame) {
  ChartLayout layout;
  layout.frame = frame;
  const int total = static_cast<int>(data.bars.size());
  view.count = std::clamp(view.count, 0, total);
  view.first = std::clamp(view.first, 0, total - view.count);
  layout.view = view;
  const double plotWidth = std::max(frame.width - frame.left - frame.rightAxis, 1.0);
  const double priceHeight = std::max(frame.height - frame.title - frame.gap - frame.volume - frame.dateAxis, 1.0);
  layout.price = {frame.left, frame.title, plotWidth, priceHeight};
  layout.volume = {frame.left, frame.title + priceHeight + frame.gap, plotWidth, frame.volume};
  for (size_t line = 0; line < kLines; ++line) {
    Legend& entry = layout.legend[line];
    entry.x = frame.left + static_cast<double>(line) * kLegendStep;
    entry.sampleEnd = entry.x + kLegendSample;
    entry.y = kLegendLine;
    entry.length = kLineLengths[line];
    entry.anchor = {entry.sampleEnd + kLabelInset, kLegendLine + kLabelInset};
    layout.lines[line].length = kLineLengths[line];
  }
  if (view.count == 0) {
    layout.low = 0;
    layout.high = 1;
    return layout;
  }
  layout.pitch = plotWidth / view.count;
  const int end = view.first + view.count;

  // Scales: the bars and the average lines shown, padded by a twentieth on both sides.
  int highest = view.first;
  int lowest = view.first;
  double low = data.bars[static_cast<size_t>(view.first)].low;
  double high = data.bars[static_cast<size_t>(view.first)].high;
  for (int i = view.first; i < end; ++i) {
    const Bar& bar = data.bars[static_cast<size_t>(i)];
    if (bar.high > data.bars[static_cast<size_t>(highest)].high) highest = i;
    if (bar.low < data.bars[static_cast<size_t>(lowest)].low) lowest = i;
    low = std::min<double>(low, bar.low);
    high = std::max<double>(high, bar.high);
    layout.mostVolume = std::max(layout.mostVolume, static_cast<double>(bar.volume));
    for (const std::vector<double>& line : data.averages) {
      const double value = line[static_cast<size_t>(i)];
      if (value == 0) continue;
      low = std::min(low, value);
      high = std::max(high, value);
    }
  }
  if (high <= low) high = low + 1;
  const double pad = (high - low) * 0.05;
  layout.low = low - pad;
  layout.high = high + pad;

  const double bodyWidth = std::max(1.0, layout.pitch * kBodyShare);
  const double volumeRoom = frame.volume - kVolumeHeadroom;
  layout.candles.reserve(static_cast<size_t>(view.count));
  for (int i = view.first; i < end; ++i) {
    const Bar& bar = data.bars[static_cast<size_t>(i)];
    Candle candle;
    candle.index = i;
    candle.x = layout.X(i);
    candle.wickTop = layout.Y(bar.high);
    candle.wickBottom = layout.Y(bar.low);
    const double top = layout.Y(std::max(bar.open, bar.close));
    candle.body = {candle.x - bodyWidth / 2, top, bodyWidth,
                   std::max(1.0, layout.Y(std::min(bar.open, bar.close)) - top)};
    const double volumeHeight = static_cast<double>(bar.volume) / layout.mostVolume * volumeRoom;
    candle.volume = {candle.x - bodyWidth / 2, layout.volume.Bottom() - volumeHeight, bodyWidth, volumeHeight};
    candle.direction = DirectionOf(bar);
    layout.candles.push_back(candle);
    for (size_t line = 0; line < kLines; ++line) {
      const double value = data.averages[line][static_cast<size_t>(i)];
      if (value != 0) layout.lines[line].points.push_back({candle.x, layout.Y(value)});
    }
  }

  const double step = NiceStep(layout.high - layout.low);
  for (double p = std::ceil(layout.low / step) * step; p <= layout.high; p += step)
    layout.priceTicks.push_back({layout.Y(p), PriceText(p, data.hundredths)});
  layout.volumeTick = {layout.volume.top, FormatNumber(static_cast<int64_t>(layout.mostVolume))};

  // Date labels where a new period begins, never closer than a label's width. The first bar shown
  // is labelled too, unless a true period start follows too closely: then that start takes its place.
  double lastLabel = -1e9;
  bool onlyTheEdge = false;
  int64_t period = PeriodOf(data, data.bars[static_cast<size_t>(view.first)]);
  for (int i = view.first; i < end; ++i) {
    const Bar& bar = data.bars[static_cast<size_t>(i)];
    const int64_t now = PeriodOf(data, bar);
    const double x = layout.X(i);
    const bool starts = i == view.first || now != period;
    if (starts && onlyTheEdge && x - lastLabel < kDateLabelSpace) {
      layout.dateTicks.back() = {x, DateTickText(data, bar)};
      lastLabel = x;
      onlyTheEdge = false;
    } else if (starts && x - lastLabel >= kDateLabelSpace) {
      layout.dateTicks.push_back({x, DateTickText(data, bar)});
      lastLabel = x;
      onlyTheEdge = i == view.first;
    }
    period = now;
  }

  const Bar& top = data.bars[static_cast<size_t>(highest)];
  const Bar& bottom = data.bars[static_cast<size_t>(lowest)];
  layout.highMark = {highest, {layout.X(highest), layout.Y(top.high)}, PriceText(top.high, data.hundredths), {}};
  layout.highMark.anchor = MarkAnchor(layout.highMark, layout.price, true);
  layout.lowMark = {lowest, {layout.X(lowest), layout.Y(bottom.low)}, PriceText(bottom.low, data.hundredths), {}};
  layout.lowMark.anchor = MarkAnchor(layout.lowMark, layout.price, false);
  const Bar& newest = data.bars.back();
  layout.last = {std::clamp(layout.Y(newest.close), layout.price.top, layout.price.Bottom()),
                 PriceText(newest.close, data.hundredths)};
  layout.lastBox = {layout.price.Right() + 2, layout.last.at - kLastBoxHeight / 2, frame.rightAxis - 4, kLastBoxHeight};
  layout.lastAnchor = {layout.lastBox.left + kLabelInset, layout.last.at + kLabelInset};
  // A price label the box would cover gives way to it; its grid line stays. A label stands on its
  // baseline, kLabelInset below its tick, one font size high.
  for (Tick& tick : layout.priceTicks) {
    const double baseline = tick.at + kLabelInset;
    if (baseline > layout.lastBox.top && baseline - kLabelFontSize < layout.lastBox.Bottom()) tick.label.clear();
  }
  layout.lastDirection = LastDirection(data);
  return layout;
}

int BarAt(const ChartLayout& layout, double x) {
  if (layout.view.count == 0 || x < layout.price.left || x >= layout.price.Right()) return -1;
  const int offset = static_cast<int>((x - layout.price.left) / layout.pitch);
  return layout.view.first + std::min(offset, layout.view.count - 1);
}

std::string PriceText(double value, bool hundredths) {
  if (!hundredths) return FormatNumber(value);
  const auto cents = static_cast<int64_t>(std::llround(value));
  const int64_t magnitude = cents < 0 ? -cents : cents;
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%02d", static_cast<int>(magnitude % 100));
  return (cents < 0 ? "-" : "") + FormatNumber(magnitude / 100) + fraction;
}

std::string BarDateText(const ChartData& data, int index) {
  const Bar& bar = data.bars[static_cast<size_t>(index)];
  char text[32];
  if (data.kind == 'B') {
    std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", bar.date / 100 % 100, bar.date % 100, bar.time / 100,
                  bar.time % 100);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", bar.date / 10000, bar.date / 100 % 100, bar.date % 100);
  }
  return text;
}

BarReadout ReadOut(const ChartData& data, int index) {
  BarReadout readout;
  if (index < 0 || index >= static_cast<int>(data.bars.size())) return readout;
  const Bar& bar = data.bars[static_cast<size_t>(index)];
  readout.date = BarDateText(data, index);
  readout.open = PriceText(bar.open, data.hundredths);
  readout.high = PriceText(bar.high, data.hundredths);
  readout.low = PriceText(bar.low, data.hundredths);
  readout.close = PriceText(bar.close, data.hundredths);
  readout.volume = FormatNumber(bar.volume);
  for (size_t line = 0; line < kLines; ++line) {
    const double value = data.averages[line][static_cast<size_t>(index)];
    if (value != 0) readout.averages[line] = PriceText(value, data.hundredths);
  }
  return readout;
}

}  // namespace ostrada::chart
