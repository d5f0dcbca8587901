// ostrada-cli history and predata: a series saved under the data folder's own name loads back with
// the same summary and draws a chart; a market's pre-data list saved by one run lists in code order.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/scratch_folder.h"
#include "tests/support/cli.h"
#include "tests/support/file_bytes.h"

namespace ostrada {
namespace {

using testing::ReadBytes;
using testing::RunCli;

class HistoryCli : public ::testing::Test {
 protected:
  testing::ScratchFolder scratch;
  std::string folder = scratch.Path() + "/";
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", folder.c_str()};
};

// The first code of a small listing that trades every day (a suspended stock's bars are flat and
// without volume, so its chart has no rising or falling candle), from the code book's text.
std::string FirstTradingCode(const std::string& folder) {
  RunCli("codes download --seed 5 --stocks 40 --text " + folder + "codes.txt");
  const std::string text = ReadBytes(folder + "codes.txt");
  for (size_t line = 0; line < text.size(); line = text.find('\n', line) + 1) {
    const std::string code = text.substr(line, text.find('(', line) - line);
    const auto summary = RunCli("history " + code + " --seed 5 --stocks 40 --count 200");
    if (summary.exitCode == 0 && summary.output.find("without volume") == std::string::npos) return code;
    if (text.find('\n', line) == std::string::npos) break;
  }
  return {};
}

TEST_F(HistoryCli, SeriesSavedUnderItsOwnNameLoadsBackAndDraws) {
  const std::string code = FirstTradingCode(folder);
  ASSERT_EQ(code.size(), 7u);
  const auto downloaded = RunCli("history " + code + " --seed 5 --stocks 40 --count 200 --save");
  ASSERT_EQ(downloaded.exitCode, 0) << downloaded.output;
  const std::string saved = folder + code.substr(1, 3) + "/" + code + ".std";
  EXPECT_NE(downloaded.output.find("저장: " + saved), std::string::npos) << downloaded.output;
  EXPECT_NE(downloaded.output.find("봉 수: 200"), std::string::npos);

  const auto loaded = RunCli("history load " + saved + " --svg " + folder + "chart.svg");
  ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
  EXPECT_EQ(loaded.output, downloaded.output.substr(0, downloaded.output.find("저장: ")));
  const std::string svg = ReadBytes(folder + "chart.svg");
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("#d7191c"), std::string::npos);  // rises in red
  EXPECT_NE(svg.find("#1f5fd0"), std::string::npos);  // falls in blue
  EXPECT_NE(svg.find("<polyline"), std::string::npos);

  const auto wrongKind = RunCli("history " + code + " --kind X");
  EXPECT_EQ(wrongKind.exitCode, 1);
}

// Minute bars of an interval that does not divide the hour come whole, in order across the hours.
TEST_F(HistoryCli, MinuteBarsOfAnyIntervalComeInOrder) {
  const auto sevens =
      RunCli("history U001 --kind B --interval 7 --count 200 --seed 5 --stocks 40 --date 20261208 --at 11:29:30");
  EXPECT_EQ(sevens.exitCode, 0) << sevens.output;
  EXPECT_NE(sevens.output.find("봉 수: 22"), std::string::npos) << sevens.output;  // 09:06, 09:13 ... 11:33 running
  EXPECT_EQ(sevens.output.find("확인"), std::string::npos) << sevens.output;
}

// A disk that fills up is a failure, also where only the last buffered bytes are refused at the
// close (a five-bar chart is smaller than the buffer), and also on standard output.
TEST_F(HistoryCli, AFullDiskIsAFailure) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const std::string code = FirstTradingCode(folder);
  ASSERT_EQ(RunCli("history " + code + " --seed 5 --stocks 40 --count 5 --save " + folder + "s.std").exitCode, 0);
  ASSERT_EQ(RunCli("predata build --seed 5 --stocks 40 --save " + folder + "x.spd").exitCode, 0);
  for (const std::string& run : {"history load " + folder + "s.std --svg /dev/full",
                                 "history load " + folder + "s.std --text /dev/full",
                                 "history load " + folder + "s.std --averages /dev/full",
                                 "predata load " + folder + "x.spd --text /dev/full",
                                 "history load " + folder + "s.std > /dev/full"}) {
    const auto full = RunCli(run);
    EXPECT_EQ(full.exitCode, 1) << run << "\n" << full.output;
  }
}

TEST_F(HistoryCli, PreDataListOfTheMarket) {
  const auto built = RunCli("predata build --seed 5 --stocks 40 --save " + folder + "x.spd");
  ASSERT_EQ(built.exitCode, 0) << built.output;
  EXPECT_NE(built.output.find("자료 수:"), std::string::npos);
  const auto listed = RunCli("predata load " + folder + "x.spd --key 1");
  ASSERT_EQ(listed.exitCode, 0) << listed.output;
  // One line a record after the heading, in code order.
  std::string previous;
  size_t lines = 0;
  for (size_t at = listed.output.find('\n') + 1; at < listed.output.size(); at = listed.output.find('\n', at) + 1) {
    const std::string code = listed.output.substr(at, 7);
    EXPECT_LT(previous, code);
    previous = code;
    ++lines;
  }
  EXPECT_GT(lines, 30u);
}

}  // namespace
}  // namespace ostrada
