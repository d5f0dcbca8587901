// ostrada-cli history load --svg: the chart of a crafted series file, read back from the SVG's own
// attributes and checked against what the bars say.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "basesrc/daygate.h"
#include "basesrc/foundation/cp949.h"
#include "tests/support/cli.h"
#include "tests/support/file_bytes.h"

namespace ostrada {
namespace {

using testing::ReadBytes;
using testing::RunCli;

constexpr char kRise[] = "#d7191c";
constexpr char kFall[] = "#1f5fd0";
constexpr char kEven[] = "#333333";

class SvgChart : public ::testing::Test {
 protected:
  SvgChart() { std::filesystem::create_directories(folder); }
  ~SvgChart() override { std::filesystem::remove_all(folder); }

  // Saves the series and draws it; the SVG text.
  std::string Draw(DaySeries& series) {
    const std::string file = folder + "series.bin";
    EXPECT_EQ(series.Save(file.c_str()), 1);
    const auto run = RunCli("history load " + file + " --svg " + folder + "chart.svg");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return ReadBytes(folder + "chart.svg");
  }

  std::string folder = ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_svg/";
};

DayBar MakeBar(int32_t key, int32_t change, int32_t open, int32_t high, int32_t low, int32_t close) {
  DayBar bar{};
  bar.price = {key, open, high, low, close, change, 1000, 0.0f};
  return bar;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

double Attribute(const std::string& svg, const std::string& name) {
  const size_t at = svg.find(name + "=\"");
  return at == std::string::npos ? -1 : std::atof(svg.c_str() + at + name.size() + 2);
}

// A minute bar's change word holds its date, so a bar that opens and closes at one price takes its
// colour from the bar before it: even at the previous close, red above, blue below.
TEST_F(SvgChart, FlatMinuteBarsTakeTheirColourFromThePreviousClose) {
  DaySeries series;
  ASSERT_EQ(series.Create("A000020", Utf8ToCp949("동화약품").c_str()), 1);
  series.SetKind('B');
  series.SetInterval(5);
  constexpr int32_t kDate = 20261208;
  ASSERT_EQ(series.Add(MakeBar(905, kDate, 100, 103, 99, 102)), 1);   // rises within the bar
  ASSERT_EQ(series.Add(MakeBar(910, kDate, 102, 103, 101, 102)), 1);  // flat at the previous close
  ASSERT_EQ(series.Add(MakeBar(915, kDate, 104, 105, 103, 104)), 1);  // flat above it
  ASSERT_EQ(series.Add(MakeBar(920, kDate, 99, 101, 98, 99)), 1);     // flat below it
  const std::string svg = Draw(series);
  // Each bar fills its volume bar, drawn half-transparent, with its colour.
  auto volumeBars = [&](const char* colour) {
    return Count(svg, std::string("fill=\"") + colour + "\" fill-opacity=\"0.75\"");
  };
  EXPECT_EQ(volumeBars(kRise), 2u);
  EXPECT_EQ(volumeBars(kEven), 1u);
  EXPECT_EQ(volumeBars(kFall), 1u);
}

// The title at 15 points and the legend's last length must lie inside the picture however few bars
// there are. Widths estimated generously: a Hangul syllable one em, any other character 0.62 em.
TEST_F(SvgChart, FiveBarChartKeepsItsTitleAndLegendWhole) {
  DaySeries series;
  const std::string name = "삼영기계전자";
  ASSERT_EQ(series.Create("A123450", Utf8ToCp949(name).c_str()), 1);
  series.SetKind('D');
  for (int day = 1; day <= 5; ++day) ASSERT_EQ(series.Add(MakeBar(20261200 + day, 10, 100, 120, 90, 110)), 1);
  const std::string svg = Draw(series);
  const double width = Attribute(svg, "width");

  const std::regex title("<text x=\"([0-9.]+)\"[^>]*font-size=\"15\"[^>]*>([^<]*)</text>");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(svg, match, title));
  const std::u32string text = [&] {
    std::u32string out;
    const std::string utf8 = match[2];
    for (size_t i = 0; i < utf8.size();) {
      const auto c = static_cast<unsigned char>(utf8[i]);
      const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      char32_t code = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
      for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
      out.push_back(code);
      i += length;
    }
    return out;
  }();
  double titleWidth = 0;
  for (char32_t c : text) titleWidth += (c >= 0xAC00 && c <= 0xD7A3) ? 15.0 : 15.0 * 0.62;
  EXPECT_LE(std::atof(match[1].str().c_str()) + titleWidth, width) << match[2];

  // The legend's last entry, "120" at 12 points.
  const size_t legend = svg.find(">120</text>");
  ASSERT_NE(legend, std::string::npos);
  const size_t x = svg.rfind("x=\"", legend);
  EXPECT_LE(std::atof(svg.c_str() + x + 3) + 3 * 12 * 0.62, width);
}

// An index's price labels are points with two decimals, grouped by thousands like every other
// number the system shows.
TEST_F(SvgChart, IndexPricesAreGroupedByThousands) {
  DaySeries series;
  ASSERT_EQ(series.Create("U001", Utf8ToCp949("종합").c_str()), 1);
  series.SetKind('D');
  for (int day = 1; day <= 9; ++day) {
    const int32_t close = 251234 + day * 1200;
    ASSERT_EQ(series.Add(MakeBar(20261200 + day, 1200, close - 800, close + 500, close - 1500, close)), 1);
  }
  const std::string svg = Draw(series);
  EXPECT_TRUE(std::regex_search(svg, std::regex(">2,5[0-9]{2}\\.[0-9]{2}<"))) << svg.substr(0, 3000);
  EXPECT_FALSE(std::regex_search(svg, std::regex(">[0-9]{4}\\.[0-9]{2}<")));
}

}  // namespace
}  // namespace ostrada
