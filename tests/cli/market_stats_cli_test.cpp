// ostrada-cli market-stats: the market's measures stay in their bands for three seeds, among them
// the prices that can always move, the turnover, the indexes as sums, the calendar and the names.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::RunCli;

struct Row {
  double value = 0;
  std::string result;
};

// The table's rows by measure name: the name, then value, low, high and "통과" or "벗어남" (a long
// name may push the columns to the right, so the four are read from the end).
std::map<std::string, Row> Table(const std::string& output) {
  std::map<std::string, Row> rows;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const bool passes = line.ends_with(" 통과");
    if (!passes && !line.ends_with(" 벗어남")) continue;
    size_t end = line.size();
    for (int field = 0; field < 4; ++field) {
      end = line.find_last_not_of(' ', end - 1);
      end = line.find_last_of(' ', end);
    }
    Row row;
    row.value = std::stod(line.substr(end + 1));
    row.result = passes ? "pass" : "FAIL";
    rows[line.substr(0, line.find_last_not_of(' ', end) + 1)] = row;
  }
  return rows;
}

TEST(MarketStatsCli, EveryBandHoldsForThreeSeeds) {
  for (const char* seed : {"20261208", "1", "2"}) {
    SCOPED_TRACE(seed);
    const auto run = RunCli(std::string("market-stats --date 20261208 --seed ") + seed);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::map<std::string, Row> table = Table(run.output);
    ASSERT_GE(table.size(), 35u) << run.output;
    for (const auto& [name, row] : table) EXPECT_EQ(row.result, "pass") << name << " " << row.value;
    EXPECT_NE(run.output.find("0 / " + std::to_string(table.size()) + " 항목이 범위를 벗어났습니다"),
              std::string::npos);
    // No close where the 15% limit leaves no tick to move (below about 34 won): the lowest close is
    // at most one limit below the 500 won under which shares are consolidated (500 - 75).
    EXPECT_EQ(table.at("history closes where no step is possible").value, 0);
    EXPECT_GE(table.at("lowest close in the history (won)").value, 425);
    EXPECT_LE(table.at("busiest day's volume / listed shares (max)").value, 0.5);
    EXPECT_LE(table.at("largest stock's share of a day's value (max)").value, 0.2);
    // An index's volume is in thousands of shares: its stocks' sum rounds to it.
    EXPECT_LE(table.at("index volume less its stocks' (thousands, max)").value, 0.5);
    EXPECT_EQ(table.at("history days off the exchange's calendar").value, 0);
    EXPECT_EQ(table.at("stocks sharing a name").value, 0);
  }
}

// A listing of 40 stocks is too small for the whole market's bands: the measures outside them are
// counted, and the command fails so that a script sees it.
TEST(MarketStatsCli, AMeasureOutsideItsBandFailsTheCommand) {
  testing::ScratchFolder scratch;
  const testing::ScopedEnv noAccount("OSTRADA_DATA_DIR", scratch.Path().c_str());
  const auto run = RunCli("market-stats --stocks 40 --date 20261208");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  const std::map<std::string, Row> table = Table(run.output);
  size_t outside = 0;
  for (const auto& [name, row] : table) outside += row.result == "FAIL" ? 1 : 0;
  ASSERT_GT(outside, 0u) << run.output;
  EXPECT_NE(run.output.find(std::to_string(outside) + " / " + std::to_string(table.size()) +
                            " 항목이 범위를 벗어났습니다"),
            std::string::npos)
      << run.output;
}

// The study is of a trading day: a weekday holiday is refused like a weekend.
TEST(MarketStatsCli, AHolidayIsNoTradingDay) {
  for (const char* date : {"20261005", "20260925", "20261205"}) {
    const auto run = RunCli(std::string("market-stats --stocks 40 --date ") + date);
    EXPECT_EQ(run.exitCode, 1) << date;
    EXPECT_NE(run.output.find("--date 는 거래일을 YYYYMMDD 로 지정하십시오: " + std::string(date)), std::string::npos)
        << run.output;
  }
}

// Without --seed, the paper account's market up to the last day its clock saw close: at 10:01 on
// Tuesday 2025-03-04, after a Saturday and a substitute holiday, that is Friday 2025-02-28.
TEST(MarketStatsCli, WithoutASeedStudiesTheAccountsMarketAsFarAsItsClock) {
  testing::ScratchFolder scratch;
  const testing::ScopedEnv account("OSTRADA_DATA_DIR", scratch.Path().c_str());
  ASSERT_EQ(RunCli("account new --date 20250304 --time 10:00 --seed 7").exitCode, 0);
  // A session of 40 stocks gives the account its listing, which the study then takes.
  const auto session = RunCli("clock advance --by 1m --stocks 40");
  ASSERT_EQ(session.exitCode, 0) << session.output;
  const auto studied = RunCli("market-stats");
  EXPECT_NE(studied.output.find("시드 7 의 시장, 20250228, 종목 40개"), std::string::npos) << studied.output;
  const auto ahead = RunCli("market-stats --stocks 40 --date 20250304");
  EXPECT_EQ(ahead.exitCode, 1);
  EXPECT_NE(ahead.output.find("계좌 시각(2025-03-04 10:01:00)까지만"), std::string::npos) << ahead.output;
  const auto chosen = RunCli("market-stats --stocks 40 --date 20250304 --seed 9");
  EXPECT_NE(chosen.output.find("시드 9 의 시장, 20250304,"), std::string::npos) << chosen.output;
}

}  // namespace
}  // namespace ostrada
