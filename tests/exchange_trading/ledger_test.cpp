#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/paper/paper_ledger.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

ExchangeOptions OnDate(const std::string& ledger, int32_t date) {
  ExchangeOptions options = Trading(ledger);
  options.tradingDate = date;
  return options;
}

TEST(Ledger, ARestartKeepsCashHoldingsAndOpenOrdersAndResumesTheClock) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  std::string code;
  int64_t deposit = 0;
  int32_t resting = 0;
  int64_t stoppedAt = 0;
  {
    TradingSession session(Trading(ledger));
    ASSERT_EQ(session.Login(), 0);
    code = session.TradableCodes().front();
    session.TheExchange().Advance(3'600'000);
    ASSERT_EQ(session.Order('2', code, 10, session.Best(code).first).status, 0);
    resting = session.Order('2', code, 5, TicksFrom(session.Best(code).second, -2)).number;
    ASSERT_GT(resting, 0);
    deposit = session.Deposit();
    stoppedAt = session.TheExchange().Clock().TimeOfDay();
  }
  TradingSession again(Trading(ledger));
  ASSERT_EQ(again.Login(), 0);
  EXPECT_EQ(again.TheExchange().Clock().TimeOfDay(), stoppedAt) << "the session resumes where the last one ended";
  EXPECT_EQ(again.Deposit(), deposit);
  ASSERT_EQ(again.Holdings().size(), 1u);
  EXPECT_EQ(again.Holdings()[0].quantity, 10);
  const auto unfilled = again.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u);
  EXPECT_EQ(unfilled[0].number, resting);
  const OrderReply next = again.Order('2', code, 1, again.Best(code).second);
  EXPECT_GT(next.number, resting) << "numbers keep rising through the day";
  // The re-entered order sits in the book again: cancelling it takes it out of there.
  EXPECT_EQ(again.Amend(true, resting, code, 5).status, 0);

  // An older date cannot take the ledger's clock back either.
  TradingSession older(OnDate(ledger, kTradingDate - 1));
  EXPECT_EQ(older.TheExchange().Clock().Date(), kTradingDate);
}

TEST(Ledger, ANewTradingDayExpiresOpenOrdersAndCarriesHoldingsAndCash) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  int64_t deposit = 0;
  std::string code;
  {
    TradingSession session(Trading(ledger));
    ASSERT_EQ(session.Login(), 0);
    code = session.TradableCodes().front();
    ASSERT_EQ(session.Order('2', code, 4, session.Best(code).first).status, 0);
    const auto [ask, bid] = session.Best(code);
    ASSERT_EQ(session.Order('2', code, 5, TicksFrom(bid, -3)).status, 0);
    ASSERT_EQ(session.Order('1', code, 2, TicksFrom(ask, 3)).status, 0);
    deposit = session.Deposit();
  }
  TradingSession tomorrow(OnDate(ledger, 20261209));
  ASSERT_EQ(tomorrow.Login(), 0);
  EXPECT_TRUE(tomorrow.Unfilled().empty());
  EXPECT_EQ(tomorrow.Deposit(), deposit);
  auto query = tomorrow.Buyable(code, 0);
  EXPECT_EQ(query->HeaderValue(9).ToI4(), deposit) << "expired orders hold no cash";
  ASSERT_EQ(tomorrow.Holdings().size(), 1u);
  EXPECT_EQ(tomorrow.Holdings()[0].quantity, 4);
  EXPECT_EQ(tomorrow.Order('1', code, 4, tomorrow.Best(code).second).status, 0) << "expired sells offer nothing";
  const OrderReply first = tomorrow.Order('2', code, 1, tomorrow.Best(code).second);
  EXPECT_EQ(first.number, 2) << "numbers start again each day";
}

class DamagedLedger : public ::testing::TestWithParam<int> {};

TEST_P(DamagedLedger, IsReportedInKoreanAndLeftUntouched) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  if (GetParam() == 0) {
    std::ofstream(ledger, std::ios::binary) << std::string(4096, '\x5a');
  } else if (GetParam() == 1) {
    SqliteDb other(ledger, true);
    other.Execute("CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('mine')");
  } else if (GetParam() == 3) {
    // A file of no bytes that nobody is creating: never made a new account.
    std::ofstream(ledger, std::ios::binary).flush();
    std::filesystem::last_write_time(ledger, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  } else {
    // A real ledger whose table pages after the first were overwritten.
    { TradingSession session(Trading(ledger)); }
    std::fstream file(ledger, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(4096);
    file << std::string(4 * 4096, '\x01');
  }
  const std::string before = Bytes(ledger);
  TradingSession session(Trading(ledger));
  const std::string problem = Cp949ToUtf8(session.TheExchange().PaperProblem());
  EXPECT_NE(problem.find("모의투자 원장 파일이 손상되었거나"), std::string::npos) << problem;
  EXPECT_NE(problem.find(ledger), std::string::npos);
  // A view refuses it alike.
  std::string viewProblem;
  EXPECT_FALSE(PaperLedger::OpenToRead(ledger, FeeRates{}, viewProblem));
  EXPECT_NE(Cp949ToUtf8(viewProblem).find("모의투자 원장 파일이 손상되었거나"), std::string::npos)
      << Cp949ToUtf8(viewProblem);
  try {
    session.Login();
    ADD_FAILURE() << "a damaged ledger must not log in";
  } catch (const broker::ComError& error) {
    EXPECT_EQ(error.Description(), session.TheExchange().PaperProblem());
  }
  EXPECT_EQ(Bytes(ledger), before);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedLedger, ::testing::Values(0, 1, 2, 3));

TEST(Ledger, AFolderThatCannotHoldTheLedgerIsReported) {
  TradingSession session(Trading("/nonexistent-folder/paper.sqlite"));
  EXPECT_NE(Cp949ToUtf8(session.TheExchange().PaperProblem()).find("열 수 없습니다"), std::string::npos);
  EXPECT_THROW(session.Login(), broker::ComError);
}

TEST(Ledger, AProcessThatMeetsAnotherCreatingTheLedgerWaitsForIt) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  // Another process has the new file and is writing it, not yet in WAL mode: SQLite answers a switch
  // to WAL with "busy" at once. Its write ends a moment later.
  SqliteDb other(path, true);
  other.Execute("BEGIN IMMEDIATE; CREATE TABLE pending(x)");
  std::thread finishing([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    other.Execute("DROP TABLE pending; COMMIT");
  });
  std::string problem;
  auto ledger = PaperLedger::Open(path, {kAccount}, 7'000'000, FeeRates{}, problem);
  finishing.join();
  ASSERT_TRUE(ledger) << Cp949ToUtf8(problem);
  EXPECT_EQ(ledger->Cash(kAccount), 7'000'000);
}

TEST(Ledger, TwoExchangesOnOneLedgerShareTheAccount) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  TradingSession program(Trading(ledger));
  ExchangeOptions options = Trading(ledger);
  Exchange commandLine(options);
  ASSERT_EQ(program.Login(), 0);
  const std::string code = program.TradableCodes().front();
  const int32_t bid = program.Best(code).second;
  ASSERT_EQ(program.Order('2', code, 3, bid).status, 0);
  {
    broker::ScopedServer other(commandLine);
    auto utility = broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility);
    ASSERT_EQ(utility->Initialise(0), 0);
    auto order = broker::CreateAs<broker::ITradeRequest>(broker::clsid::kBuySellOrder);
    order->SetInput(0, broker::Variant::Text("2"));
    order->SetInput(1, broker::Variant::Text(kAccount));
    order->SetInput(3, broker::Variant::Text(code));
    order->SetInput(4, broker::Variant::I4(2));
    order->SetInput(5, broker::Variant::I4(bid));
    order->SetInput(8, broker::Variant::Text("01"));
    ASSERT_EQ(order->Request(), 0);
    EXPECT_EQ(order->HeaderValue(8).ToI4(), 2) << "one sequence of numbers for both";
  }
  const auto unfilled = program.Unfilled();
  ASSERT_EQ(unfilled.size(), 2u);
}

TEST(Ledger, ALedgerThatCannotBeReadRefusesTheQueryAndKeepsTheOrder) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  TradingSession session(Trading(ledger));
  ASSERT_EQ(session.Login(), 0);
  const std::string code = session.TradableCodes().front();
  session.TheExchange().Advance(3'600'000);
  const int32_t resting = session.Order('2', code, 5, TicksFrom(session.Best(code).second, -2)).number;
  ASSERT_GT(resting, 0);
  SqliteDb db(ledger, false);
  db.Execute("UPDATE orders SET side = '9'");  // a row no ledger writes: it cannot be read back

  auto list = session.Trade(broker::clsid::kUnfilledOrders);
  list->SetInput(0, broker::Variant::Text(kAccount));
  list->SetInput(7, broker::Variant::I4(20));
  EXPECT_EQ(list->Request(), 23) << "the ledger's refusal, not a failing call";
  EXPECT_EQ(Cp949ToUtf8(list->StatusText1()).rfind("조회 요청이 처리되지 않았습니다.", 0), 0u);  // padded with blanks
  EXPECT_EQ(Cp949ToUtf8(list->StatusText2()).rfind("모의투자 원장을 읽지 못했습니다. ", 0), 0u)
      << Cp949ToUtf8(list->StatusText2());
  EXPECT_EQ(list->HeaderValue(5).ToText(), "") << "a refusal carries no rows or count";
  EXPECT_TRUE(session.Sink().messages.empty()) << "the server answers; it never opens the client's boxes";

  db.Execute("UPDATE orders SET side = '2'");
  const auto unfilled = session.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u) << "the refused query lost nothing";
  EXPECT_EQ(unfilled[0].number, resting);
  EXPECT_EQ(unfilled[0].unfilled, 5);
}

}  // namespace
}  // namespace ostrada::sim::testing
