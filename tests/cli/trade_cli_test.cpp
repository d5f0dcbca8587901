// ostrada-cli order and account: an order sent by one run fills as the market runs, and a later run
// reads it back from the paper account in the data folder; a bad argument is told in Korean and
// sends nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "broker/sim/listing.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::RunCli;

class TradeCli : public ::testing::Test {
 protected:
  // The exchange every run of a case shares.
  std::string Market(const char* at) const {
    return std::string(" --seed 7 --stocks 40 --date 20261208 --at ") + at;
  }
  testing::ScratchFolder scratch;
  std::string folder = scratch.Path() + "/";
  // The runs keep their paper account where the program keeps it: in the data folder.
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", folder.c_str()};
  std::string code = TradableCode();

 private:
  // A common share that is not suspended.
  static std::string TradableCode() {
    const sim::Listing listing = sim::Listing::Build(7, 40);
    for (const sim::ListedStock& stock : listing.All()) {
      if (stock.class5 != '1' && stock.commonCode.empty()) return stock.code;
    }
    return {};
  }
};

TEST_F(TradeCli, ABuyRunsToItsFillAndALaterAccountShowsTheHolding) {
  const auto bought = RunCli("order buy " + code + " 10 --market --run 20" + Market("10:00:00"));
  ASSERT_EQ(bought.exitCode, 0) << bought.output;
  EXPECT_NE(bought.output.find("주문번호 : "), std::string::npos) << bought.output;
  EXPECT_NE(bought.output.find("(매수) 명령 접수 [ "), std::string::npos) << bought.output;
  EXPECT_NE(bought.output.find("매수 체결 : [ "), std::string::npos) << bought.output;

  const auto account = RunCli("account --json" + Market("10:05:00"));
  ASSERT_EQ(account.exitCode, 0) << account.output;
  EXPECT_NE(account.output.find("\"code\":\"" + code + "\""), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("\"quantity\":10,"), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("\"unfilled\":[]"), std::string::npos) << account.output;
}

TEST_F(TradeCli, TheAccountShowsCashAboveFourBytesAndAQuantityOnlyForAStock) {
  // 5,000,000,000 won does not fit four bytes: it is shown whole, never clamped to 2,147,483,647.
  const auto account = RunCli("account --cash 5000000000" + Market("10:00:00"));
  ASSERT_EQ(account.exitCode, 0) << account.output;
  EXPECT_NE(account.output.find("총 예수금: 5,000,000,000\n"), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("가능 금액: 5,000,000,000\n"), std::string::npos) << account.output;
  // No stock, no buyable quantity (it was printed as 0).
  EXPECT_EQ(account.output.find("가능 수량"), std::string::npos) << account.output;
  const auto json = RunCli("account --json" + Market("10:00:00"));
  ASSERT_EQ(json.exitCode, 0) << json.output;
  EXPECT_NE(json.output.find("\"totalDeposit\":5000000000,\"availableAmount\":5000000000,"), std::string::npos)
      << json.output;
  EXPECT_EQ(json.output.find("availableQuantity"), std::string::npos) << json.output;

  // With a stock, the quantity buyable at its current price.
  const auto withCode = RunCli("account --code " + code + Market("10:00:00"));
  ASSERT_EQ(withCode.exitCode, 0) << withCode.output;
  const std::string label = "가능 수량: ";
  const size_t at = withCode.output.find(label);
  ASSERT_NE(at, std::string::npos) << withCode.output;
  std::string digits;
  for (size_t i = at + label.size(); i < withCode.output.size() && withCode.output[i] != ' '; ++i) {
    if (withCode.output[i] != ',') digits += withCode.output[i];
  }
  const long long quantity = std::stoll(digits);
  EXPECT_GT(quantity, 0);
  EXPECT_NE(withCode.output.find("(" + code + ")"), std::string::npos) << withCode.output;
}

TEST_F(TradeCli, BadArgumentsAreToldInKoreanAndSendNothing) {
  struct Case {
    std::string arguments;
    const char* message;
    const char* at = "10:00:00";
  };
  const Case cases[] = {
      {"order buy " + code + " 0 --market", "수량 지정이 정확하지 않습니다."},
      {"order buy " + code + " 10", "--price 와 --market 중 하나만 지정하십시오."},
      {"order buy " + code + " 10 --price 0", "가격 지정이 정확하지 않습니다."},
      {"order sell " + code + " ten --market", "숫자가 정확하지 않습니다: ten"},
      {"order modify 0 " + code + " 10 5000", "원주문번호[원번] 값이 정확하지 않습니다."},
      {"order cancel 5 " + code, "주문은 buy|sell"},
      {"order buy " + code + " 10 --market --run 100000", "실행 시간(초)은"},
      {"order buy A999999 10 --market", "A999999 - 선택한 종목을 찾을 수 없습니다."},
      {"order buy " + code + " 10 --market", "--at 시각은 HH:MM:SS 로 지정하십시오: 25:00:00", "25:00:00"},
  };
  for (const Case& c : cases) {
    const auto run = RunCli(c.arguments + Market(c.at));
    EXPECT_EQ(run.exitCode, 1) << c.arguments;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << "\n" << run.output;
  }
  const auto account = RunCli("account --json" + Market("10:00:00"));
  ASSERT_EQ(account.exitCode, 0) << account.output;
  EXPECT_NE(account.output.find("\"holdings\":[],\"unfilled\":[]"), std::string::npos) << account.output;
}

}  // namespace
}  // namespace ostrada
