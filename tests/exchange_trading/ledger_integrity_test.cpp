// The ledger holds one truth whatever the number of processes writing it: a fill is recorded in one
// transaction that reads the order again, the same execution is recorded once, and the schema
// refuses what must never be stored. Ledgers of the first version open with everything they held.
#include <gtest/gtest.h>

#include <map>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

constexpr int64_t kCash = 10'000'000;
const std::string kCode = "A000010";

std::unique_ptr<PaperLedger> OpenLedger(const std::string& path) {
  std::string problem;
  auto ledger = PaperLedger::Open(path, PaperAccountNumbers(), kCash, FeeRates{}, problem);
  EXPECT_TRUE(ledger) << problem;
  return ledger;
}

// An open order of the account, stored as the paper account stores one.
int32_t Insert(PaperLedger& ledger, Side side, int32_t price, int32_t quantity) {
  return StoreOrder(ledger, OpenOrder(kCode, side, price, quantity));
}

PaperLedger::FillResult Fill(PaperLedger& ledger, int32_t number, int32_t start, int32_t price, int32_t quantity) {
  return ledger.RecordFill(kTradingDate, number, start, price, quantity, 36'000'000, {kTradingDate, 36'000'000});
}

// A ledger file in a folder of the test's own.
class LedgerIntegrity : public ::testing::Test {
 protected:
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
};

TEST_F(LedgerIntegrity, AnExecutionReachedByTwoProcessesIsRecordedOnce) {
  auto program = OpenLedger(path);
  auto commandLine = OpenLedger(path);
  const int32_t number = Insert(*program, Side::kBuy, 1000, 10);
  // Both processes saw nothing filled and met the same market flow: 4 shares at 1,000.
  EXPECT_EQ(Fill(*program, number, 0, 1000, 4).quantity, 4);
  EXPECT_EQ(Fill(*commandLine, number, 0, 1000, 4).quantity, 0);
  // Each goes on from there; the later execution is one too.
  EXPECT_EQ(Fill(*commandLine, number, 4, 990, 3).quantity, 3);
  EXPECT_EQ(Fill(*program, number, 4, 990, 3).quantity, 0);
  const PaperOrder order = *program->Order(kTradingDate, number);
  EXPECT_EQ(order.filled, 7);
  ASSERT_EQ(program->Fills().size(), 2u);
  const int64_t paid = 4000 + 4000 * 150 / 1'000'000 + 2970 + 2970 * 150 / 1'000'000;
  EXPECT_EQ(commandLine->Cash(kAccount), kCash - paid);
  EXPECT_EQ(program->Holding(kAccount, kCode).quantity, 7);
  // What is still open holds cash for its 3 shares only.
  EXPECT_EQ(program->ReservedCash(kAccount), 3000 + 3000 * 150 / 1'000'000);
}

TEST_F(LedgerIntegrity, AFillNeverTakesAnOrderBeyondItsQuantity) {
  auto program = OpenLedger(path);
  auto commandLine = OpenLedger(path);
  const int32_t number = Insert(*program, Side::kBuy, 1000, 10);
  // Two processes each believe they fill the whole order from their own book.
  EXPECT_EQ(Fill(*program, number, 0, 1000, 10).quantity, 10);
  EXPECT_EQ(Fill(*commandLine, number, 3, 1000, 10).quantity, 0) << "a filled order takes nothing more";
  const PaperOrder order = *program->Order(kTradingDate, number);
  EXPECT_EQ(order.filled, 10);
  EXPECT_EQ(order.state, OrderState::kFilled);
  EXPECT_EQ(program->Holding(kAccount, kCode).quantity, 10);
  EXPECT_EQ(program->Cash(kAccount), kCash - 10'000 - 1);
  EXPECT_EQ(program->ReservedCash(kAccount), 0);

  // A part beyond the remainder is cut to it.
  const int32_t second = Insert(*program, Side::kBuy, 1000, 5);
  ASSERT_EQ(Fill(*program, second, 0, 1000, 3).quantity, 3);
  EXPECT_EQ(Fill(*commandLine, second, 1, 1000, 5).quantity, 2);
  EXPECT_EQ(program->Order(kTradingDate, second)->filled, 5);
  EXPECT_EQ(program->ReservedCash(kAccount), 0);
}

TEST_F(LedgerIntegrity, ASellOfSharesNoLongerHeldRecordsNothing) {
  auto ledger = OpenLedger(path);
  const int32_t buy = Insert(*ledger, Side::kBuy, 1000, 2);
  ASSERT_EQ(Fill(*ledger, buy, 0, 1000, 2).quantity, 2);
  const int32_t sell = Insert(*ledger, Side::kSell, 1000, 2);
  // Another process sold the shares meanwhile (its own order, written straight into the ledger).
  {
    SqliteDb other(path, false);
    other.Execute("DELETE FROM holdings");
  }
  const int64_t cash = ledger->Cash(kAccount);
  EXPECT_EQ(Fill(*ledger, sell, 0, 1000, 2).quantity, 0);
  EXPECT_EQ(ledger->Cash(kAccount), cash) << "no money from shares that are not there";
  EXPECT_EQ(ledger->Order(kTradingDate, sell)->filled, 0);
}

TEST_F(LedgerIntegrity, TheSchemaRefusesWhatMustNeverBeStored) {
  auto ledger = OpenLedger(path);
  const int32_t number = Insert(*ledger, Side::kBuy, 1000, 10);
  ASSERT_EQ(Fill(*ledger, number, 0, 1000, 2).quantity, 2);
  SqliteDb db(path, false);
  const std::string order = " WHERE date = " + std::to_string(kTradingDate) + " AND number = " + std::to_string(number);
  EXPECT_THROW(db.Execute("UPDATE orders SET filled = 11" + order), SqliteError);
  EXPECT_THROW(db.Execute("UPDATE orders SET withdrawn = 9" + order), SqliteError);
  EXPECT_THROW(db.Execute("UPDATE accounts SET cash = -1"), SqliteError);
  EXPECT_THROW(db.Execute("UPDATE accounts SET reserved = -309348"), SqliteError);
  EXPECT_THROW(db.Execute("UPDATE holdings SET quantity = -1"), SqliteError);
  EXPECT_THROW(db.Execute("INSERT INTO fills(date, number, start, price, quantity, commission, tax, time_ms) "
                          "VALUES(" +
                          std::to_string(kTradingDate) + ", " + std::to_string(number) + ", 0, 1000, 2, 0, 0, 0)"),
               SqliteError);
  EXPECT_EQ(ledger->Order(kTradingDate, number)->filled, 2);
  EXPECT_EQ(ledger->Holding(kAccount, kCode).quantity, 2);
}

// A logged-in session on a ledger the test then damages behind its back.
class LedgerFault : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(session.Login(), 0);
    told = &session.Listen();
    code = session.TradableCodes().front();
  }

  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  TradingSession session{Trading(path)};
  NoticeRecorder* told = nullptr;
  std::string code;
};

// The ledger failing under a fill: the server tells a rejection of what it could not record, and
// never opens the client's message box.
TEST_F(LedgerFault, AFillTheLedgerCannotRecordIsARejectionNeverAMessage) {
  {
    SqliteDb vandal(path, false);
    vandal.Execute("DROP TABLE fills");
  }
  const OrderReply reply = session.Order('2', code, 3, session.Best(code).first);
  ASSERT_EQ(reply.status, 0);
  ASSERT_EQ(told->Kinds(), "43");
  EXPECT_EQ(told->notices[1].number, reply.number);
  EXPECT_EQ(told->notices[1].quantity, 3);
  EXPECT_TRUE(session.Sink().messages.empty()) << session.Sink().messages.front().Utf8();
  EXPECT_TRUE(session.Unfilled().empty()) << "a rejected order is ended, never left open to fill later";
  EXPECT_EQ(session.Buyable({}, 0)->HeaderValue(10).ToI4(), 0) << "its cash is released";
  session.TheExchange().Advance(60'000);
  EXPECT_TRUE(session.Sink().messages.empty());
  EXPECT_EQ(told->Kinds(), "43");
}

TEST_F(LedgerFault, AnAmendTheLedgerCommittedIsToldAsDoneThoughTheLedgerCannotBeReadAfterIt) {
  const OrderReply first = session.Order('2', code, 10, TicksFrom(session.Best(code).second, -1));
  ASSERT_EQ(first.status, 0);
  {
    // The cancel's own commit leaves the original a row no ledger writes: any read of it after fails.
    SqliteDb vandal(path, false);
    vandal.Execute("CREATE TRIGGER unreadable AFTER INSERT ON orders WHEN NEW.kind = '3' BEGIN "
                   "UPDATE orders SET side = '9' WHERE date = NEW.date AND number = NEW.original; END");
  }
  const OrderReply cancel = session.Amend(true, first.number, code, 4);
  EXPECT_EQ(cancel.status, 0) << Cp949ToUtf8(cancel.text2);
  EXPECT_GT(cancel.number, first.number);
  EXPECT_EQ(told->Kinds(), "442") << "the cancel's acceptance and confirmation";
  SqliteDb db(path, false);
  db.Execute("DROP TRIGGER unreadable; UPDATE orders SET side = '2' WHERE side = '9'");
  EXPECT_EQ(db.QueryInt("SELECT withdrawn FROM orders WHERE number = " + std::to_string(first.number)), 4);
  EXPECT_EQ(db.QueryInt("SELECT number FROM orders WHERE kind = '3'"), cancel.number);
}

TEST_F(LedgerIntegrity, CashIsStoredAsIntegersOnlyAndAnEarlierLedgersRealCashIsReadBackWhole) {
  {
    OpenLedger(path);
    // The accounts as a ledger of version 4 held them, its cash a sum past 64 bits that SQLite stored
    // as REAL.
    SqliteDb db(path, false);
    db.Execute("DROP TABLE accounts; CREATE TABLE accounts(account TEXT PRIMARY KEY, cash INTEGER NOT NULL "
               "CHECK(cash >= 0), starting_cash INTEGER NOT NULL, reserved INTEGER NOT NULL DEFAULT 0 "
               "CHECK(reserved >= 0)); INSERT INTO accounts VALUES('" + kAccount + "', 1.0e19, 1.0e7, 0);"
               "ALTER TABLE clock DROP COLUMN stocks; DROP TABLE places; PRAGMA user_version = 4");
    ASSERT_EQ(db.QueryText("SELECT typeof(cash) FROM accounts"), "real");
  }
  auto ledger = OpenLedger(path);
  ASSERT_TRUE(ledger);
  EXPECT_EQ(ledger->Cash(kAccount), INT64_MAX) << "the largest the ledger stores exactly";
  EXPECT_EQ(ledger->StartingCash(kAccount), 10'000'000);
  SqliteDb db(path, false);
  EXPECT_EQ(db.QueryText("SELECT group_concat(typeof(cash) || typeof(starting_cash) || typeof(reserved)) "
                         "FROM accounts WHERE account = '" + kAccount + "'"),
            "integerintegerinteger");
  // A sum past 64 bits, which SQLite would store as REAL, is refused whole.
  try {
    db.Execute("UPDATE accounts SET cash = cash + 1");
    ADD_FAILURE() << "cash past 64 bits was stored";
  } catch (const SqliteError& error) {
    EXPECT_TRUE(error.IsConstraint()) << error.what();
  }
  EXPECT_EQ(ledger->Cash(kAccount), INT64_MAX);
}

// Won past the cash a sale of every share at the day's upper limit would leave at 2^63 - 1.
class CashLimit : public ::testing::TestWithParam<int64_t> {};

TEST_P(CashLimit, ASaleThatCouldTakeCashPast64BitsIsRefusedInKorean) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  TradingSession session(Trading(path));
  ASSERT_EQ(session.Login(), 0);
  const std::string code = session.TradableCodes().front();
  const OrderReply bought = session.Order('2', code, 1, 0, true);
  ASSERT_EQ(bought.status, 0);
  SqliteDb db(path, false);
  // A market buy holds cash at the day's upper limit: the ledger keeps that price with it.
  const int64_t upper =
      db.QueryInt("SELECT reserve_price FROM orders WHERE number = " + std::to_string(bought.number));
  ASSERT_GT(upper, 0);
  constexpr int32_t kShares = 10;
  const int64_t cash = INT64_MAX - upper * kShares + GetParam();
  db.Execute("UPDATE holdings SET quantity = " + std::to_string(kShares) +
             "; UPDATE accounts SET cash = " + std::to_string(cash) + " WHERE account = '" + kAccount + "'");
  const OrderReply sold = session.Order('1', code, kShares, session.Best(code).second);
  if (GetParam() <= 0) {
    EXPECT_EQ(sold.status, 0) << Cp949ToUtf8(sold.text2);
  } else {
    EXPECT_NE(sold.status, 0);
    EXPECT_NE(Cp949ToUtf8(sold.text2).find("9,223,372,036,854,775,807원"), std::string::npos)
        << Cp949ToUtf8(sold.text2);
    EXPECT_EQ(db.QueryInt("SELECT cash FROM accounts WHERE account = '" + kAccount + "'"), cash);
  }
  EXPECT_EQ(db.QueryText("SELECT typeof(cash) FROM accounts WHERE account = '" + kAccount + "'"), "integer");
}

INSTANTIATE_TEST_SUITE_P(AtTheLimit, CashLimit, ::testing::Values(int64_t{0}, int64_t{1}));

// The first version's schema, as ledgers written before the checks hold it.
void WriteFirstVersion(const std::string& path, int32_t filled) {
  SqliteDb db(path, true);
  db.Execute(R"(
CREATE TABLE accounts(account TEXT PRIMARY KEY, cash INTEGER NOT NULL, starting_cash INTEGER NOT NULL,
  reserved INTEGER NOT NULL DEFAULT 0);
CREATE TABLE orders(date INTEGER NOT NULL, number INTEGER NOT NULL, account TEXT NOT NULL, code TEXT NOT NULL,
  side TEXT NOT NULL, market INTEGER NOT NULL, price INTEGER NOT NULL, reserve_price INTEGER NOT NULL,
  quantity INTEGER NOT NULL, filled INTEGER NOT NULL, withdrawn INTEGER NOT NULL, kind TEXT NOT NULL,
  original INTEGER NOT NULL, time_ms INTEGER NOT NULL, state TEXT NOT NULL, PRIMARY KEY(date, number));
CREATE INDEX orders_by_state ON orders(state, account, date);
CREATE INDEX open_sells ON orders(account, code, quantity, filled, withdrawn) WHERE state = 'O' AND side = '1';
CREATE TABLE fills(id INTEGER PRIMARY KEY, date INTEGER NOT NULL, number INTEGER NOT NULL, price INTEGER NOT NULL,
  quantity INTEGER NOT NULL, commission INTEGER NOT NULL, tax INTEGER NOT NULL, time_ms INTEGER NOT NULL);
CREATE TABLE holdings(account TEXT NOT NULL, code TEXT NOT NULL, quantity INTEGER NOT NULL, value INTEGER NOT NULL,
  cost INTEGER NOT NULL, PRIMARY KEY(account, code));
CREATE TABLE clock(id INTEGER PRIMARY KEY CHECK(id = 1), date INTEGER NOT NULL, time_ms INTEGER NOT NULL);
INSERT INTO clock VALUES(1, 20261208, 37800000);
PRAGMA application_id = 1330860100; PRAGMA user_version = 1;
INSERT INTO accounts VALUES('5011223302', 9994999, 10000000, 3000);
INSERT INTO accounts VALUES('5011223301', 10000000, 10000000, 0);
INSERT INTO holdings VALUES('5011223302', 'A000010', 5, 5000, 5000);
INSERT INTO fills(date, number, price, quantity, commission, tax, time_ms) VALUES(20261208, 1, 1000, 2, 0, 0, 1);
INSERT INTO fills(date, number, price, quantity, commission, tax, time_ms) VALUES(20261208, 1, 1000, 3, 0, 0, 2);
)");
  db.Execute("INSERT INTO orders VALUES(20261208, 1, '5011223302', 'A000010', '2', 0, 1000, 1000, 8, " +
             std::to_string(filled) + ", 0, '1', 0, 36000000, 'O')");
}

TEST_F(LedgerIntegrity, AFirstVersionLedgerOpensWithEverythingItHeld) {
  WriteFirstVersion(path, 5);
  auto ledger = OpenLedger(path);
  ASSERT_TRUE(ledger);
  EXPECT_EQ(ledger->Cash(kAccount), 9'994'999);
  EXPECT_EQ(ledger->StartingCash(kAccount), 10'000'000);
  EXPECT_EQ(ledger->ReservedCash(kAccount), 3000) << "counted again from the open order";
  EXPECT_EQ(ledger->Holding(kAccount, kCode).quantity, 5);
  const std::optional<PaperOrder> order = ledger->Order(kTradingDate, 1);
  ASSERT_TRUE(order);
  EXPECT_EQ(order->filled, 5);
  EXPECT_EQ(order->Remaining(), 3);
  const std::vector<PaperFill> fills = ledger->Fills();
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].start, 0);
  EXPECT_EQ(fills[1].start, 2);
  EXPECT_EQ(ledger->LastSeen().timeMs, 37'800'000);
  // Its orders go on trading under the checks, the next fill after the ones it had.
  EXPECT_EQ(Fill(*ledger, 1, 5, 1000, 3).quantity, 3);
  EXPECT_EQ(Fill(*ledger, 1, 5, 1000, 3).quantity, 0);
  // Its holdings never took a split: they take those after the last day it saw, once.
  std::vector<int32_t> asked;
  const auto split = [&asked](const std::string&, int32_t after) {
    asked.push_back(after);
    return std::vector<ShareChange>{{20261209, 1, 2, 500}};
  };
  ledger->TakeShareChanges(kTradingDate, split);
  EXPECT_TRUE(asked.empty());
  ledger->TakeShareChanges(20261209, split);
  ledger->TakeShareChanges(20261209, split);
  EXPECT_EQ(asked, std::vector<int32_t>{kTradingDate});
  EXPECT_EQ(ledger->Holding(kAccount, kCode).quantity, 2 * 8);
  EXPECT_EQ(ledger->Holding(kAccount, kCode).value, 8 * 1000);
  SqliteDb db(path, false);
  EXPECT_EQ(db.QueryInt("PRAGMA user_version"), 7);
}

TEST_F(LedgerIntegrity, AFirstVersionLedgerHoldingAnImpossibleStateIsReportedAndLeftAsItWas) {
  WriteFirstVersion(path, 16);  // an order of 8 filled 16
  std::string problem;
  EXPECT_FALSE(PaperLedger::Open(path, PaperAccountNumbers(), kCash, FeeRates{}, problem));
  EXPECT_NE(Cp949ToUtf8(problem).find("모의투자 원장"), std::string::npos) << Cp949ToUtf8(problem);
  SqliteDb db(path, false);
  EXPECT_EQ(db.QueryInt("PRAGMA user_version"), 1);
  EXPECT_EQ(db.QueryInt("SELECT filled FROM orders"), 16);
}

// The program and a command line on one ledger, both holding the same resting orders in their books
// and meeting the same market: no order fills beyond its quantity, each fill is recorded once, and
// the cash follows from the fills.
TEST_F(LedgerIntegrity, TwoProcessesOnOneMarketFillEachRestingOrderOnce) {
  ExchangeOptions options = Trading(path);
  options.paper.startingCash = 100'000'000'000;
  TradingSession program(options);
  ASSERT_EQ(program.Login(), 0);
  int placed = 0;
  for (const std::string& code : program.TradableCodes()) {
    // A book that has no bid yet gives no price to rest at.
    const int32_t bid = program.Best(code).second;
    if (bid <= 0) continue;
    ASSERT_EQ(program.Order('2', code, std::max(1, 20'000'000 / bid), bid).status, 0);
    ++placed;
  }
  ASSERT_GT(placed, 10);
  Exchange commandLine(options);
  for (int step = 0; step < 3600; ++step) {
    program.TheExchange().Advance(1000);
    commandLine.Advance(1000);
  }
  auto ledger = OpenLedger(path);
  const std::vector<PaperFill> fills = ledger->Fills();
  ASSERT_GE(fills.size(), 3u) << "the resting orders should meet the market within the hour";
  std::map<int32_t, int32_t> filled;
  int64_t cash = options.paper.startingCash;
  const FeeRates fees;
  for (const PaperFill& fill : fills) {
    EXPECT_EQ(fill.start, filled[fill.number]) << "fills of order " << fill.number << " overlap";
    filled[fill.number] += fill.quantity;
    const int64_t value = static_cast<int64_t>(fill.price) * fill.quantity;
    cash -= value + fees.Commission(value);
  }
  for (const auto& [number, quantity] : filled) {
    const PaperOrder order = *ledger->Order(kTradingDate, number);
    EXPECT_EQ(order.filled, quantity) << number;
    EXPECT_LE(order.filled, order.quantity) << number;
  }
  EXPECT_EQ(ledger->Cash(kAccount), cash);
}

}  // namespace
}  // namespace ostrada::sim::testing
