// Every ledger already written holds an order's side, kind and state as single characters, and a
// partial index selects open sells by them: the values inside the exchange may change their form,
// the stored characters may not.
#include <gtest/gtest.h>

#include "broker/sim/paper/paper_ledger.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

const std::string kCode = "A000010";

std::unique_ptr<PaperLedger> OpenLedger(const std::string& path) {
  std::string problem;
  auto ledger = PaperLedger::Open(path, {kAccount}, 10'000'000, FeeRates{}, problem);
  EXPECT_TRUE(ledger) << problem;
  return ledger;
}

int32_t Insert(PaperLedger& ledger, Side side, OrderKind kind, int32_t quantity, OrderState state = OrderState::kOpen) {
  return WriteOrder(ledger, kCode, side, kind, quantity, state);
}

// The side, kind and state columns of an order as stored.
std::string Stored(SqliteDb& db, int32_t number) {
  return db.QueryText("SELECT side || kind || state FROM orders WHERE number = " + std::to_string(number));
}

TEST(LedgerCodes, EachValueIsStoredAsTheCharacterLedgersHoldAndReadBack) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  auto ledger = OpenLedger(path);
  ASSERT_TRUE(ledger);
  const int32_t filled = Insert(*ledger, Side::kBuy, OrderKind::kOrdinary, 2);
  ASSERT_EQ(ledger->RecordFill(kTradingDate, filled, 0, 1000, 2, 36'000'000, {kTradingDate, 36'000'000}).quantity, 2);
  const int32_t sell = Insert(*ledger, Side::kSell, OrderKind::kOrdinary, 1);
  const int32_t closed = Insert(*ledger, Side::kBuy, OrderKind::kOrdinary, 3);
  {
    auto transaction = ledger->Begin();
    ledger->Withdraw(*ledger->Order(kTradingDate, closed), 3, *transaction);
    transaction->Commit();
  }
  const int32_t modify = Insert(*ledger, Side::kBuy, OrderKind::kModify, 3);
  ledger->Expire(kTradingDate, modify);
  const int32_t cancel = Insert(*ledger, Side::kBuy, OrderKind::kCancel, 3, OrderState::kRecorded);

  SqliteDb db(path, false);
  EXPECT_EQ(Stored(db, filled), "21F");
  EXPECT_EQ(Stored(db, sell), "11O");
  EXPECT_EQ(Stored(db, closed), "21C");
  EXPECT_EQ(Stored(db, modify), "22X");
  EXPECT_EQ(Stored(db, cancel), "23D");
  EXPECT_EQ(db.QueryText("SELECT sql FROM sqlite_master WHERE name = 'open_sells'"),
            "CREATE INDEX open_sells ON orders(account, code, quantity, filled, withdrawn) "
            "WHERE state = 'O' AND side = '1'");

  EXPECT_EQ(ledger->Order(kTradingDate, filled)->state, OrderState::kFilled);
  const PaperOrder open = *ledger->Order(kTradingDate, sell);
  EXPECT_EQ(open.side, Side::kSell);
  EXPECT_EQ(open.kind, OrderKind::kOrdinary);
  EXPECT_EQ(open.state, OrderState::kOpen);
  EXPECT_EQ(ledger->Order(kTradingDate, closed)->state, OrderState::kClosed);
  const PaperOrder expired = *ledger->Order(kTradingDate, modify);
  EXPECT_EQ(expired.kind, OrderKind::kModify);
  EXPECT_EQ(expired.state, OrderState::kExpired);
  const PaperOrder recorded = *ledger->Order(kTradingDate, cancel);
  EXPECT_EQ(recorded.side, Side::kBuy);
  EXPECT_EQ(recorded.kind, OrderKind::kCancel);
  EXPECT_EQ(recorded.state, OrderState::kRecorded);
  // The queries that select by the stored characters find what they should.
  EXPECT_EQ(ledger->OpenOrderCount(kAccount, kTradingDate), 1);
  EXPECT_EQ(ledger->Offered(kAccount, kCode), 1);
}

TEST(LedgerCodes, AnOrderStoredWithACharacterNoLedgerWritesIsReportedNotGuessed) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  auto ledger = OpenLedger(path);
  ASSERT_TRUE(ledger);
  const int32_t number = Insert(*ledger, Side::kBuy, OrderKind::kOrdinary, 1);
  SqliteDb db(path, false);
  for (const char* damage : {"side = '9'", "kind = '7'", "state = 'Q'", "state = ''", "side = '12'"}) {
    SCOPED_TRACE(damage);
    db.Execute(std::string("UPDATE orders SET ") + damage);
    EXPECT_THROW(ledger->Order(kTradingDate, number), SqliteError);
    db.Execute("UPDATE orders SET side = '2', kind = '1', state = 'O'");
  }
  EXPECT_EQ(ledger->Order(kTradingDate, number)->side, Side::kBuy);
}

}  // namespace
}  // namespace ostrada::sim::testing
