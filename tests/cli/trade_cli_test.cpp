// ostrada-cli order and account: an order sent by one run fills as the market runs, and a later run
// reads it back from the paper account in the data folder; a bad argument is told in Korean and
// sends nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "broker/sim/listing.h"
#include "broker/sim/paper_account.h"
#include "broker/sim/paper_ledger.h"
#include "tests/support/cli.h"

namespace ostrada {
namespace {

using testing::RunCli;

class TradeCli : public ::testing::Test {
 protected:
  TradeCli() {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    // The runs keep their paper account where the program keeps it: in the data folder.
    ::setenv("OSTRADA_DATA_DIR", folder.c_str(), 1);
  }
  ~TradeCli() override { std::filesystem::remove_all(folder); }
  // The exchange every run of a case shares.
  std::string Market(const char* at) const {
    return std::string(" --seed 7 --stocks 40 --date 20261208 --at ") + at;
  }
  std::string folder = ::testing::TempDir() + "ostrada-trade-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
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

// A script that runs an order into a pipe and is killed while the market runs has the order's number:
// the line reaches the pipe as it is printed, before the order is routed.
TEST_F(TradeCli, AKilledRunHasPrintedTheNumberOfEveryOrderTheLedgerHolds) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const std::string cli = testing::CliPath();
  const std::string seed = "7", stocks = "40", date = "20261208", at = "10:00:00";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    close(out[0]);
    execl(cli.c_str(), cli.c_str(), "order", "buy", code.c_str(), "10", "--market", "--run", "86400", "--seed",
          seed.c_str(), "--stocks", stocks.c_str(), "--date", date.c_str(), "--at", at.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* in = fdopen(out[0], "r");
  char line[256] = {};
  const bool got = std::fgets(line, sizeof line, in) != nullptr;
  int status = 0;
  const pid_t ended = waitpid(child, &status, WNOHANG);
  kill(child, SIGKILL);
  if (ended == 0) waitpid(child, &status, 0);
  std::fclose(in);
  ASSERT_TRUE(got);
  EXPECT_EQ(ended, 0) << "the first line came only when the run was over";
  int32_t number = 0;
  ASSERT_EQ(std::sscanf(line, "주문번호 : %d", &number), 1) << line;

  std::string problem;
  auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                       problem);
  ASSERT_TRUE(ledger) << problem;
  EXPECT_TRUE(ledger->Order(20261208, number).has_value());
  EXPECT_FALSE(ledger->Order(20261208, number + 1).has_value()) << "an order whose number was never printed";
}

}  // namespace
}  // namespace ostrada
