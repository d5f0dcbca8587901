#include "tools/svg_chart.h"

#include <cstdio>

#include "basesrc/chartmodel.h"
#include "basesrc/foundation/cp949.h"

namespace ostrada::cli {
namespace {

using chart::kLineColours;
constexpr double kTitleFontSize = 15;

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

// A generous width of UTF-8 text at a font size, for sizing the picture around it: a wide (Hangul,
// CJK) character one em, any other 0.62 em.
double TextWidth(const std::string& utf8, double fontSize) {
  double width = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    width += c >= 0xE0 ? fontSize : fontSize * 0.62;
  }
  return width;
}

std::string TitleOf(const chart::ChartData& data) {
  const char* kindName = data.kind == 'W' ? "주봉" : data.kind == 'M' ? "월봉" : data.kind == 'B' ? "분봉" : "일봉";
  std::string title = data.code + "  " + Cp949ToUtf8(data.name) + "  " + kindName;
  if (data.kind == 'B') title += Format("  %.0f분", data.interval);
  return title;
}

}  // namespace

std::string SeriesChartSvg(const DaySeries& series, int hundredths) {
  const chart::ChartData data = chart::FromSeries(series, hundredths == 1);
  return ChartDataSvg(data, TitleOf(data));
}

std::string ChartDataSvg(const chart::ChartData& data, const std::string& title) {
  const int total = static_cast<int>(data.bars.size());
  const chart::Frame frame = chart::SvgFrame(total, TextWidth(title, kTitleFontSize));
  const chart::ChartLayout layout = chart::Lay(data, chart::NewestView(total, total), frame);

  std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
      "font-family=\"sans-serif\" font-size=\"12\">\n",
      frame.width, frame.height, frame.width, frame.height);
  svg += Format("<rect width=\"%.0f\" height=\"%.0f\" fill=\"#ffffff\"/>\n", frame.width, frame.height);
  svg += Format("<text x=\"%.0f\" y=\"18\" font-size=\"%.0f\" font-weight=\"bold\">", frame.left, kTitleFontSize) +
         Escape(title) + "</text>\n";
  for (size_t line = 0; line < chart::kLines; ++line) {
    const chart::Legend& entry = layout.legend[line];
    svg += Format("<line x1=\"%.1f\" y1=\"34\" x2=\"%.1f\" y2=\"34\" stroke-width=\"2\" ", entry.x, entry.x + 18) +
           "stroke=\"" + kLineColours[line] + "\"/>";
    svg += Format("<text x=\"%.1f\" y=\"38\">%.0f</text>\n", entry.x + 22, entry.length);
  }
  if (layout.candles.empty()) return svg + "</svg>\n";

  const chart::Rect& price = layout.price;
  const chart::Rect& volume = layout.volume;
  for (const chart::Tick& tick : layout.priceTicks) {
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e4e4e4\"/>", price.left, tick.at,
                  price.Right(), tick.at);
    svg += Format("<text x=\"%.1f\" y=\"%.1f\">", price.Right() + 6, tick.at + 4) + tick.label + "</text>\n";
  }
  for (const chart::Rect* panel : {&price, &volume})
    svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"#999\"/>\n",
                  panel->left, panel->top, panel->width, panel->height);
  svg += Format("<text x=\"%.1f\" y=\"%.1f\">", volume.Right() + 6, layout.volumeTick.at + 10) +
         layout.volumeTick.label + "</text>\n";
  for (const chart::Tick& tick : layout.dateTicks) {
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#eeeeee\"/>", tick.at, price.top,
                  tick.at, volume.Bottom());
    svg += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">", tick.at, volume.Bottom() + 18) + tick.label +
           "</text>\n";
  }

  for (const chart::Candle& candle : layout.candles) {
    const std::string colour = HexColour(RgbOf(candle.direction));
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" ", candle.x, candle.wickTop, candle.x,
                  candle.wickBottom) +
           "stroke=\"" + colour + "\"/>";
    svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" ", candle.body.left, candle.body.top,
                  candle.body.width, candle.body.height) +
           "fill=\"" + colour + "\"/>";
    svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" ", candle.volume.left, candle.volume.top,
                  candle.volume.width, candle.volume.height) +
           "fill=\"" + colour + "\" fill-opacity=\"0.75\"/>\n";
  }
  for (size_t line = 0; line < chart::kLines; ++line) {
    std::string points;
    for (const chart::Point& point : layout.lines[line].points) points += Format("%.1f,%.1f ", point.x, point.y);
    if (!points.empty())
      svg += "<polyline fill=\"none\" stroke-width=\"1.4\" stroke=\"" + std::string(kLineColours[line]) +
             "\" points=\"" + points + "\"/>\n";
  }
  // The high and low of the chart, and the last price on the axis.
  svg += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" ", layout.highMark.at.x, layout.highMark.at.y - 4) +
         "fill=\"" + HexColour(kRiseRgb) + "\">" + layout.highMark.label + "</text>\n";
  svg += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" ", layout.lowMark.at.x, layout.lowMark.at.y + 14) +
         "fill=\"" + HexColour(kFallRgb) + "\">" + layout.lowMark.label + "</text>\n";
  svg += Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"16\" ", price.Right() + 2, layout.last.at - 8,
                frame.rightAxis - 4) +
         "fill=\"" + HexColour(RgbOf(layout.lastDirection)) + "\"/>";
  svg += Format("<text x=\"%.1f\" y=\"%.1f\" fill=\"#ffffff\">", price.Right() + 6, layout.last.at + 4) +
         layout.last.label + "</text>\n";
  return svg + "</svg>\n";
}

}  // namespace ostrada::cli
