#include "broker/sim/paper/paper_ledger.h"

#include <algorithm>

namespace ostrada::sim {
namespace {

// The characters the ledger stores for an order's side, kind and state. Every ledger ever written
// holds them, in its rows and in the SQL that selects them (a partial index among it): this is the
// one place they are spelled.
char Stored(Side side) {
  return side == Side::kBuy ? '2' : '1';
}
char Stored(OrderKind kind) {
  switch (kind) {
    case OrderKind::kOrdinary:
      return '1';
    case OrderKind::kModify:
      return '2';
    case OrderKind::kCancel:
      return '3';
  }
  return '1';
}
char Stored(OrderState state) {
  switch (state) {
    case OrderState::kOpen:
      return 'O';
    case OrderState::kFilled:
      return 'F';
    case OrderState::kClosed:
      return 'C';
    case OrderState::kExpired:
      return 'X';
    case OrderState::kRecorded:
      return 'D';
    case OrderState::kPartFilled:
      return 'P';
  }
  return 'O';
}

// The value a stored character names; a character the ledger never writes is a damaged row.
template <class Value, size_t N>
Value Decoded(const std::string& stored, const Value (&values)[N], const char* column) {
  for (const Value value : values) {
    if (stored.size() == 1 && stored[0] == Stored(value)) return value;
  }
  throw SqliteError(0, std::string("an order's ") + column + " '" + stored + "' is none the ledger writes");
}
constexpr Side kSides[] = {Side::kSell, Side::kBuy};
constexpr OrderKind kKinds[] = {OrderKind::kOrdinary, OrderKind::kModify, OrderKind::kCancel};
constexpr OrderState kStates[] = {OrderState::kOpen,    OrderState::kFilled,  OrderState::kClosed,
                                  OrderState::kExpired, OrderState::kRecorded, OrderState::kPartFilled};

// A stored value as an SQL literal, e.g. 'O'.
template <class Value>
std::string Sql(Value value) {
  return {'\'', Stored(value), '\''};
}
std::string IsOpen() {
  return "state = " + Sql(OrderState::kOpen);
}
std::string IsSide(Side side) {
  return "side = " + Sql(side);
}
// The state an order ends in, `whole` unless it traded only in part: `filled` is its filled quantity at
// the end, as an SQL expression. However the fills and the withdrawals interleave, the end is the same.
std::string Ending(OrderState whole, const std::string& filled) {
  return "CASE WHEN " + filled + " > 0 AND " + filled + " < quantity THEN " + Sql(OrderState::kPartFilled) +
         " ELSE " + Sql(whole) + " END";
}
// Ends the order when the ?1 shares taken from it leave none.
std::string EndsWhenNoneLeft(OrderState whole, const std::string& filled) {
  return "state = CASE WHEN quantity - filled - withdrawn - ?1 <= 0 THEN " + Ending(whole, filled) +
         " ELSE state END";
}

// The tables of the current version. The CHECKs refuse what must never be stored, whatever a process
// believed when it wrote: an order filled beyond its quantity, negative cash, holdings or held cash.
// A fill is known by its order and the quantity filled before it (`start`), so the same execution
// reached by two processes is stored once.
std::string Tables() {
  return R"(
CREATE TABLE accounts(account TEXT PRIMARY KEY, cash INTEGER NOT NULL CHECK(cash >= 0),
  starting_cash INTEGER NOT NULL, reserved INTEGER NOT NULL DEFAULT 0 CHECK(reserved >= 0));
CREATE TABLE orders(date INTEGER NOT NULL, number INTEGER NOT NULL, account TEXT NOT NULL, code TEXT NOT NULL,
  side TEXT NOT NULL, market INTEGER NOT NULL, price INTEGER NOT NULL, reserve_price INTEGER NOT NULL,
  quantity INTEGER NOT NULL, filled INTEGER NOT NULL, withdrawn INTEGER NOT NULL, kind TEXT NOT NULL,
  original INTEGER NOT NULL, time_ms INTEGER NOT NULL, state TEXT NOT NULL, PRIMARY KEY(date, number),
  CHECK(filled >= 0 AND withdrawn >= 0 AND filled + withdrawn <= quantity));
CREATE INDEX orders_by_state ON orders(state, account, date);
)"
         "CREATE INDEX open_sells ON orders(account, code, quantity, filled, withdrawn) WHERE " +
         IsOpen() + " AND " + IsSide(Side::kSell) + R"(;
CREATE TABLE fills(id INTEGER PRIMARY KEY, date INTEGER NOT NULL, number INTEGER NOT NULL,
  start INTEGER NOT NULL CHECK(start >= 0), price INTEGER NOT NULL, quantity INTEGER NOT NULL CHECK(quantity > 0),
  commission INTEGER NOT NULL, tax INTEGER NOT NULL, time_ms INTEGER NOT NULL, UNIQUE(date, number, start));
CREATE TABLE holdings(account TEXT NOT NULL, code TEXT NOT NULL, quantity INTEGER NOT NULL CHECK(quantity >= 0),
  value INTEGER NOT NULL, cost INTEGER NOT NULL, PRIMARY KEY(account, code));
)";
}

// The account's market: its clock, its seed once the first session chose one, and the trading date
// through which the holdings took the market's splits and consolidations.
constexpr const char* kClockTable = R"(
CREATE TABLE clock(id INTEGER PRIMARY KEY CHECK(id = 1), date INTEGER NOT NULL, time_ms INTEGER NOT NULL,
  seed INTEGER, shares_through INTEGER NOT NULL DEFAULT 0);
INSERT INTO clock(id, date, time_ms) VALUES(1, 0, 0);
)";

// Version 1 to 2: the tables again with their CHECKs, each fill's start counted from the fills before
// it, and the market's seed: every ledger of version 1 traded on the exchange's default market. A
// ledger whose rows break a CHECK fails here and is left as it was.
constexpr const char* kFrom1To2Before = R"(
DROP INDEX orders_by_state; DROP INDEX open_sells;
ALTER TABLE accounts RENAME TO accounts_1; ALTER TABLE orders RENAME TO orders_1;
ALTER TABLE fills RENAME TO fills_1; ALTER TABLE holdings RENAME TO holdings_1;
)";
constexpr const char* kFrom1To2After = R"(
INSERT INTO accounts SELECT account, cash, starting_cash, 0 FROM accounts_1;
INSERT INTO orders SELECT * FROM orders_1;
INSERT INTO fills SELECT id, date, number,
  coalesce(sum(quantity) OVER (PARTITION BY date, number ORDER BY id ROWS BETWEEN UNBOUNDED PRECEDING AND 1 PRECEDING), 0),
  price, quantity, commission, tax, time_ms FROM fills_1;
INSERT INTO holdings SELECT * FROM holdings_1;
DROP TABLE accounts_1; DROP TABLE orders_1; DROP TABLE fills_1; DROP TABLE holdings_1;
ALTER TABLE clock ADD COLUMN seed INTEGER;
UPDATE clock SET seed = 20261208;
)";

// Version 2 to 3: the holdings of a ledger of version 2 never took a split or consolidation; they
// take those after the latest day the ledger saw.
constexpr const char* kFrom2To3 = R"(
ALTER TABLE clock ADD COLUMN shares_through INTEGER NOT NULL DEFAULT 0;
UPDATE clock SET shares_through = date;
)";

// Version 4 to 5: the account's amounts are whole won stored as integers only. SQLite turns a sum past
// 64 bits into a REAL, which CHECK(cash >= 0) let through and every later read rounded: the CHECKs on
// the type refuse it now, so the write fails whole. Amounts an earlier version stored as REAL are
// taken back as the integers they hold (beyond 64 bits: the largest). Run on every ledger below 5,
// a new one's empty table included, so the step stands alone.
constexpr const char* kCashAsIntegers = R"(
CREATE TABLE accounts_5(account TEXT PRIMARY KEY,
  cash INTEGER NOT NULL CHECK(typeof(cash) = 'integer' AND cash >= 0),
  starting_cash INTEGER NOT NULL CHECK(typeof(starting_cash) = 'integer'),
  reserved INTEGER NOT NULL DEFAULT 0 CHECK(typeof(reserved) = 'integer' AND reserved >= 0));
INSERT INTO accounts_5 SELECT account, CAST(cash AS INTEGER), CAST(starting_cash AS INTEGER),
  CAST(reserved AS INTEGER) FROM accounts;
DROP TABLE accounts;
ALTER TABLE accounts_5 RENAME TO accounts;
)";

// Version 5 to 6: an order that traded in part and ended otherwise (its rest withdrawn or expired) has
// its own state; the ledger stored it as filled, closed or expired. The account's market keeps its
// listing size beside its seed: the same seed with another size is another market.
std::string From5To6() {
  return "ALTER TABLE clock ADD COLUMN stocks INTEGER; UPDATE orders SET state = " + Sql(OrderState::kPartFilled) +
         " WHERE state IN (" + Sql(OrderState::kFilled) + ", " + Sql(OrderState::kClosed) + ", " +
         Sql(OrderState::kExpired) + ") AND filled > 0 AND filled < quantity";
}

constexpr const char* kOrderColumns =
    "date, number, account, code, side, market, price, reserve_price, quantity, filled, withdrawn, kind, original, "
    "time_ms, state";

}  // namespace

PaperLedger::PaperLedger(const std::string& path, const FeeRates& fees, SqliteAccess access)
    : db_(path, access), fees_(fees), readOnly_(access == SqliteAccess::kRead || access == SqliteAccess::kImmutable) {}

void PaperLedger::Prepare(const std::vector<std::string>& accounts, int64_t startingCash) {
  SqliteTransaction transaction(db_);
  Migrate();
  SqliteStatement add(db_, "INSERT OR IGNORE INTO accounts VALUES(?, ?, ?, 0)");
  for (const std::string& account : accounts) add.Bind(1, account).Bind(2, startingCash).Bind(3, startingCash).Run();
  RecountReserved();
  transaction.Commit();
}

void PaperLedger::Migrate() {
  const int64_t version = db_.QueryInt("PRAGMA user_version");
  if (version == kSchemaVersion) return;
  if (version > kSchemaVersion) throw SqliteError(0, "a newer ledger version (" + std::to_string(version) + ")");
  if (version == 0) {
    db_.Execute(Tables());
    db_.Execute(kClockTable);
    db_.Execute("PRAGMA application_id = " + std::to_string(kApplicationId));
  }
  if (version == 1) {
    db_.Execute(kFrom1To2Before);
    db_.Execute(Tables());
    db_.Execute(kFrom1To2After);
  }
  if (version == 1 || version == 2) db_.Execute(kFrom2To3);
  if (version < 4) db_.Execute(WatchTable());
  if (version < 5) db_.Execute(kCashAsIntegers);
  if (version < 6) db_.Execute(From5To6());
  // A ledger before 7 kept no places: a process resuming on it puts its resting orders at the back.
  if (version < 7) db_.Execute(PlacesTable());
  db_.Execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
}

int64_t PaperLedger::Held(const PaperOrder& order, int32_t remaining) const {
  if (!order.IsBuy() || remaining <= 0) return 0;
  const int64_t value = static_cast<int64_t>(order.reservePrice) * remaining;
  return value + fees_.Commission(value);
}

void PaperLedger::AddReserved(const std::string& account, int64_t change) {
  if (change == 0) return;
  SqliteStatement update(db_, "UPDATE accounts SET reserved = reserved + ? WHERE account = ?");
  update.Bind(1, change).Bind(2, account).Run();
}

void PaperLedger::RecountReserved() {
  // Each order's commission is rounded down on its own, as its fills will be.
  SqliteStatement recount(db_,
                          "UPDATE accounts SET reserved = (SELECT coalesce(sum(v + v * ?1 / 1000000), 0) FROM "
                          "(SELECT reserve_price * (quantity - filled - withdrawn) AS v FROM orders WHERE " +
                              IsOpen() + " AND " + IsSide(Side::kBuy) + " AND orders.account = accounts.account))");
  recount.Bind(1, fees_.commissionPpm).Run();
}

bool PaperLedger::HasAccount(const std::string& account) {
  SqliteStatement query(db_, "SELECT 1 FROM accounts WHERE account = ?");
  return query.Bind(1, account).Step();
}

int64_t PaperLedger::Cash(const std::string& account) {
  SqliteStatement query(db_, "SELECT cash FROM accounts WHERE account = ?");
  return query.Bind(1, account).Step() ? query.Int(0) : 0;
}

int64_t PaperLedger::StartingCash(const std::string& account) {
  SqliteStatement query(db_, "SELECT starting_cash FROM accounts WHERE account = ?");
  return query.Bind(1, account).Step() ? query.Int(0) : 0;
}

int64_t PaperLedger::ReservedCash(const std::string& account) {
  SqliteStatement query(db_, "SELECT reserved FROM accounts WHERE account = ?");
  return query.Bind(1, account).Step() ? query.Int(0) : 0;
}

int64_t PaperLedger::OpenQuantity(const std::string& account, const std::string& code, Side side) {
  SqliteStatement query(db_, "SELECT coalesce(sum(quantity - filled - withdrawn), 0) FROM orders WHERE " + IsOpen() +
                                 " AND account = ? AND " + IsSide(side) + " AND code = ?");
  query.Bind(1, account).Bind(2, code).Step();
  return query.Int(0);
}

int32_t PaperLedger::Offered(const std::string& account, const std::string& code) {
  return static_cast<int32_t>(OpenQuantity(account, code, Side::kSell));
}

PaperHolding PaperLedger::Holding(const std::string& account, const std::string& code) {
  SqliteStatement query(db_, "SELECT quantity, value, cost FROM holdings WHERE account = ? AND code = ?");
  PaperHolding holding;
  holding.code = code;
  if (query.Bind(1, account).Bind(2, code).Step()) {
    holding.quantity = static_cast<int32_t>(query.Int(0));
    holding.value = query.Int(1);
    holding.cost = query.Int(2);
  }
  return holding;
}

int32_t PaperLedger::HoldingCount(const std::string& account) {
  SqliteStatement query(db_, "SELECT count(*) FROM holdings WHERE account = ?");
  query.Bind(1, account).Step();
  return static_cast<int32_t>(query.Int(0));
}

std::vector<PaperHolding> PaperLedger::Holdings(const std::string& account, int32_t offset, int32_t limit) {
  SqliteStatement query(db_,
                        "SELECT code, quantity, value, cost FROM holdings WHERE account = ? "
                        "ORDER BY code LIMIT ? OFFSET ?");
  query.Bind(1, account).Bind(2, limit).Bind(3, offset);
  std::vector<PaperHolding> holdings;
  while (query.Step())
    holdings.push_back({query.Text(0), static_cast<int32_t>(query.Int(1)), query.Int(2), query.Int(3)});
  return holdings;
}

std::string PaperOrderColumns() {
  return kOrderColumns;
}

PaperOrder ReadPaperOrder(const SqliteStatement& row) {
  PaperOrder order;
  order.date = static_cast<int32_t>(row.Int(0));
  order.number = static_cast<int32_t>(row.Int(1));
  order.account = row.Text(2);
  order.code = row.Text(3);
  order.side = Decoded(row.Text(4), kSides, "side");
  order.market = row.Int(5) != 0;
  order.price = static_cast<int32_t>(row.Int(6));
  order.reservePrice = static_cast<int32_t>(row.Int(7));
  order.quantity = static_cast<int32_t>(row.Int(8));
  order.filled = static_cast<int32_t>(row.Int(9));
  order.withdrawn = static_cast<int32_t>(row.Int(10));
  order.kind = Decoded(row.Text(11), kKinds, "kind");
  order.original = static_cast<int32_t>(row.Int(12));
  order.timeMs = static_cast<int32_t>(row.Int(13));
  order.state = Decoded(row.Text(14), kStates, "state");
  return order;
}

PaperOrder PaperLedger::ReadOrder(const SqliteStatement& row) const {
  return ReadPaperOrder(row);
}

std::vector<PaperOrder> PaperLedger::ReadOrders(SqliteStatement& statement) {
  std::vector<PaperOrder> orders;
  while (statement.Step()) orders.push_back(ReadOrder(statement));
  return orders;
}

std::vector<PaperOrder> PaperLedger::OpenOrders(const std::string& account, int32_t date, int32_t offset,
                                                int32_t limit) {
  SqliteStatement query(db_, std::string("SELECT ") + kOrderColumns + " FROM orders WHERE " + IsOpen() +
                                 " AND account = ? AND date = ? ORDER BY number LIMIT ? OFFSET ?");
  query.Bind(1, account).Bind(2, date).Bind(3, limit).Bind(4, offset);
  return ReadOrders(query);
}

int32_t PaperLedger::OpenOrderCount(const std::string& account, int32_t date) {
  SqliteStatement query(db_, "SELECT count(*) FROM orders WHERE " + IsOpen() + " AND account = ? AND date = ?");
  query.Bind(1, account).Bind(2, date).Step();
  return static_cast<int32_t>(query.Int(0));
}

std::vector<PaperOrder> PaperLedger::OpenOrdersOf(int32_t date) {
  SqliteStatement query(
      db_, std::string("SELECT ") + kOrderColumns + " FROM orders WHERE " + IsOpen() + " AND date = ? ORDER BY number");
  query.Bind(1, date);
  return ReadOrders(query);
}

std::optional<PaperOrder> PaperLedger::Order(int32_t date, int32_t number) {
  SqliteStatement query(db_, std::string("SELECT ") + kOrderColumns + " FROM orders WHERE date = ? AND number = ?");
  query.Bind(1, date).Bind(2, number);
  if (!query.Step()) return std::nullopt;
  return ReadOrder(query);
}

namespace {

constexpr const char* kFillColumns = "date, number, start, price, quantity, commission, tax, time_ms, id";

}  // namespace

std::string PaperFillColumns() {
  return kFillColumns;
}

PaperFill ReadPaperFill(const SqliteStatement& row) {
  return {static_cast<int32_t>(row.Int(0)), static_cast<int32_t>(row.Int(1)), static_cast<int32_t>(row.Int(2)),
          static_cast<int32_t>(row.Int(3)), static_cast<int32_t>(row.Int(4)), row.Int(5), row.Int(6),
          static_cast<int32_t>(row.Int(7)), row.Int(8)};
}

std::vector<PaperFill> PaperLedger::Fills() {
  return FillsAfter(0);
}

std::vector<PaperFill> PaperLedger::FillsAfter(int64_t id) {
  SqliteStatement query(db_, std::string("SELECT ") + kFillColumns + " FROM fills WHERE id > ? ORDER BY id");
  query.Bind(1, id);
  std::vector<PaperFill> fills;
  while (query.Step()) fills.push_back(ReadPaperFill(query));
  return fills;
}

int64_t PaperLedger::LastFillId() {
  return db_.QueryInt("SELECT coalesce(max(id), 0) FROM fills");
}

bool PaperLedger::ChangedElsewhere() {
  const int64_t version = db_.QueryInt("PRAGMA data_version");
  const bool changed = version != dataVersion_;
  dataVersion_ = version;
  return changed;
}

std::vector<PaperOrder> PaperLedger::OrdersAfter(int32_t date, int32_t number) {
  SqliteStatement query(
      db_, std::string("SELECT ") + kOrderColumns + " FROM orders WHERE date = ? AND number > ? ORDER BY number");
  query.Bind(1, date).Bind(2, number);
  return ReadOrders(query);
}

int32_t PaperLedger::LastNumber(int32_t date) {
  SqliteStatement last(db_, "SELECT coalesce(max(number), 0) FROM orders WHERE date = ?");
  last.Bind(1, date).Step();
  return static_cast<int32_t>(last.Int(0));
}

int32_t PaperLedger::Insert(PaperOrder& order, const SqliteTransaction& /*inside*/) {
  order.number = LastNumber(order.date) + 1;
  SqliteStatement insert(db_, "INSERT INTO orders VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.Bind(1, order.date)
      .Bind(2, order.number)
      .Bind(3, order.account)
      .Bind(4, order.code)
      .Bind(5, std::string(1, Stored(order.side)))
      .Bind(6, order.market ? 1 : 0)
      .Bind(7, order.price)
      .Bind(8, order.reservePrice)
      .Bind(9, order.quantity)
      .Bind(10, order.filled)
      .Bind(11, order.withdrawn)
      .Bind(12, std::string(1, Stored(order.kind)))
      .Bind(13, order.original)
      .Bind(14, order.timeMs)
      .Bind(15, std::string(1, Stored(order.state)))
      .Run();
  if (order.state == OrderState::kOpen) AddReserved(order.account, Held(order, order.Remaining()));
  return order.number;
}

void PaperLedger::Withdraw(const PaperOrder& order, int32_t quantity, const SqliteTransaction& /*inside*/) {
  SqliteStatement update(db_, "UPDATE orders SET withdrawn = withdrawn + ?1, " + EndsWhenNoneLeft(OrderState::kClosed, "filled") +
                                  " WHERE date = ?2 AND number = ?3");
  update.Bind(1, quantity).Bind(2, order.date).Bind(3, order.number).Run();
  AddReserved(order.account, Held(order, order.Remaining() - quantity) - Held(order, order.Remaining()));
}

void PaperLedger::Expire(int32_t date, int32_t number) {
  SqliteTransaction transaction(db_);
  const std::optional<PaperOrder> order = Order(date, number);
  if (!order || order->state != OrderState::kOpen) return;
  SqliteStatement update(db_,
                         "UPDATE orders SET state = " + Ending(OrderState::kExpired, "filled") +
                             " WHERE date = ? AND number = ?");
  update.Bind(1, date).Bind(2, number).Run();
  AddReserved(order->account, -Held(*order, order->Remaining()));
  transaction.Commit();
}

int PaperLedger::ExpireBefore(int32_t date) {
  SqliteTransaction transaction(db_);
  SqliteStatement update(
      db_, "UPDATE orders SET state = " + Ending(OrderState::kExpired, "filled") + " WHERE " + IsOpen() +
               " AND date < ?");
  update.Bind(1, date).Run();
  const int expired = static_cast<int>(db_.Changes());
  if (expired > 0) RecountReserved();
  SqliteStatement forget(db_, "DELETE FROM places WHERE date < ?");
  forget.Bind(1, date).Run();
  transaction.Commit();
  return expired;
}

PaperLedger::FillResult PaperLedger::RecordFill(int32_t date, int32_t number, int32_t start, int32_t price,
                                                int32_t quantity, int32_t timeMs, const Moment& now) {
  SqliteTransaction transaction(db_);
  FillResult result;
  result.order = Order(date, number);
  if (!result.order || result.order->state != OrderState::kOpen) return result;
  const PaperOrder& order = *result.order;
  quantity = std::min(quantity, order.Remaining());
  if (quantity <= 0) return result;
  SqliteStatement known(db_, "SELECT 1 FROM fills WHERE date = ? AND number = ? AND start = ?");
  if (known.Bind(1, date).Bind(2, number).Bind(3, start).Step()) return result;
  const int64_t value = static_cast<int64_t>(price) * quantity;
  const int64_t commission = fees_.Commission(value);
  const int64_t tax = order.IsBuy() ? 0 : fees_.Tax(value);
  if (order.IsBuy() ? Cash(order.account) < value + commission
                    : Holding(order.account, order.code).quantity < quantity)
    return result;
  SqliteStatement fill(db_,
                       "INSERT INTO fills(date, number, start, price, quantity, commission, tax, time_ms) "
                       "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
  fill.Bind(1, date).Bind(2, number).Bind(3, start).Bind(4, price).Bind(5, quantity).Bind(6, commission);
  fill.Bind(7, tax).Bind(8, timeMs).Run();
  result.id = db_.LastInsertId();
  SqliteStatement filled(db_, "UPDATE orders SET filled = filled + ?1, " + EndsWhenNoneLeft(OrderState::kFilled, "filled + ?1") +
                                  " WHERE date = ?2 AND number = ?3");
  filled.Bind(1, quantity).Bind(2, date).Bind(3, number).Run();
  if (order.IsBuy()) {
    SqliteStatement holding(db_,
                            "INSERT INTO holdings VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(account, code) DO UPDATE "
                            "SET quantity = quantity + ?3, value = value + ?4, cost = cost + ?5");
    holding.Bind(1, order.account).Bind(2, order.code).Bind(3, quantity).Bind(4, value).Bind(5, value + commission);
    holding.Run();
  } else {
    // The shares sold leave the holding at their share of its value and cost.
    SqliteStatement holding(db_,
                            "UPDATE holdings SET value = value - value * ?1 / quantity, "
                            "cost = cost - cost * ?1 / quantity, quantity = quantity - ?1 "
                            "WHERE account = ?2 AND code = ?3");
    holding.Bind(1, quantity).Bind(2, order.account).Bind(3, order.code).Run();
    SqliteStatement empty(db_, "DELETE FROM holdings WHERE account = ? AND code = ? AND quantity <= 0");
    empty.Bind(1, order.account).Bind(2, order.code).Run();
  }
  const int64_t cashChange = order.IsBuy() ? -(value + commission) : value - commission - tax;
  SqliteStatement cash(db_, "UPDATE accounts SET cash = cash + ? WHERE account = ?");
  cash.Bind(1, cashChange).Bind(2, order.account).Run();
  AddReserved(order.account, Held(order, order.Remaining() - quantity) - Held(order, order.Remaining()));
  See(now.date, now.timeMs);
  transaction.Commit();
  result.quantity = quantity;
  return result;
}

void PaperLedger::TakeShareChanges(
    int32_t through, const std::function<std::vector<ShareChange>(const std::string& code, int32_t after)>& changesOf) {
  SqliteTransaction transaction(db_);
  const auto taken = static_cast<int32_t>(db_.QueryInt("SELECT shares_through FROM clock WHERE id = 1"));
  if (taken >= through) return;
  struct Held {
    std::string account;
    PaperHolding holding;
  };
  std::vector<Held> held;
  SqliteStatement query(db_, "SELECT account, code, quantity, value, cost FROM holdings");
  while (query.Step())
    held.push_back({query.Text(0), {query.Text(1), static_cast<int32_t>(query.Int(2)), query.Int(3), query.Int(4)}});
  for (Held& entry : held) {
    PaperHolding& holding = entry.holding;
    int64_t paid = 0;
    for (const ShareChange& change : changesOf(holding.code, taken)) {
      if (holding.quantity <= 0 || change.before <= 0 || change.after <= 0 || change.date > through) continue;
      // In shares of the new kind, times `before`: what is not a whole share is paid out.
      const int64_t parts = int64_t{holding.quantity} * change.after;
      const int64_t kept = parts / change.before;
      const int64_t odd = parts % change.before;
      paid += odd * change.price / change.before;
      holding.value -= holding.value * odd / parts;
      holding.cost -= holding.cost * odd / parts;
      holding.quantity = static_cast<int32_t>(std::min<int64_t>(kept, INT32_MAX));
    }
    SqliteStatement update(db_, "UPDATE holdings SET quantity = ?, value = ?, cost = ? WHERE account = ? AND code = ?");
    update.Bind(1, holding.quantity).Bind(2, holding.value).Bind(3, holding.cost).Bind(4, entry.account);
    update.Bind(5, holding.code).Run();
    if (paid > 0) {
      SqliteStatement cash(db_, "UPDATE accounts SET cash = cash + ? WHERE account = ?");
      cash.Bind(1, paid).Bind(2, entry.account).Run();
    }
  }
  db_.Execute("DELETE FROM holdings WHERE quantity <= 0");
  SqliteStatement mark(db_, "UPDATE clock SET shares_through = ? WHERE id = 1");
  mark.Bind(1, through).Run();
  transaction.Commit();
}

std::pair<int32_t, int32_t> PaperLedger::Span() {
  const auto last = static_cast<int32_t>(db_.QueryInt("SELECT date FROM clock WHERE id = 1"));
  const auto first = static_cast<int32_t>(db_.QueryInt("SELECT coalesce(min(date), 0) FROM orders"));
  return {first > 0 ? std::min(first, last) : last, last};
}

bool PaperLedger::LeaveWal() {
  try {
    return db_.QueryText("PRAGMA journal_mode = DELETE") == "delete";
  } catch (const SqliteError& error) {
    if (error.IsBusy()) return false;
    throw;
  }
}

}  // namespace ostrada::sim
