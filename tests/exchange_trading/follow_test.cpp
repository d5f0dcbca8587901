// A process on the paper ledger sees what the others did: an order a command line places, cancels or
// fills reaches the program's books and its order-event listeners as the program's own do, and an
// order is filled once whichever process holds it.
#include <gtest/gtest.h>

#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

TEST(FollowOthers, OrdersCancelsAndFillsOfAnotherProcessReachThisOne) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  TradingSession program(Trading(ledger));
  ASSERT_EQ(program.Login(), 0);
  NoticeRecorder& told = program.Listen();
  const std::string code = program.TradableCodes().front();
  int32_t resting = 0, cancel = 0, bought = 0;
  {
    // The command line: a resting buy, a part of it cancelled, and a buy that fills at once.
    TradingSession commandLine(Trading(ledger));
    ASSERT_EQ(commandLine.Login(), 0);
    const auto [ask, bid] = commandLine.Best(code);
    resting = commandLine.Order('2', code, 5, bid).number;
    ASSERT_GT(resting, 0);
    cancel = commandLine.Amend(true, resting, code, 2).number;
    ASSERT_GT(cancel, 0);
    bought = commandLine.Order('2', code, 3, ask).number;
    ASSERT_GT(bought, 0);
  }
  EXPECT_EQ(told.Kinds(), "") << "nothing is told before the program's pump";
  program.TheExchange().Advance(50);
  // Acceptance of the resting buy; acceptance and confirmation of the cancel; acceptance and fill of
  // the marketable buy.
  ASSERT_EQ(told.Kinds(), "44241");
  EXPECT_EQ(told.notices[0].number, resting);
  EXPECT_EQ(told.notices[0].quantity, 5);
  EXPECT_EQ(told.notices[1].number, cancel);
  EXPECT_EQ(told.notices[1].quantity, 2);
  EXPECT_EQ(told.notices[3].number, bought);
  EXPECT_EQ(told.notices[4].number, bought);
  EXPECT_EQ(told.notices[4].quantity, 3);

  // The command line is gone; its resting remainder trades in the program's book, and only once.
  for (int minute = 0; minute < 360 && told.Kinds().size() == 5; ++minute) program.TheExchange().Advance(60'000);
  ASSERT_GT(told.Kinds().size(), 5u) << "the resting buy should meet the market within the day";
  std::string problem;
  auto book = PaperLedger::Open(ledger, PaperAccountNumbers(), 0, FeeRates{}, problem);
  const PaperOrder order = *book->Order(kTradingDate, resting);
  EXPECT_EQ(order.filled, 3);
  EXPECT_EQ(order.withdrawn, 2);
  int32_t toldFilled = 0;
  for (size_t i = 5; i < told.notices.size(); ++i) {
    EXPECT_EQ(told.notices[i].kind, "1");
    EXPECT_EQ(told.notices[i].number, resting);
    toldFilled += told.notices[i].quantity;
  }
  EXPECT_EQ(toldFilled, 3);
  EXPECT_EQ(program.Holdings().at(0).quantity, 6);
}

// A command line ran the account's clock on to 14:00 and left buys there; the program, still in the
// morning, must not fill them at a morning moment, however low the morning traded.
TEST(FollowOthers, AnOrderEnteredLaterThanThisMarketWaitsForItsMoment) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  TradingSession program(Trading(ledger));
  ASSERT_EQ(program.Login(), 0);
  const std::vector<std::string> codes = program.TradableCodes();
  {
    TradingSession commandLine(TradingAt(14, 0, ledger));
    ASSERT_EQ(commandLine.Login(), 0);
    for (size_t i = 0; i < 8; ++i) ASSERT_EQ(commandLine.Order('2', codes[i], 10, commandLine.Best(codes[i]).second).status, 0);
  }
  for (int minute = 0; minute < 5 * 60 + 30; ++minute) program.TheExchange().Advance(60'000);
  std::string problem;
  auto book = PaperLedger::Open(ledger, PaperAccountNumbers(), 0, FeeRates{}, problem);
  ASSERT_NE(book, nullptr) << problem;
  for (const PaperFill& fill : book->Fills()) EXPECT_GE(fill.timeMs, 14 * 3'600'000) << "order " << fill.number;
}

}  // namespace
}  // namespace ostrada::sim::testing
