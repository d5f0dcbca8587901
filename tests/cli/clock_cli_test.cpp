// ostrada-cli clock and account new: the paper account's clock moves only forward, by the steps it
// offers, to a time, to the close or to a later trading day's pre-open, printing the fills on the
// way; a new practice account keeps the ledger before it under its dates. Bad input is told in Korean
// and moves nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "broker/sim/market/listing.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stopped_exchange.h"

namespace ostrada {
namespace {

using testing::RunCli;

constexpr char kMarket[] = " --seed 7 --stocks 40";

class ClockCli : public ::testing::Test {
 protected:
  // An order waiting for the opening auction puts the account's clock at 08:50 of 2026-12-08.
  void SetUp() override {
    const auto placed = RunCli("order buy " + code + " 10 --market --date 20261208 --at 08:50:00" + kMarket);
    ASSERT_EQ(placed.exitCode, 0) << placed.output;
  }
  nlohmann::json Clock() {
    const auto shown = RunCli(std::string("clock --json") + kMarket);
    EXPECT_EQ(shown.exitCode, 0) << shown.output;
    return nlohmann::json::parse(shown.output, nullptr, false);
  }
  std::string Ledger() const { return folder + "paper.sqlite"; }

  testing::ScratchFolder scratch;
  std::string folder = scratch.Path() + "/";
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", folder.c_str()};
  std::string code = TradableCode();

 private:
  static std::string TradableCode() {
    const sim::Listing listing = sim::Listing::Build(7, 40);
    for (const sim::ListedStock& stock : listing.All()) {
      if (stock.class5 != '1' && stock.commonCode.empty() && stock.liquidity >= 6) return stock.code;
    }
    return {};
  }
};

TEST_F(ClockCli, MovesForwardByStepsToTimesToTheCloseAndAcrossTheWeekendPrintingTheFills) {
  nlohmann::json clock = Clock();
  EXPECT_EQ(clock["clock"], "2026-12-08 08:50:00");
  EXPECT_EQ(clock["session"], "동시호가");

  const auto opened = RunCli(std::string("clock advance --by 10m") + kMarket);
  ASSERT_EQ(opened.exitCode, 0) << opened.output;
  EXPECT_NE(opened.output.find("2026-12-08 08:50:00 에서 2026-12-08 09:00:00 로"), std::string::npos) << opened.output;
  EXPECT_NE(opened.output.find("장 상태: 장중"), std::string::npos) << opened.output;
  // The order waiting for the auction filled at the auction's moment.
  EXPECT_NE(opened.output.find("체결시각 09:00:00  주문번호 1  종목코드 " + code), std::string::npos) << opened.output;
  EXPECT_NE(opened.output.find("구분 매수  수량 10"), std::string::npos) << opened.output;

  const auto quiet = RunCli(std::string("clock advance --to 10:30") + kMarket);
  ASSERT_EQ(quiet.exitCode, 0) << quiet.output;
  EXPECT_NE(quiet.output.find("가는 동안 체결된 주문이 없습니다."), std::string::npos) << quiet.output;

  const auto closed = RunCli(std::string("clock advance --to-close --json") + kMarket);
  ASSERT_EQ(closed.exitCode, 0) << closed.output;
  clock = nlohmann::json::parse(closed.output, nullptr, false);
  EXPECT_EQ(clock["from"], "2026-12-08 10:30:00");
  EXPECT_EQ(clock["clock"], "2026-12-08 15:00:00");
  EXPECT_EQ(clock["session"], "장 마감");
  EXPECT_TRUE(clock["fills"].empty());
  const auto again = RunCli(std::string("clock advance --to-close") + kMarket);
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.output.find("장 마감 후이거나 휴장일입니다"), std::string::npos) << again.output;

  // Wednesday's pre-open, then three trading days on: Thursday, Friday, and past the weekend Monday.
  ASSERT_EQ(RunCli(std::string("clock advance --next-day") + kMarket).exitCode, 0);
  EXPECT_EQ(Clock()["clock"], "2026-12-09 08:00:00");
  ASSERT_EQ(RunCli(std::string("clock advance --next-day --days 3") + kMarket).exitCode, 0);
  clock = Clock();
  EXPECT_EQ(clock["clock"], "2026-12-14 08:00:00");
  EXPECT_EQ(clock["session"], "동시호가");
  // The holding came through the nights.
  const auto account = RunCli(std::string("account --json") + kMarket);
  EXPECT_NE(account.output.find("\"quantity\":10,"), std::string::npos) << account.output;
}

class ClockCliRefuses : public ClockCli, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(ClockCliRefuses, BadInputAndMovesNothing) {
  const auto refused = RunCli(std::string("clock advance ") + GetParam().first + kMarket);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find(GetParam().second), std::string::npos) << refused.output;
  EXPECT_EQ(Clock()["clock"], "2026-12-08 08:50:00");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClockCliRefuses,
    ::testing::Values(std::make_pair("--by 5m", "1m, 10m, 1h 만큼만 움직일 수 있습니다: 5m"),
                      std::make_pair("--by 10", "만큼만 움직일 수 있습니다: 10"),
                      std::make_pair("--to 24:00", "HH:MM 또는 HH:MM:SS 로 지정하십시오: 24:00"),
                      std::make_pair("--to 08:49:59", "시각은 2026-12-08 08:50:00 입니다. 시계는 앞으로만"),
                      std::make_pair("--by 10m --to-close", "중 하나를 지정하십시오"),
                      std::make_pair("--days 2", "--next-day 와 함께만"),
                      std::make_pair("--next-day --days 0", "--days"), std::make_pair("", "중 하나를")));

TEST_F(ClockCli, AJumpWhileAnotherProcessWritesTheLedgerMovesNothing) {
  {
    sim::SqliteDb other(Ledger(), false);
    other.Execute("BEGIN IMMEDIATE");
    const auto refused = RunCli(std::string("clock advance --to-close") + kMarket);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("다른 프로그램이 원장을 쓰고 있습니다"), std::string::npos) << refused.output;
    other.Execute("COMMIT");
  }
  EXPECT_EQ(Clock()["clock"], "2026-12-08 08:50:00");
}

TEST_F(ClockCli, ANewPracticeAccountKeepsTheLedgerBeforeItUnderItsDatesNeverOverwriting) {
  const auto started = RunCli("account new --date 20250304 --time 10:00 --cash 5000000 --seed 7");
  ASSERT_EQ(started.exitCode, 0) << started.output;
  EXPECT_NE(started.output.find("paper-20261208-20261208.sqlite"), std::string::npos) << started.output;
  EXPECT_NE(started.output.find("2025-03-04 10:00:00 에 예수금 5,000,000원"), std::string::npos) << started.output;
  EXPECT_EQ(Clock()["clock"], "2025-03-04 10:00:00");
  const auto account = RunCli(std::string("account --json") + kMarket);
  EXPECT_NE(account.output.find("\"totalDeposit\":5000000,"), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("\"holdings\":[]"), std::string::npos) << account.output;

  for (int twice = 0; twice < 2; ++twice)
    ASSERT_EQ(RunCli("account new --date 20250304 --seed 7").exitCode, 0);
  const auto kept = RunCli("account kept --json");
  ASSERT_EQ(kept.exitCode, 0) << kept.output;
  const nlohmann::json ledgers = nlohmann::json::parse(kept.output, nullptr, false);
  ASSERT_EQ(ledgers.size(), 3u) << kept.output;
  EXPECT_EQ(ledgers[0]["ledger"], folder + "paper-20250304-20250304-2.sqlite");
  EXPECT_EQ(ledgers[1]["ledger"], folder + "paper-20250304-20250304.sqlite");
  EXPECT_EQ(ledgers[2]["ledger"], folder + "paper-20261208-20261208.sqlite");
  EXPECT_EQ(ledgers[2]["first"], 20261208);
  // The kept account opens again, with its holding.
  const auto earlier = RunCli("account --json --ledger " + ledgers[2]["ledger"].get<std::string>() + kMarket);
  EXPECT_NE(earlier.output.find("\"code\":\"" + code + "\""), std::string::npos) << earlier.output;
}

class PracticeCliRefuses : public ClockCli, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
};

TEST_P(PracticeCliRefuses, ADateOutsideTheHistoryAndChangesNothing) {
  const auto refused = RunCli(std::string("account new ") + GetParam().first);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find(GetParam().second), std::string::npos) << refused.output;
  EXPECT_EQ(Clock()["clock"], "2026-12-08 08:50:00");
  EXPECT_FALSE(std::filesystem::exists(folder + "paper-20261208-20261208.sqlite"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PracticeCliRefuses,
    ::testing::Values(std::make_pair("--date 20241031", "2024-11-01 부터"),  // before the market's first day
                      std::make_pair("--date 20250301", "시장이 열린 날로 지정하십시오: 2025-03-01"),  // a Saturday
                      std::make_pair("--date 20250303", "시장이 열린 날로"),  // the substitute holiday
                      std::make_pair("--date 20991201", "시장이 열린 날로"),  // not yet
                      std::make_pair("--date 20250230", "20250230"),          // no such day
                      std::make_pair("--date 20250304 --time 9:75", "HH:MM 또는 HH:MM:SS")));

TEST_F(ClockCli, ANewPracticeAccountWaitsForTheProgramHoldingTheLedger) {
  {
    sim::SqliteDb program(Ledger(), false);
    program.QueryInt("SELECT count(*) FROM orders");
    const auto refused = RunCli("account new --date 20250304");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("그 프로그램을 닫고 다시 하십시오"), std::string::npos) << refused.output;
  }
  EXPECT_EQ(Clock()["clock"], "2026-12-08 08:50:00");
  EXPECT_FALSE(std::filesystem::exists(folder + "paper-20261208-20261208.sqlite"));
}

}  // namespace
}  // namespace ostrada
