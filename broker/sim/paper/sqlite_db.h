#pragma once
// Owners for the SQLite C handles: a connection, a prepared statement and a transaction that rolls
// back unless committed. Failures throw SqliteError (with SQLite's own message); the ledger above
// catches it at its boundary, so nothing of SQLite leaks past the paper account.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace ostrada::sim {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int Code() const { return code_; }
  // A CHECK, UNIQUE or NOT NULL constraint refused the write.
  bool IsConstraint() const;
  // Another connection held the lock the statement needed.
  bool IsBusy() const;
  // The file is no database, or its pages contradict each other.
  bool IsDamage() const;
  // The disk (or the process's file size limit) had no room for the write.
  bool IsFull() const;
  // The file or the folder it needs beside it for the journal cannot be written.
  bool IsReadOnly() const;

 private:
  int code_;
};

// How a connection opens its file.
enum class SqliteAccess {
  kCreate,  // read and write, creating the file when it is missing
  kWrite,   // read and write an existing file
  kRead,    // read an existing file: nothing this connection does can change it
  // Read an existing file as it stands, taking no locks and making no files beside it: only for a
  // file nobody can be writing (its folder or disk takes no journal).
  kImmutable,
};

class SqliteDb {
 public:
  // ":memory:" gives a private in-memory database.
  SqliteDb(const std::string& path, SqliteAccess access);
  // Opens (creating when `create`) the file.
  SqliteDb(const std::string& path, bool create)
      : SqliteDb(path, create ? SqliteAccess::kCreate : SqliteAccess::kWrite) {}
  struct ReadOnly {};
  SqliteDb(const std::string& path, ReadOnly) : SqliteDb(path, SqliteAccess::kRead) {}
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  // Runs one or more statements that return nothing the caller needs.
  void Execute(std::string_view sql);
  // The first column of the first row of a query as an integer or a text (0 / empty when no row).
  int64_t QueryInt(std::string_view sql);
  std::string QueryText(std::string_view sql);
  int64_t Changes() const;
  // The rowid of the last row this connection inserted.
  int64_t LastInsertId() const;
  sqlite3* Handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class SqliteStatement {
 public:
  SqliteStatement(SqliteDb& db, std::string_view sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Parameters count from 1, as in SQL. Binding after a step resets the statement first.
  SqliteStatement& Bind(int index, int64_t value);
  SqliteStatement& Bind(int index, std::string_view text);
  // True while a row is available.
  bool Step();
  // Steps a statement that returns no rows and makes it ready for the next use.
  void Run();
  int64_t Int(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;
  void Reset();

 private:
  SqliteDb& db_;
  sqlite3_stmt* statement_ = nullptr;
  bool stepped_ = false;
};

// BEGIN IMMEDIATE in the constructor (the write lock at once, so two processes never deadlock on an
// upgrade), ROLLBACK in the destructor unless Commit() ran.
// One transaction, or, inside one already begun on the connection, a savepoint of it: the writes of
// a step belong to the larger one holding the ledger (PaperTrading::Hold).
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDb& db);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  void Commit();

 private:
  SqliteDb& db_;
  bool nested_;
  bool done_ = false;
};

}  // namespace ostrada::sim
