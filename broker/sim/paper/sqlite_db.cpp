#include "broker/sim/paper/sqlite_db.h"

#include <sqlite3.h>

#include <cctype>

namespace ostrada::sim {
namespace {

[[noreturn]] void Throw(sqlite3* db, int code) {
  throw SqliteError(code, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

// The file's URI with the immutable flag: every byte that could read as URI syntax is escaped.
std::string ImmutableUri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || c == '/' || c == '.' || c == '-' || c == '_') {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri + "?immutable=1";
}

}  // namespace

bool SqliteError::IsConstraint() const {
  return code_ == SQLITE_CONSTRAINT;
}

bool SqliteError::IsBusy() const {
  return code_ == SQLITE_BUSY || code_ == SQLITE_LOCKED;
}

bool SqliteError::IsDamage() const {
  return code_ == SQLITE_CORRUPT || code_ == SQLITE_NOTADB;
}

bool SqliteError::IsFull() const {
  return code_ == SQLITE_FULL;
}

bool SqliteError::IsReadOnly() const {
  return code_ == SQLITE_READONLY || code_ == SQLITE_CANTOPEN || code_ == SQLITE_IOERR || code_ == SQLITE_PERM;
}

SqliteDb::SqliteDb(const std::string& path, SqliteAccess access) {
  int flags = SQLITE_OPEN_NOMUTEX;
  switch (access) {
    case SqliteAccess::kCreate:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case SqliteAccess::kWrite:
      flags |= SQLITE_OPEN_READWRITE;
      break;
    case SqliteAccess::kRead:
      flags |= SQLITE_OPEN_READONLY;
      break;
    case SqliteAccess::kImmutable:
      flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      break;
  }
  const std::string name = access == SqliteAccess::kImmutable ? ImmutableUri(path) : path;
  const int code = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (code != SQLITE_OK) {
    const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    sqlite3_close(db_);
    db_ = nullptr;
    throw SqliteError(code, message);
  }
  sqlite3_extended_result_codes(db_, 0);
}

SqliteDb::~SqliteDb() {
  sqlite3_close_v2(db_);
}

void SqliteDb::Execute(std::string_view sql) {
  const std::string text(sql);
  char* error = nullptr;
  const int code = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error);
  if (code != SQLITE_OK) {
    const std::string message = error != nullptr ? error : sqlite3_errstr(code);
    sqlite3_free(error);
    throw SqliteError(code, message);
  }
}

int64_t SqliteDb::QueryInt(std::string_view sql) {
  SqliteStatement statement(*this, sql);
  return statement.Step() ? statement.Int(0) : 0;
}

std::string SqliteDb::QueryText(std::string_view sql) {
  SqliteStatement statement(*this, sql);
  return statement.Step() ? statement.Text(0) : std::string();
}

int64_t SqliteDb::Changes() const {
  return sqlite3_changes(db_);
}

int64_t SqliteDb::LastInsertId() const {
  return sqlite3_last_insert_rowid(db_);
}

SqliteStatement::SqliteStatement(SqliteDb& db, std::string_view sql) : db_(db) {
  const int code = sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
  if (code != SQLITE_OK) Throw(db.Handle(), code);
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(statement_);
}

void SqliteStatement::Reset() {
  sqlite3_reset(statement_);
  stepped_ = false;
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
  if (stepped_) Reset();
  const int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) Throw(db_.Handle(), code);
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  if (stepped_) Reset();
  const int code = sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (code != SQLITE_OK) Throw(db_.Handle(), code);
  return *this;
}

bool SqliteStatement::Step() {
  stepped_ = true;
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  const int error = sqlite3_reset(statement_);
  stepped_ = false;
  Throw(db_.Handle(), error != SQLITE_OK ? error : code);
}

void SqliteStatement::Run() {
  while (Step()) {
  }
  Reset();
}

int64_t SqliteStatement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::Real(int column) const {
  return sqlite3_column_double(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return text != nullptr ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
                         : std::string();
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db), nested_(sqlite3_get_autocommit(db.Handle()) == 0) {
  db_.Execute(nested_ ? "SAVEPOINT step" : "BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
  if (done_) return;
  try {
    db_.Execute(nested_ ? "ROLLBACK TO step; RELEASE step" : "ROLLBACK");
  } catch (const SqliteError&) {
    // A failed statement may already have ended the transaction; nothing is left to undo then.
  }
}

void SqliteTransaction::Commit() {
  db_.Execute(nested_ ? "RELEASE step" : "COMMIT");
  done_ = true;
}

}  // namespace ostrada::sim
