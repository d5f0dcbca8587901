// The account's market (its seed and listing size), its clock, and where the day's resting orders
// stand in their queues at that clock. The books live in each process's memory and
// the market's own orders there are the same in every process, but an order's place among them is
// history: a process that starts on the ledger would otherwise put it at the back. So the shares
// ahead of each are kept with the account's clock, and a process that resumes at that moment puts
// it back where it stood.
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {

std::optional<int64_t> PaperLedger::ClockFact(std::string_view column) {
  const std::string name(column);
  SqliteStatement query(db_, "SELECT " + name + " FROM clock WHERE id = 1 AND " + name + " IS NOT NULL");
  if (!query.Step()) return std::nullopt;
  return query.Int(0);
}

int64_t PaperLedger::KeepClockFact(std::string_view column, int64_t value) {
  const std::string name(column);
  SqliteTransaction transaction(db_);
  SqliteStatement keep(db_, "UPDATE clock SET " + name + " = ? WHERE id = 1 AND " + name + " IS NULL");
  keep.Bind(1, value).Run();
  const std::optional<int64_t> kept = ClockFact(column);
  transaction.Commit();
  return kept.value_or(value);
}

std::optional<uint64_t> PaperLedger::MarketSeed() {
  const std::optional<int64_t> seed = ClockFact("seed");
  if (!seed) return std::nullopt;
  return static_cast<uint64_t>(*seed);
}

uint64_t PaperLedger::KeepMarketSeed(uint64_t seed) {
  return static_cast<uint64_t>(KeepClockFact("seed", static_cast<int64_t>(seed)));
}

std::optional<int> PaperLedger::ListingSize() {
  // A view reads an earlier version's ledger as it stands, without the column.
  if (db_.QueryInt("PRAGMA user_version") < 6) return std::nullopt;
  const std::optional<int64_t> stocks = ClockFact("stocks");
  if (!stocks) return std::nullopt;
  return static_cast<int>(*stocks);
}

int PaperLedger::KeepListingSize(int stocks) { return static_cast<int>(KeepClockFact("stocks", stocks)); }

PaperLedger::Moment PaperLedger::LastSeen() {
  SqliteStatement query(db_, "SELECT date, time_ms FROM clock WHERE id = 1");
  if (!query.Step()) return {};
  return {static_cast<int32_t>(query.Int(0)), query.Int(1)};
}

void PaperLedger::See(int32_t date, int64_t timeMs) {
  SqliteStatement update(db_,
                         "UPDATE clock SET date = ?1, time_ms = ?2 WHERE id = 1 AND "
                         "(date < ?1 OR (date = ?1 AND time_ms < ?2))");
  update.Bind(1, date).Bind(2, timeMs).Run();
}

const char* PaperLedger::PlacesTable() {
  return R"(
CREATE TABLE places(date INTEGER NOT NULL, number INTEGER NOT NULL, ahead INTEGER NOT NULL CHECK(ahead >= 0),
  PRIMARY KEY(date, number));
)";
}

std::map<int32_t, int32_t> PaperLedger::Places(int32_t date) {
  std::map<int32_t, int32_t> places;
  // A view reads an earlier version's ledger as it stands, without the table: every order at the back.
  if (db_.QueryInt("PRAGMA user_version") < 7) return places;
  SqliteStatement query(db_, "SELECT number, ahead FROM places WHERE date = ?");
  query.Bind(1, date);
  while (query.Step()) places.emplace(static_cast<int32_t>(query.Int(0)), static_cast<int32_t>(query.Int(1)));
  return places;
}

void PaperLedger::KeepPlaces(int32_t date, const std::vector<std::pair<int32_t, int32_t>>& places, const Moment& now) {
  SqliteTransaction transaction(db_);
  SqliteStatement keep(db_, "INSERT OR REPLACE INTO places VALUES(?, ?, ?)");
  for (const std::pair<int32_t, int32_t>& place : places) {
    keep.Bind(1, date).Bind(2, place.first).Bind(3, place.second).Run();
  }
  See(now.date, now.timeMs);
  transaction.Commit();
}

}  // namespace ostrada::sim
