// The ledger's standing conditions: one row each, from the moment it is set to the moment it fires,
// ends or is cancelled. A condition is ended by a conditional update (only an active row changes) in
// the transaction that also enters its order, so of two processes that meet the same contract one
// acts and the other finds it ended.
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {
namespace {

// The characters the ledger stores for a condition's kind and state: the one place they are spelled.
char Stored(WatchKind kind) {
  switch (kind) {
    case WatchKind::kStop:
      return 'S';
    case WatchKind::kTake:
      return 'T';
    case WatchKind::kTrail:
      return 'R';
    case WatchKind::kBreakout:
      return 'B';
    case WatchKind::kAlertAbove:
      return 'U';
    case WatchKind::kAlertBelow:
      return 'D';
  }
  return 'S';
}
char Stored(WatchState state) {
  switch (state) {
    case WatchState::kActive:
      return 'A';
    case WatchState::kFired:
      return 'F';
    case WatchState::kEnded:
      return 'E';
    case WatchState::kCancelled:
      return 'C';
  }
  return 'A';
}

template <class Value, size_t N>
Value Decoded(const std::string& stored, const Value (&values)[N], const char* column) {
  for (const Value value : values) {
    if (stored.size() == 1 && stored[0] == Stored(value)) return value;
  }
  throw SqliteError(0, std::string("a condition's ") + column + " '" + stored + "' is none the ledger writes");
}
constexpr WatchKind kWatchKinds[] = {WatchKind::kStop,     WatchKind::kTake,       WatchKind::kTrail,
                                     WatchKind::kBreakout, WatchKind::kAlertAbove, WatchKind::kAlertBelow};
constexpr WatchState kWatchStates[] = {WatchState::kActive, WatchState::kFired, WatchState::kEnded,
                                       WatchState::kCancelled};

constexpr const char* kWatchColumns =
    "id, account, code, kind, level, trail_percent, trail_won, market, ticks, quantity, set_date, set_ms, expiry, "
    "peak, peak_date, state, end_date, end_ms, fired_price, order_number, message";

WatchCondition ReadWatch(const SqliteStatement& row) {
  WatchCondition condition;
  condition.id = row.Int(0);
  condition.account = row.Text(1);
  condition.code = row.Text(2);
  condition.kind = Decoded(row.Text(3), kWatchKinds, "kind");
  condition.level = static_cast<int32_t>(row.Int(4));
  condition.trailPercent = static_cast<int32_t>(row.Int(5));
  condition.trailWon = static_cast<int32_t>(row.Int(6));
  condition.market = row.Int(7) != 0;
  condition.ticks = static_cast<int32_t>(row.Int(8));
  condition.quantity = static_cast<int32_t>(row.Int(9));
  condition.setDate = static_cast<int32_t>(row.Int(10));
  condition.setMs = static_cast<int32_t>(row.Int(11));
  condition.expiry = static_cast<int32_t>(row.Int(12));
  condition.peak = static_cast<int32_t>(row.Int(13));
  condition.peakDate = static_cast<int32_t>(row.Int(14));
  condition.state = Decoded(row.Text(15), kWatchStates, "state");
  condition.endDate = static_cast<int32_t>(row.Int(16));
  condition.endMs = static_cast<int32_t>(row.Int(17));
  condition.firedPrice = static_cast<int32_t>(row.Int(18));
  condition.orderNumber = static_cast<int32_t>(row.Int(19));
  condition.message = row.Text(20);
  return condition;
}

std::vector<WatchCondition> ReadWatches(SqliteStatement& query) {
  std::vector<WatchCondition> conditions;
  while (query.Step()) conditions.push_back(ReadWatch(query));
  return conditions;
}

}  // namespace

// The CHECKs keep what no condition can be: a level below a won, a quantity below none, a trailing
// stop without its distance.
const char* PaperLedger::WatchTable() {
  return R"(
CREATE TABLE watches(id INTEGER PRIMARY KEY, account TEXT NOT NULL, code TEXT NOT NULL, kind TEXT NOT NULL,
  level INTEGER NOT NULL CHECK(level >= 0), trail_percent INTEGER NOT NULL CHECK(trail_percent >= 0),
  trail_won INTEGER NOT NULL CHECK(trail_won >= 0), market INTEGER NOT NULL, ticks INTEGER NOT NULL,
  quantity INTEGER NOT NULL CHECK(quantity >= 0), set_date INTEGER NOT NULL, set_ms INTEGER NOT NULL,
  expiry INTEGER NOT NULL, peak INTEGER NOT NULL, peak_date INTEGER NOT NULL, state TEXT NOT NULL,
  end_date INTEGER NOT NULL DEFAULT 0, end_ms INTEGER NOT NULL DEFAULT 0, fired_price INTEGER NOT NULL DEFAULT 0,
  order_number INTEGER NOT NULL DEFAULT 0, message TEXT NOT NULL DEFAULT '',
  CHECK(kind <> 'R' OR trail_percent > 0 OR trail_won > 0));
CREATE INDEX watches_by_state ON watches(state, id);
)";
}

int64_t PaperLedger::InsertWatch(WatchCondition& condition) {
  SqliteTransaction transaction(db_);
  SqliteStatement insert(db_,
                         "INSERT INTO watches(account, code, kind, level, trail_percent, trail_won, market, ticks, "
                         "quantity, set_date, set_ms, expiry, peak, peak_date, state) "
                         "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.Bind(1, condition.account).Bind(2, condition.code).Bind(3, std::string(1, Stored(condition.kind)));
  insert.Bind(4, condition.level).Bind(5, condition.trailPercent).Bind(6, condition.trailWon);
  insert.Bind(7, condition.market ? 1 : 0).Bind(8, condition.ticks).Bind(9, condition.quantity);
  insert.Bind(10, condition.setDate).Bind(11, condition.setMs).Bind(12, condition.expiry);
  insert.Bind(13, condition.peak).Bind(14, condition.peakDate);
  insert.Bind(15, std::string(1, Stored(WatchState::kActive))).Run();
  condition.id = db_.LastInsertId();
  condition.state = WatchState::kActive;
  transaction.Commit();
  return condition.id;
}

std::vector<WatchCondition> PaperLedger::Watches(const std::string& account) {
  SqliteStatement query(db_, std::string("SELECT ") + kWatchColumns + " FROM watches WHERE account = ? ORDER BY id");
  query.Bind(1, account);
  return ReadWatches(query);
}

std::vector<WatchCondition> PaperLedger::ActiveWatches() {
  SqliteStatement query(db_, std::string("SELECT ") + kWatchColumns + " FROM watches WHERE state = '" +
                                 Stored(WatchState::kActive) + "' ORDER BY id");
  return ReadWatches(query);
}

std::optional<WatchCondition> PaperLedger::Watch(int64_t id) {
  SqliteStatement query(db_, std::string("SELECT ") + kWatchColumns + " FROM watches WHERE id = ?");
  query.Bind(1, id);
  if (!query.Step()) return std::nullopt;
  return ReadWatch(query);
}

bool PaperLedger::EndWatch(const WatchCondition& ending, const SqliteTransaction& /*inside*/) {
  SqliteStatement update(db_,
                         "UPDATE watches SET state = ?, end_date = ?, end_ms = ?, fired_price = ?, order_number = ?, "
                         "message = ? WHERE id = ? AND state = '" +
                             std::string(1, Stored(WatchState::kActive)) + "'");
  update.Bind(1, std::string(1, Stored(ending.state))).Bind(2, ending.endDate).Bind(3, ending.endMs);
  update.Bind(4, ending.firedPrice).Bind(5, ending.orderNumber).Bind(6, ending.message).Bind(7, ending.id).Run();
  return db_.Changes() == 1;
}

void PaperLedger::RaisePeak(int64_t id, int32_t peak, int32_t date) {
  SqliteStatement update(db_, "UPDATE watches SET peak = max(peak, ?), peak_date = ? WHERE id = ? AND peak_date < ?");
  update.Bind(1, peak).Bind(2, date).Bind(3, id).Bind(4, date).Run();
}

}  // namespace ostrada::sim
