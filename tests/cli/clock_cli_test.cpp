// ostrada-cli clock and account new / open: the paper account's clock moves only forward, by the steps
// it offers, to a time, to the close or to a later trading day's pre-open, printing the fills on the
// way and the standing conditions that acted there (at the tape's first contract meeting each); a new
// practice account keeps the ledger before it under its dates, and a kept one opens again in its
// place. Bad input is told in Korean and moves nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/support/cli.h"
#include "tests/support/common_share.h"
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
  std::string code = testing::FirstCommonShare(7, 40, 6);
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

// The code's price on 2026-12-08 at `afterMs` and its continuous-session contracts after it, from a
// market of the test's own.
struct Tape {
  int32_t price = 0;
  std::vector<sim::Trade> contracts;
  template <typename Meets>
  sim::Trade First(Meets meets) const {
    for (const sim::Trade& c : contracts) {
      if (meets(c.price)) return c;
    }
    return {};
  }
};
Tape TapeAfter(const std::string& code, int32_t afterMs) {
  sim::Market market(sim::ProfilesOf(sim::Listing::Build(7, 40)), 7);
  market.Sync(20261208, sim::kCloseMs);
  sim::StockDay& day = market.Day(market.Find(code));
  std::vector<sim::Trade> records;
  day.Records(0, day.CountAt(sim::kCloseMs), records);
  Tape tape{day.StateAt(afterMs).price, {}};
  for (const sim::Trade& r : records) {
    if (r.phase == sim::Phase::kRegular && r.timeMs > afterMs && r.timeMs < sim::kClosingAuctionMs)
      tape.contracts.push_back(r);
  }
  return tape;
}

std::string Hhmmss(int32_t ms) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60);
  return text;
}

TEST_F(ClockCli, AJumpPrintsTheConditionsThatActedAtTheTapesFirstContractMeetingThem) {
  constexpr int32_t kSetMs = 9 * 3'600'000 + 10 * 60'000;
  ASSERT_EQ(RunCli("clock advance --to " + Hhmmss(kSetMs) + kMarket).exitCode, 0);
  // A stop and an alert halfway from the price at 09:10 to the day's low and high after it.
  const Tape tape = TapeAfter(code, kSetMs);
  const int32_t price = tape.price;
  int32_t low = price;
  int32_t high = price;
  for (const sim::Trade& c : tape.contracts) {
    low = std::min(low, c.price);
    high = std::max(high, c.price);
  }
  int32_t stop = sim::TickAtOrBelow((price + low) / 2);
  if (stop >= price) stop = low;
  int32_t alert = sim::TickAtOrBelow((price + high) / 2);
  if (alert <= price) alert = high;
  ASSERT_LT(stop, price);
  ASSERT_GT(alert, price);
  ASSERT_EQ(RunCli("watch add stop " + code + " --price " + std::to_string(stop) + kMarket).exitCode, 0);
  ASSERT_EQ(RunCli("watch add alert " + code + " --above --price " + std::to_string(alert) + kMarket).exitCode, 0);
  const sim::Trade stopMet = tape.First([&](int32_t p) { return p <= stop; });
  const sim::Trade alertMet = tape.First([&](int32_t p) { return p >= alert; });
  ASSERT_GT(stopMet.price, 0);
  ASSERT_GT(alertMet.price, 0);
  const bool stopFirst = stopMet.timeMs < alertMet.timeMs;
  const sim::Trade& first = stopFirst ? stopMet : alertMet;
  const sim::Trade& second = stopFirst ? alertMet : stopMet;
  const int32_t landing = (first.timeMs / 1000 + 1) * 1000;
  ASSERT_LT(landing, second.timeMs);

  // The text names the first to act and only it.
  const auto text = RunCli("clock advance --to " + Hhmmss(landing) + kMarket);
  ASSERT_EQ(text.exitCode, 0) << text.output;
  const std::string firstLine = stopFirst ? "감시번호 1  손절" : "감시번호 2  가격 알림";
  EXPECT_NE(text.output.find(firstLine), std::string::npos) << text.output;
  EXPECT_NE(text.output.find(Hhmmss(first.timeMs)), std::string::npos) << text.output;
  EXPECT_EQ(text.output.find(stopFirst ? "감시번호 2" : "감시번호 1"), std::string::npos) << text.output;

  // The JSON gives the other at its contract.
  const auto json = RunCli(std::string("clock advance --to-close --json") + kMarket);
  ASSERT_EQ(json.exitCode, 0) << json.output;
  const nlohmann::json watches = nlohmann::json::parse(json.output, nullptr, false)["watches"];
  ASSERT_EQ(watches.size(), 1u) << json.output;
  EXPECT_EQ(watches[0]["id"], stopFirst ? 2 : 1);
  EXPECT_EQ(watches[0]["state"], "fired");
  EXPECT_EQ(watches[0]["contractPrice"], second.price);
  EXPECT_EQ(watches[0]["ended"], "2026-12-08 " + Hhmmss(second.timeMs));
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
  EXPECT_EQ(ledgers[2]["clock"], "2026-12-08 08:50:00");
  // It becomes the current account again, and the one before it is kept in its turn.
  const auto reopened = RunCli("account open " + ledgers[2]["ledger"].get<std::string>());
  ASSERT_EQ(reopened.exitCode, 0) << reopened.output;
  EXPECT_NE(reopened.output.find("시계 2026-12-08 08:50:00"), std::string::npos) << reopened.output;
  EXPECT_EQ(Clock()["clock"], "2026-12-08 08:50:00");
  EXPECT_FALSE(std::filesystem::exists(ledgers[2]["ledger"].get<std::string>()));
  EXPECT_TRUE(std::filesystem::exists(folder + "paper-20250304-20250304-3.sqlite"));
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
