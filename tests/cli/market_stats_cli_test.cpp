// ostrada-cli market-stats: the market's measures stay in their bands whatever the seed, among them
// the prices that can always move, the turnover, the indexes as sums, the calendar and the names; its
// table speaks Korean and its JSON gives the same measures by English keys.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::RunCli;

// The study's measures by key.
std::map<std::string, nlohmann::json> Measures(const nlohmann::json& document) {
  std::map<std::string, nlohmann::json> measures;
  for (const nlohmann::json& measure : document.at("measures")) measures[measure.at("key")] = measure;
  return measures;
}

// Each seed is its own market: its own listing, history and day. The first is the default's; the last
// are markets that once left a band: a board crashing on its own into a thousand lower-limit closes (5,
// 9), too thin a tail (12), the largest company sliding to a twelfth of its board (77), a market
// falling 13.7% on one draw of its tail and few strong buyers on a calm day (99), a calm last day held against
// the pooled two years rather than the history's typical day (46).
class MarketStatsSeeds : public ::testing::TestWithParam<const char*> {};

TEST_P(MarketStatsSeeds, EveryBandHolds) {
  const auto run = RunCli(std::string("market-stats --json --date 20261208 --seed ") + GetParam());
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const nlohmann::json document = nlohmann::json::parse(run.output);
  const std::map<std::string, nlohmann::json> measures = Measures(document);
  ASSERT_GE(measures.size(), 50u);
  EXPECT_EQ(document.at("outside"), 0);
  for (const auto& [key, measure] : measures) {
    const double value = measure.at("value");
    // An open side of a band is null; the band is checked here, not taken from "passes".
    EXPECT_TRUE(measure.at("low").is_null() || value >= measure.at("low").get<double>()) << key << " " << value;
    EXPECT_TRUE(measure.at("high").is_null() || value <= measure.at("high").get<double>()) << key << " " << value;
  }
  // No close where the 15% limit leaves no tick to move (below about 34 won): the lowest close is
  // at most one limit below the 500 won under which shares are consolidated (500 - 75).
  EXPECT_EQ(measures.at("immovable_closes").at("value"), 0);
  EXPECT_GE(measures.at("lowest_close").at("value"), 425);
  EXPECT_LE(measures.at("busiest_turnover").at("value"), 0.5);
  EXPECT_LE(measures.at("largest_value_share_max").at("value"), 0.2);
  // An index's volume is in thousands of shares: its stocks' sum rounds to it.
  EXPECT_LE(measures.at("index_volume_gap").at("value"), 0.5);
  EXPECT_EQ(measures.at("off_calendar_days").at("value"), 0);
  EXPECT_EQ(measures.at("shared_names").at("value"), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MarketStatsSeeds,
                         ::testing::Values("20261208", "1", "2", "3", "7", "31", "5", "9", "12", "77", "99", "46"));

// A listing of 40 stocks is too small for the whole market's bands: the measures outside them are
// counted, and the command fails so that a script sees it. The table names each measure in Korean, as
// the JSON's "name", and marks it as the JSON's band does.
TEST(MarketStatsCli, AMeasureOutsideItsBandFailsTheCommand) {
  testing::ScratchFolder scratch;
  const testing::ScopedEnv noAccount("OSTRADA_DATA_DIR", scratch.Path().c_str());
  const auto json = RunCli("market-stats --json --stocks 40 --date 20261208");
  EXPECT_EQ(json.exitCode, 1) << json.output;
  const nlohmann::json document = nlohmann::json::parse(json.output);
  const auto run = RunCli("market-stats --stocks 40 --date 20261208");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  int outside = 0;
  for (const nlohmann::json& measure : document.at("measures")) {
    const std::string name = measure.at("name");
    const double value = measure.at("value");
    const bool passes = (measure.at("low").is_null() || value >= measure.at("low").get<double>()) &&
                        (measure.at("high").is_null() || value <= measure.at("high").get<double>());
    EXPECT_EQ(measure.at("passes"), passes) << name;
    outside += passes ? 0 : 1;
    const size_t line = run.output.find("\n" + name + " ");
    ASSERT_NE(line, std::string::npos) << name << "\n" << run.output;
    const size_t end = run.output.find('\n', line + 1);
    EXPECT_TRUE(run.output.substr(line, end - line).ends_with(passes ? " 통과" : " 벗어남")) << name;
  }
  ASSERT_GT(outside, 0) << run.output;
  EXPECT_EQ(document.at("outside"), outside);
  EXPECT_NE(run.output.find(std::to_string(outside) + " / " + std::to_string(document.at("measures").size()) +
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
