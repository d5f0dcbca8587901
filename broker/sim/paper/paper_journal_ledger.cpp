#include "broker/sim/paper/paper_journal_ledger.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"

namespace ostrada::sim {
namespace {

constexpr int64_t kApplicationId = 0x4F535044;  // the ledger's mark, "OSPD"
// The first version with every column read here; later ones add, never take away.
constexpr int64_t kFirstReadableVersion = 3;
// A reader waits this long for a process that holds the file whole (a checkpoint, a recovery).
constexpr int kBusyTimeoutMs = 1500;

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

  SqliteStatement orders(db, "SELECT " + PaperOrderColumns() + " FROM orders WHERE account = ? ORDER BY date, number");
  orders.Bind(1, ledger.account);
  while (orders.Step()) ledger.orders.push_back(ReadPaperOrder(orders));

  // The fill's columns qualified by their table: the order shares date and number.
  std::string fillColumns;
  const std::string columns = PaperFillColumns();
  for (size_t at = 0; at < columns.size();) {
    const size_t comma = columns.find(',', at);
    const size_t end = comma == std::string::npos ? columns.size() : comma;
    std::string column = columns.substr(at, end - at);
    column.erase(0, column.find_first_not_of(' '));
    fillColumns += (fillColumns.empty() ? "f." : ", f.") + column;
    at = end == columns.size() ? end : end + 1;
  }
  SqliteStatement fills(db, "SELECT " + fillColumns +
                                " FROM fills f JOIN orders o ON o.date = f.date AND o.number = f.number "
                                "WHERE o.account = ? ORDER BY f.id");
  fills.Bind(1, ledger.account);
  while (fills.Step()) ledger.fills.push_back(ReadPaperFill(fills));

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
