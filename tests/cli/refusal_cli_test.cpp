// ostrada-cli order, refused at a later moment than the account's clock: whatever refuses it (the
// code, the stock's state, the price, the cash, the holding, the order it names, the session), the
// account stays as it was, its clock, its orders and its cash; the morning's open order neither
// fills nor expires on the way to the refused moment.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "basesrc/nowfxin.h"
#include "basesrc/priceinfo.h"
#include "basesrc/stocgate.h"
#include "broker/sim/market/listing.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stopped_exchange.h"

namespace ostrada {
namespace {

using testing::RunCli;

// A refused command: its words, with CODE, HALTED, LOWER (the day's lower limit), INBAND (a price
// between the limits), OFFTICK (one won above it, off the tick grid) and ORDER (the morning's open
// order) filled in, the moment it names, and what it says (empty: not checked here).
struct Refused {
  const char* words;
  const char* moment;
  const char* says = "";
};

const std::string kListing = " --seed 7 --stocks 40";

void Fill(std::string& text, const std::string& name, const std::string& value) {
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
    text.replace(at, name.size(), value);
}

class RefusalCli : public ::testing::TestWithParam<Refused> {
 protected:
  void SetUp() override {
    const sim::Listing listing = sim::Listing::Build(7, 40);
    for (const sim::ListedStock& stock : listing.All()) {
      if (stock.class5 == '1' && halted.empty()) halted = stock.code;
      if (stock.class5 != '1' && stock.commonCode.empty() && code.empty()) code = stock.code;
    }
    ASSERT_FALSE(halted.empty()) << "the listing has no suspended stock";
    testing::StoppedExchange exchange(7, 40, 20261208, 100000);
    StocGate gate;
    NowPrice now{};
    ASSERT_TRUE(gate.FetchNowPrice(&now, code.c_str()));
    lower = now.basePrice + PriceLimitChange(now.basePrice, 0);
    // The morning: ten shares bought, and a buy at the lower limit left open.
    ASSERT_EQ(RunCli("order buy " + code + " 10 --market" + kListing + " --date 20261208 --at 10:00:00").exitCode, 0);
    const auto open = RunCli("order buy " + code + " 3 --price " + std::to_string(lower) + kListing);
    ASSERT_EQ(open.exitCode, 0) << open.output;
    ASSERT_EQ(std::sscanf(open.output.c_str(), "주문번호 : %d", &order), 1) << open.output;
  }

  std::string Account() const {
    const auto account = RunCli("account --json" + kListing);
    EXPECT_EQ(account.exitCode, 0) << account.output;
    return account.output;
  }

  testing::ScratchFolder scratch;
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", scratch.Path().c_str()};
  std::string code, halted;
  int32_t lower = 0;
  int32_t order = 0;
};

TEST_P(RefusalCli, ARefusedOrderLeavesTheClockTheOrdersAndTheCashAsTheyWere) {
  const std::string before = Account();
  const nlohmann::json account = nlohmann::json::parse(before);
  ASSERT_EQ(account.at("clock"), "2026-12-08 10:00:00");
  ASSERT_EQ(account.at("unfilled").size(), 1u);
  ASSERT_EQ(account.at("holdings").at(0).at("quantity"), 10);

  std::string words = GetParam().words;
  Fill(words, "HALTED", halted);
  Fill(words, "CODE", code);
  Fill(words, "LOWER", std::to_string(lower));
  const int32_t inBand = lower + PriceTick(lower);
  ASSERT_GT(PriceTick(inBand), 1) << "no price of the band is off the tick grid";
  Fill(words, "INBAND", std::to_string(inBand));
  Fill(words, "OFFTICK", std::to_string(inBand + 1));
  Fill(words, "ORDER", std::to_string(order));
  const auto refused = RunCli("order " + words + kListing + " " + GetParam().moment);
  EXPECT_EQ(refused.exitCode, 1) << refused.output;
  EXPECT_EQ(refused.output.find("주문번호 : "), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find(GetParam().says), std::string::npos) << refused.output;
  EXPECT_EQ(Account(), before);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPath, RefusalCli,
    ::testing::Values(Refused{"buy A999999 10 --price 1600", "--at 11:00:00"},
                      Refused{"buy HALTED 10 --market", "--at 11:00:00"},
                      Refused{"buy CODE 10 --price 1", "--at 11:00:00", "주문가격이 가격제한폭을 벗어났습니다."},
                      Refused{"buy CODE 10 --price OFFTICK", "--at 11:00:00", "주문가격이 호가단위에 맞지 않습니다."},
                      Refused{"sell CODE 1 --price 99999999", "--at 11:00:00"},
                      Refused{"buy CODE 100000000 --market", "--at 11:00:00"},
                      Refused{"sell CODE 11 --price INBAND", "--at 11:00:00"},
                      Refused{"cancel 999 CODE 1", "--at 11:00:00"},
                      Refused{"modify ORDER CODE 4 INBAND", "--at 11:00:00"},
                      Refused{"cancel ORDER HALTED 1", "--at 11:00:00"},
                      Refused{"buy CODE 1 --price LOWER", "--at 16:00:00"},
                      Refused{"sell CODE 11 --market", "--date 20261209 --at 10:00:00"}));

}  // namespace
}  // namespace ostrada
