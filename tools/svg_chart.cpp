#include "tools/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/movepair.h"
#include "basesrc/numberformat.h"

namespace ostrada::cli {
namespace {

constexpr double kLeft = 36;  // room for the first date label
constexpr double kRightAxis = 96;
constexpr double kTitle = 44;
constexpr double kPricePanel = 380;
constexpr double kGap = 14;
constexpr double kVolumePanel = 110;
constexpr double kDateAxis = 30;
constexpr double kHeight = kTitle + kPricePanel + kGap + kVolumePanel + kDateAxis;
constexpr char kRise[] = "#d7191c";
constexpr char kFall[] = "#1f5fd0";
constexpr char kEven[] = "#333333";
constexpr int kShownLines = 4;  // 5, 20, 60 and 120 bars
constexpr const char* kLineColours[kShownLines] = {"#f29000", "#10a050", "#8e44ad", "#7f7f7f"};

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Format(const char* pattern, double a, double b = 0, double c = 0, double d = 0) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b, c, d);
  return text;
}

// A round step of about a fifth of the span: 1, 2 or 5 times a power of ten.
double NiceStep(double span) {
  const double raw = span / 5.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

std::string PriceLabel(double value, int hundredths) {
  if (hundredths == 1) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", value / 100.0);
    return text;
  }
  return FormatNumber(static_cast<int64_t>(std::llround(value)));
}

// The period a date label marks: a month for daily and weekly bars, a year for monthly ones, an
// hour for minute bars.
int32_t PeriodOf(const DayBar& bar, char kind) {
  if (kind == 'B') return bar.Date() * 100 + bar.Key() / 100;
  return kind == 'M' ? bar.Key() / 10000 : bar.Key() / 100;
}

std::string DateLabel(const DayBar& bar, char kind) {
  char text[32];
  const int32_t key = bar.Key();
  if (kind == 'B') {
    std::snprintf(text, sizeof text, "%02d:%02d", key / 100, key % 100);
  } else if (kind == 'M') {
    std::snprintf(text, sizeof text, "%04d", key / 10000);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d", key / 10000, key / 100 % 100);
  }
  return text;
}

const char* ColourOf(const DayBar& bar) {
  if (bar.price.close > bar.price.open) return kRise;
  if (bar.price.close < bar.price.open) return kFall;
  return bar.price.change > 0 ? kRise : bar.price.change < 0 ? kFall : kEven;
}

}  // namespace

std::string SeriesChartSvg(const DaySeries& series, int hundredths) {
  std::vector<const DayBar*> bars;
  for (const DayBar* bar = series.Oldest(); bar != nullptr; bar = bar->newer) bars.push_back(bar);
  const auto n = static_cast<double>(std::max<size_t>(bars.size(), 1));
  const double pitch = std::clamp(1000.0 / n, 3.0, 14.0);
  const double width = kLeft + n * pitch + kRightAxis;
  std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
      "font-family=\"sans-serif\" font-size=\"12\">\n",
      width, kHeight, width, kHeight);
  svg += Format("<rect width=\"%.0f\" height=\"%.0f\" fill=\"#ffffff\"/>\n", width, kHeight);
  const char* kindName = series.Kind() == 'W'   ? "주봉"
                         : series.Kind() == 'M' ? "월봉"
                         : series.Kind() == 'B' ? "분봉"
                                                : "일봉";
  std::string title = std::string(series.Code()) + "  " + Cp949ToUtf8(series.Name()) + "  " + kindName;
  if (series.Kind() == 'B') title += Format("  %.0f분", series.Interval());
  svg += "<text x=\"" + Format("%.0f", kLeft) + "\" y=\"18\" font-size=\"15\" font-weight=\"bold\">" + Escape(title) +
         "</text>\n";
  // Legend of the average lines.
  double legendX = kLeft;
  for (int line = 0; line < kShownLines; ++line) {
    svg += Format("<line x1=\"%.1f\" y1=\"34\" x2=\"%.1f\" y2=\"34\" stroke-width=\"2\" ", legendX, legendX + 18) +
           "stroke=\"" + kLineColours[line] + "\"/>";
    svg += Format("<text x=\"%.1f\" y=\"38\">%.0f</text>\n", legendX + 22, kAverageLengths[line]);
    legendX += 64;
  }
  if (bars.empty()) return svg + "</svg>\n";

  MovingAverageList averages;
  averages.Build(series, 0);
  std::vector<const MovingAverageEntry*> entries;
  for (const MovingAverageEntry* e = averages.Oldest(); e != nullptr; e = e->newer) entries.push_back(e);

  double low = bars.front()->price.low;
  double high = bars.front()->price.high;
  double mostVolume = 1;
  for (const DayBar* bar : bars) {
    low = std::min<double>(low, bar->price.low);
    high = std::max<double>(high, bar->price.high);
    mostVolume = std::max<double>(mostVolume, static_cast<uint32_t>(bar->price.volume));
  }
  for (const MovingAverageEntry* e : entries) {
    for (int line = 0; line < kShownLines; ++line) {
      if (e->lines[line] == 0) continue;
      low = std::min<double>(low, e->lines[line]);
      high = std::max<double>(high, e->lines[line]);
    }
  }
  if (high <= low) high = low + 1;
  const double pad = (high - low) * 0.05;
  low -= pad;
  high += pad;
  const double plotRight = kLeft + n * pitch;
  auto y = [&](double price) { return kTitle + (high - price) / (high - low) * kPricePanel; };
  auto x = [&](size_t i) { return kLeft + (static_cast<double>(i) + 0.5) * pitch; };
  const double volumeTop = kTitle + kPricePanel + kGap;

  // Price grid and labels on the right.
  const double step = NiceStep(high - low);
  for (double p = std::ceil(low / step) * step; p <= high; p += step) {
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e4e4e4\"/>", kLeft, y(p), plotRight,
                  y(p));
    svg += Format("<text x=\"%.1f\" y=\"%.1f\">", plotRight + 6, y(p) + 4) + PriceLabel(p, hundredths) + "</text>\n";
  }
  svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"#999\"/>\n", kLeft,
                kTitle, n * pitch, kPricePanel);
  svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"#999\"/>\n", kLeft,
                volumeTop, n * pitch, kVolumePanel);
  svg += Format("<text x=\"%.1f\" y=\"%.1f\">", plotRight + 6, volumeTop + 10) +
         FormatNumber(static_cast<int64_t>(mostVolume)) + "</text>\n";

  // Date labels where a new period begins, never closer than a label's width.
  int32_t period = PeriodOf(*bars.front(), series.Kind());
  double lastLabel = -1e9;
  for (size_t i = 0; i < bars.size(); ++i) {
    const int32_t now = PeriodOf(*bars[i], series.Kind());
    if ((i == 0 || now != period) && x(i) - lastLabel >= 64) {
      svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#eeeeee\"/>", x(i), kTitle, x(i),
                    volumeTop + kVolumePanel);
      svg += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">", x(i), volumeTop + kVolumePanel + 18) +
             DateLabel(*bars[i], series.Kind()) + "</text>\n";
      lastLabel = x(i);
    }
    period = now;
  }

  // Candles and volume bars.
  const double body = std::max(1.0, pitch * 0.7);
  for (size_t i = 0; i < bars.size(); ++i) {
    const PriceBar& p = bars[i]->price;
    const char* colour = ColourOf(*bars[i]);
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" ", x(i), y(p.high), x(i), y(p.low)) +
           "stroke=\"" + colour + "\"/>";
    const double top = y(std::max(p.open, p.close));
    const double height = std::max(1.0, y(std::min(p.open, p.close)) - top);
    svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" ", x(i) - body / 2, top, body, height) +
           "fill=\"" + colour + "\"/>";
    const double volume = static_cast<uint32_t>(p.volume) / mostVolume * (kVolumePanel - 14);
    svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" ", x(i) - body / 2,
                  volumeTop + kVolumePanel - volume, body, volume) +
           "fill=\"" + colour + "\" fill-opacity=\"0.75\"/>\n";
  }

  // The average lines, each from its first full value.
  for (int line = 0; line < kShownLines; ++line) {
    std::string points;
    for (size_t i = 0; i < entries.size() && i < bars.size(); ++i) {
      if (entries[i]->lines[line] == 0) continue;
      points += Format("%.1f,%.1f ", x(i), y(entries[i]->lines[line]));
    }
    if (!points.empty())
      svg += "<polyline fill=\"none\" stroke-width=\"1.4\" stroke=\"" + std::string(kLineColours[line]) +
             "\" points=\"" + points + "\"/>\n";
  }
  return svg + "</svg>\n";
}

}  // namespace ostrada::cli
