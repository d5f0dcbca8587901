// Every ledger already written holds an order's side, kind and state as single characters, and a
// partial index selects open sells by them: the values inside the exchange may change their form,
// the stored characters may not.
#include <gtest/gtest.h>

#include <sstream>

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

// A fresh ledger in a folder of the test's own.
class FreshLedger : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ledger); }
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  std::unique_ptr<PaperLedger> ledger = OpenLedger(path);
};
using LedgerCodes = FreshLedger;

int32_t Insert(PaperLedger& ledger, Side side, OrderKind kind, int32_t quantity, OrderState state = OrderState::kOpen) {
  return WriteOrder(ledger, kCode, side, kind, quantity, state);
}

// The side, kind and state columns of an order as stored.
std::string Stored(SqliteDb& db, int32_t number) {
  return db.QueryText("SELECT side || kind || state FROM orders WHERE number = " + std::to_string(number));
}

TEST_F(LedgerCodes, EachValueIsStoredAsTheCharacterLedgersHoldAndReadBack) {
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

// An order of 10 taken through fills ("f4"), withdrawals ("w3"), its expiry ("x") or the day's end
// ("e"): the state it ends in, as stored.
struct Ending {
  const char* steps;
  const char* stored;
  OrderState state;
};

class LedgerEnding : public FreshLedger, public ::testing::WithParamInterface<Ending> {};

TEST_P(LedgerEnding, AnOrderEndsInTheStateOfWhatItTradedWhateverTheOrderOfItsSteps) {
  const int32_t number = Insert(*ledger, Side::kBuy, OrderKind::kOrdinary, 10);
  int32_t filled = 0;
  std::istringstream steps(GetParam().steps);
  for (std::string step; steps >> step;) {
    const int32_t quantity = step.size() > 1 ? std::stoi(step.substr(1)) : 0;
    if (step[0] == 'f') {
      ASSERT_EQ(ledger->RecordFill(kTradingDate, number, filled, 1000, quantity, 36'000'000, {kTradingDate, 36'000'000})
                    .quantity,
                quantity);
      filled += quantity;
    } else if (step[0] == 'w') {
      auto transaction = ledger->Begin();
      ledger->Withdraw(*ledger->Order(kTradingDate, number), quantity, *transaction);
      transaction->Commit();
    } else if (step[0] == 'x') {
      ledger->Expire(kTradingDate, number);
    } else {
      ledger->ExpireBefore(kTradingDate + 1);
    }
  }
  SqliteDb db(path, false);
  EXPECT_EQ(Stored(db, number), std::string("21") + GetParam().stored);
  EXPECT_EQ(ledger->Order(kTradingDate, number)->state, GetParam().state);
  EXPECT_EQ(ledger->Order(kTradingDate, number)->filled, filled);
  EXPECT_EQ(ledger->ReservedCash(kAccount), 0) << "an ended order holds no cash";
}

INSTANTIATE_TEST_SUITE_P(
    Steps, LedgerEnding,
    ::testing::Values(Ending{"f10", "F", OrderState::kFilled}, Ending{"f4 f6", "F", OrderState::kFilled},
                      Ending{"w10", "C", OrderState::kClosed}, Ending{"x", "X", OrderState::kExpired},
                      Ending{"w4 e", "X", OrderState::kExpired}, Ending{"f4 w6", "P", OrderState::kPartFilled},
                      Ending{"w6 f4", "P", OrderState::kPartFilled}, Ending{"w3 f3 w4", "P", OrderState::kPartFilled},
                      Ending{"f9 x", "P", OrderState::kPartFilled}, Ending{"f1 e", "P", OrderState::kPartFilled},
                      Ending{"w9 f1", "P", OrderState::kPartFilled}));

// A ledger of the version before kept an order that traded in part as filled, closed or expired.
TEST(EarlierLedgerCodes, AnEarlierLedgersPartlyFilledOrdersTakeTheirOwnStateAndTheRestKeepTheirs) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  {
    OpenLedger(path);
    SqliteDb db(path, false);
    // quantity, filled, withdrawn, state as version 5 wrote them.
    db.Execute(
        "INSERT INTO orders VALUES(20261208, 1, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 4, 6, '1', 0, 0, 'F');"
        "INSERT INTO orders VALUES(20261208, 2, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 4, 6, '1', 0, 0, 'C');"
        "INSERT INTO orders VALUES(20261208, 3, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 4, 0, '1', 0, 0, 'X');"
        "INSERT INTO orders VALUES(20261208, 4, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 10, 0, '1', 0, 0, 'F');"
        "INSERT INTO orders VALUES(20261208, 5, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 0, 10, '1', 0, 0, 'C');"
        "INSERT INTO orders VALUES(20261208, 6, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 0, 0, '1', 0, 0, 'X');"
        "INSERT INTO orders VALUES(20261208, 7, '" + kAccount + "', 'A000010', '2', 0, 1000, 1000, 10, 4, 0, '1', 0, 0, 'O');"
        "ALTER TABLE clock DROP COLUMN stocks; DROP TABLE places; PRAGMA user_version = 5");
  }
  std::string problem;
  // A view reads it as it stands: no places kept, every open order at the back of its queue.
  EXPECT_TRUE(PaperLedger::OpenToRead(path, FeeRates{}, problem)->Places(20261208).empty()) << problem;
  ASSERT_TRUE(OpenLedger(path));
  SqliteDb db(path, false);
  EXPECT_EQ(db.QueryText("SELECT group_concat(state, '') FROM (SELECT state FROM orders ORDER BY number)"), "PPPFCXO");
  EXPECT_EQ(db.QueryInt("PRAGMA user_version"), 7);
  EXPECT_EQ(db.QueryInt("SELECT count(*) FROM places"), 0) << "the places' table is there, empty";
}

TEST_F(LedgerCodes, AnOrderStoredWithACharacterNoLedgerWritesIsReportedNotGuessed) {
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
