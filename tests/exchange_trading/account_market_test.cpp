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

// Shares bought where the listing held a stock that this exchange's listing does not (another listing
// size on the same ledger) are still the account's: the holdings list names them by their code. An
// empty name would end the client's list there and hide them and every holding after them.
TEST(AccountMarket, AHoldingOutsideTheListingIsListedByItsCode) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  { TradingSession first(Trading(path)); }
  std::string listed;
  {
    TradingSession session(Trading(path));
    listed = session.TradableCodes().front();
  }
  const std::string unlisted = "A000001";  // before every listed code, so its row comes first
  ASSERT_LT(unlisted, listed);
  {
    std::string problem;
    auto ledger = PaperLedger::Open(path, PaperAccountNumbers(), 0, FeeRates{}, problem);
    ASSERT_TRUE(ledger) << problem;
    for (const auto& [code, quantity] : {std::pair{unlisted, 4}, std::pair{listed, 6}}) {
      const int32_t number = WriteOrder(*ledger, code, Side::kBuy, OrderKind::kOrdinary, quantity);
      ASSERT_EQ(ledger->RecordFill(kTradingDate, number, 0, 1000, quantity, 36'000'000, {kTradingDate, 36'000'000})
                    .quantity,
                quantity);
    }
  }
  TradingSession session(Trading(path));
  ASSERT_EQ(session.Login(), 0);
  const std::vector<TradingSession::HoldingRow> rows = session.Holdings();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].code, unlisted);
  EXPECT_EQ(rows[0].name, unlisted);
  EXPECT_EQ(rows[0].quantity, 4);
  EXPECT_EQ(rows[1].code, listed);
  EXPECT_FALSE(rows[1].name.empty());
  EXPECT_NE(rows[1].name, listed) << "a listed stock keeps its name";
  EXPECT_EQ(rows[1].quantity, 6);
}

}  // namespace
}  // namespace ostrada::sim::testing
