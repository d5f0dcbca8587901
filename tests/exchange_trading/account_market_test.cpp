// One market and one clock per paper account: a new ledger draws its market's seed and keeps it,
// another seed's exchange does not trade on it, and every exchange on the ledger follows the clock
// forward when another moves it.
#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

std::optional<uint64_t> SeedOf(const std::string& path) {
  std::string problem;
  auto ledger = PaperLedger::Open(path, PaperAccountNumbers(), 0, FeeRates{}, problem);
  return ledger ? ledger->MarketSeed() : std::nullopt;
}

TEST(AccountMarket, ANewLedgerDrawsItsOwnMarketAndKeepsIt) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  ExchangeOptions options = Trading(ledger);
  options.paper.drawSeed = true;
  std::string code;
  int32_t price = 0;
  {
    TradingSession first(options);
    ASSERT_EQ(first.Login(), 0);
    code = first.TradableCodes().front();
    price = first.Best(code).first;
  }
  const std::optional<uint64_t> seed = SeedOf(ledger);
  ASSERT_TRUE(seed);
  EXPECT_NE(*seed, options.seed) << "drawn, not the exchange's";
  // The same codes as the named market's listing, another market's prices.
  TradingSession named(Trading());
  EXPECT_EQ(named.TradableCodes().front(), code);
  TradingSession again(options);
  EXPECT_EQ(again.Best(code).first, price) << "the kept market, not a new draw";
  EXPECT_EQ(SeedOf(ledger), seed);
}

TEST(AccountMarket, AnotherSeedsExchangeDoesNotTradeOnTheAccount) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  { TradingSession first(Trading(ledger)); }
  EXPECT_EQ(SeedOf(ledger), Trading().seed) << "a named seed is kept by a new ledger";
  ExchangeOptions other = Trading(ledger);
  other.seed = 8;
  TradingSession session(other);
  EXPECT_NE(Cp949ToUtf8(session.TheExchange().PaperProblem()).find("다른 시드(--seed)로는 주문할 수 없습니다"),
            std::string::npos);
  EXPECT_THROW(session.Login(), broker::ComError);
  EXPECT_EQ(SeedOf(ledger), Trading().seed);
}

TEST(AccountMarket, EveryExchangeOnTheLedgerFollowsItsClockForwardNeverBack) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  int64_t wall = KoreanUnixMilliseconds(kTradingDate, 8 * kMillisecondsPerHour);
  ExchangeOptions options = Trading(ledger);
  options.wallClock = [&wall] { return wall; };
  Exchange program(options);
  Exchange commandLine(options);
  const int64_t open = program.Clock().TimeOfDay();
  ASSERT_EQ(open, 9 * kMillisecondsPerHour);
  // A command line runs the account's market on for an hour.
  commandLine.Advance(kMillisecondsPerHour);
  wall += 50;
  program.Pump();
  EXPECT_EQ(program.Clock().TimeOfDay(), 10 * kMillisecondsPerHour) << "the program follows the account's clock";
  // A process behind the clock never takes it back.
  Exchange late(options);
  EXPECT_EQ(late.Clock().TimeOfDay(), 10 * kMillisecondsPerHour);
  program.Advance(60'000);
  wall += 50;
  commandLine.Pump();
  EXPECT_EQ(commandLine.Clock().TimeOfDay(), 10 * kMillisecondsPerHour + 60'000);
  std::string problem;
  EXPECT_EQ(PaperLedger::Open(ledger, PaperAccountNumbers(), 0, FeeRates{}, problem)->LastSeen().timeMs,
            10 * kMillisecondsPerHour + 60'000);
}

}  // namespace
}  // namespace ostrada::sim::testing
