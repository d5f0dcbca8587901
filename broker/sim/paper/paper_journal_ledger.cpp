#include "broker/sim/paper/paper_journal_ledger.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <unordered_set>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"

namespace ostrada::sim {
namespace {

constexpr int64_t kApplicationId = 0x4F535044;  // the ledger's mark, "OSPD"
// The first version with every column read here; later ones add, never take away.
constexpr int64_t kFirstReadableVersion = 3;
// A reader waits this long for a process that holds the file whole (a checkpoint, a recovery).
constexpr int kBusyTimeoutMs = 1500;

int64_t OrderKey(int32_t date, int32_t number) {
  return (int64_t{date} << 32) | static_cast<uint32_t>(number);
}

std::string Problem(Txt text, const std::string& path) {
  return Text(text) + Utf8ToCp949(path);
}

// False when the ledger has no such account.
bool ReadRows(SqliteDb& db, JournalLedger& ledger) {
  SqliteStatement account(db, "SELECT starting_cash, cash FROM accounts WHERE account = ?");
  if (!account.Bind(1, ledger.account).Step()) return false;
  ledger.startingCash = account.Int(0);
  ledger.cash = account.Int(1);

  SqliteStatement holdings(db, "SELECT code, quantity, value, cost FROM holdings WHERE account = ? ORDER BY code");
  holdings.Bind(1, ledger.account);
  while (holdings.Step())
    ledger.holdings.push_back(
        {holdings.Text(0), static_cast<int32_t>(holdings.Int(1)), holdings.Int(2), holdings.Int(3)});

  // In the order they were written, which is the orders' own unless a ledger was mended by hand: a
  // walk down the table, where ordering by the key would look every row up through its index.
  ledger.orders.reserve(static_cast<size_t>(db.QueryInt("SELECT count(*) FROM orders")));
  SqliteStatement orders(db, "SELECT " + PaperOrderColumns() + " FROM orders WHERE account = ?");
  orders.Bind(1, ledger.account);
  while (orders.Step()) ledger.orders.push_back(ReadPaperOrder(orders));
  const auto byKey = [](const PaperOrder& a, const PaperOrder& b) {
    return OrderKey(a.date, a.number) < OrderKey(b.date, b.number);
  };
  if (!std::is_sorted(ledger.orders.begin(), ledger.orders.end(), byKey))
    std::sort(ledger.orders.begin(), ledger.orders.end(), byKey);

  // Every fill in one pass down the table, those of other accounts' orders left out here: a lookup of
  // each fill's order in the database would cost more than the whole scan.
  std::unordered_set<int64_t> ours;
  ours.reserve(ledger.orders.size());
  for (const PaperOrder& order : ledger.orders) ours.insert(OrderKey(order.date, order.number));
  ledger.fills.reserve(static_cast<size_t>(db.QueryInt("SELECT count(*) FROM fills")));
  SqliteStatement fills(db, "SELECT " + PaperFillColumns() + " FROM fills ORDER BY id");
  while (fills.Step()) {
    PaperFill fill = ReadPaperFill(fills);
    if (ours.count(OrderKey(fill.date, fill.number)) != 0) ledger.fills.push_back(fill);
  }

  SqliteStatement clock(db, "SELECT date, time_ms, shares_through, seed FROM clock WHERE id = 1");
  if (clock.Step()) {
    ledger.clock = {static_cast<int32_t>(clock.Int(0)), clock.Int(1)};
    ledger.sharesThrough = static_cast<int32_t>(clock.Int(2));
    if (!clock.Text(3).empty()) ledger.marketSeed = static_cast<uint64_t>(clock.Int(3));
  }
  return true;
}

}  // namespace

std::optional<JournalLedger> ReadJournalLedger(const std::string& path, const std::string& account,
                                               std::string& problem) {
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0) {
    problem = Problem(Txt::kJournalNoLedger, path);
    return std::nullopt;
  }
  JournalLedger ledger;
  ledger.account = account;
  bool known = false;
  try {
    SqliteDb db(path, SqliteDb::ReadOnly{});
    db.Execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs));
    if (db.QueryInt("PRAGMA application_id") != kApplicationId ||
        db.QueryInt("PRAGMA user_version") < kFirstReadableVersion) {
      problem = Problem(Txt::kJournalNotLedger, path);
      return std::nullopt;
    }
    // One read transaction: every row from the same commit of the writers.
    db.Execute("BEGIN");
    known = ReadRows(db, ledger);
    db.Execute("COMMIT");
  } catch (const SqliteError& error) {
    const int code = error.Code();
    const Txt text = code == SQLITE_BUSY || code == SQLITE_LOCKED     ? Txt::kJournalLocked
                     : code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? Txt::kJournalNotLedger
                                                                       : Txt::kJournalUnreadable;
    problem = Problem(text, path) + " (" + error.what() + ")";
    return std::nullopt;
  }
  if (!known) {
    problem = Text(Txt::kJournalUnknownAccount) + account;
    return std::nullopt;
  }
  return ledger;
}

}  // namespace ostrada::sim
