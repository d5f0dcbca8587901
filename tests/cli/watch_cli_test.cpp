// ostrada-cli watch: a stop and an alert set by one run, listed by another, the stop acting during a
// later order's run (which prints it), the alert cancelled once; a stop on a stock not held refused.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_ladder.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::RunCli;

class WatchCli : public ::testing::Test {
 protected:
  testing::ScratchFolder scratch;
  std::string folder = scratch.Path() + "/";
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", folder.c_str()};
  const std::string market = " --seed 7 --stocks 40";
  // Liquid common shares that trade.
  std::vector<std::string> codes = [] {
    std::vector<std::string> found;
    const sim::Listing listing = sim::Listing::Build(7, 40);
    for (const sim::ListedStock& stock : listing.All()) {
      if (stock.class5 != '1' && stock.commonCode.empty() && stock.liquidity >= 6) found.push_back(stock.code);
    }
    return found;
  }();
};

TEST_F(WatchCli, SetListActCancel) {
  ASSERT_GE(codes.size(), 2u);
  const std::string& code = codes[0];
  const auto bought = RunCli("order buy " + code + " 10 --market --run 5 --date 20261208 --at 10:00:00" + market);
  ASSERT_EQ(bought.exitCode, 0) << bought.output;
  const auto account = RunCli("account --json" + market);
  ASSERT_EQ(account.exitCode, 0) << account.output;
  const int32_t price = nlohmann::json::parse(account.output)["holdings"][0]["currentPrice"];
  const int32_t stop = sim::TickAtOrBelow(price - 1);
  const int32_t far = price * 2;  // no day reaches twice its price

  const auto refused = RunCli("watch add stop " + codes[1] + " --price " + std::to_string(stop) + market);
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_NE(refused.output.find("보유하지 않은 종목"), std::string::npos) << refused.output;
  const auto set = RunCli("watch add stop " + code + " --price " + std::to_string(stop) + market);
  ASSERT_EQ(set.exitCode, 0) << set.output;
  EXPECT_NE(set.output.find("감시번호 1  손절  " + code), std::string::npos) << set.output;
  const auto alert =
      RunCli("watch add alert " + code + " --above --price " + std::to_string(sim::TickAtOrBelow(far)) + market);
  ASSERT_EQ(alert.exitCode, 0) << alert.output;

  const auto listed = RunCli("watch list --json" + market);
  ASSERT_EQ(listed.exitCode, 0) << listed.output;
  const nlohmann::json rows = nlohmann::json::parse(listed.output);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]["kind"], "stop");
  EXPECT_EQ(rows[0]["level"], stop);
  EXPECT_EQ(rows[0]["order"]["quantity"], "whole");
  EXPECT_EQ(rows[1]["kind"], "alertAbove");
  EXPECT_EQ(rows[1]["state"], "active");

  // A run long enough for the stop one tick under the price: it prints what acted.
  const auto ran = RunCli("order buy " + codes[1] + " 1 --market --run 3600" + market);
  ASSERT_EQ(ran.exitCode, 0) << ran.output;
  EXPECT_NE(ran.output.find("감시번호 1  손절"), std::string::npos) << ran.output;
  EXPECT_NE(ran.output.find("실행"), std::string::npos) << ran.output;
  EXPECT_EQ(ran.output.find("감시번호 2"), std::string::npos) << ran.output;
  const nlohmann::json after = nlohmann::json::parse(RunCli("watch list --json" + market).output);
  EXPECT_EQ(after[0]["state"], "fired");
  EXPECT_LE(after[0]["contractPrice"].get<int32_t>(), stop);
  EXPECT_GT(after[0]["orderNumber"].get<int32_t>(), 0);

  EXPECT_EQ(RunCli("watch cancel 2" + market).exitCode, 0);
  const auto again = RunCli("watch cancel 2" + market);
  EXPECT_NE(again.exitCode, 0);
  EXPECT_NE(again.output.find("이미 끝난 감시주문입니다."), std::string::npos) << again.output;
}

}  // namespace
}  // namespace ostrada
