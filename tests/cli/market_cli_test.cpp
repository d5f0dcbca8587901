// ostrada-cli market on a stock halted for the day: the text view says "거래정지" and the JSON
// document says halted, and an ordinary stock says neither; the halted stock's book is empty.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_service.h"
#include "tests/support/cli.h"

namespace ostrada {
namespace {

using testing::RunCli;

const char kExchange[] = " --seed 7 --stocks 120 --date 20261208 --at 10:15:00";

TEST(MarketCli, AStockHaltedForTheDaySaysSoInTextAndJson) {
  // The market the command starts, asked which stocks trade today.
  const sim::Listing listing = sim::Listing::Build(7, 120);
  sim::Market market(sim::ProfilesOf(listing), 7);
  market.Sync(20261208, 10 * 3'600'000LL);
  std::string halted;
  std::string trading;
  for (int i = 0; i < static_cast<int>(market.Size()); ++i) {
    std::string& slot = market.Today(i).halted ? halted : trading;
    if (slot.empty()) slot = market.Stock(i).code;
  }
  ASSERT_FALSE(halted.empty());
  ASSERT_FALSE(trading.empty());
  for (const std::string& code : {halted, trading}) {
    SCOPED_TRACE(code);
    const bool isHalted = code == halted;
    const auto text = RunCli("market " + code + kExchange);
    ASSERT_EQ(text.exitCode, 0) << text.output;
    const std::string firstLine = text.output.substr(0, text.output.find('\n'));
    EXPECT_EQ(firstLine.find("거래정지") != std::string::npos, isHalted) << firstLine;
    const auto json = RunCli("market " + code + " --json" + kExchange);
    ASSERT_EQ(json.exitCode, 0) << json.output;
    const nlohmann::json document = nlohmann::json::parse(json.output);
    EXPECT_EQ(document["halted"].get<bool>(), isHalted);
    EXPECT_EQ(document["book"]["asks"].empty(), isHalted);
    EXPECT_EQ(document["volume"].get<int>() == 0, isHalted);
  }
}

}  // namespace
}  // namespace ostrada
