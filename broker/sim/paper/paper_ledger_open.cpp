// Opening the ledger: for trading (creating it when missing and bringing it to this version) or for
// a view (reading only), and naming what stopped it: another process, the disk, the file's or the
// folder's permissions, or a file that is not sound.
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {
namespace {

// How long a write waits for the other process (the program or the command line) to finish its own.
constexpr int kBusyTimeoutMs = 5000;
// A view waits only briefly for a process that holds the file whole: the user is told instead.
constexpr int kViewBusyTimeoutMs = 1500;
constexpr int kRetryMs = 10;
// A file of no bytes younger than this may be a ledger another process is creating at this moment.
constexpr auto kCreationGrace = std::chrono::seconds(2);
// The oldest version whose rows a view reads as this one's.
constexpr int64_t kFirstReadableVersion = 3;

std::string Problem(Txt text, const std::string& path, const std::string& reason) {
  return Text(text) + Utf8ToCp949(path) + " (" + reason + ")";
}

// A storage fault is named as one; only a file that is not sound is called damaged.
std::string Problem(const SqliteError& error, const std::string& path) {
  const Txt text = error.IsBusy()                           ? Txt::kPaperLedgerBusy
                   : error.IsDamage() || error.IsConstraint() ? Txt::kPaperLedgerDamaged
                   : error.IsFull()                           ? Txt::kPaperLedgerFull
                                                              : Txt::kPaperLedgerUnopenable;
  return Problem(text, path, error.what());
}

// Puts the file in WAL mode. A process that meets another switching a new file at the same moment is
// told "busy" at once, without the busy timeout's wait: it waits here as that timeout would.
void EnterWal(SqliteDb& db) {
  for (int waited = 0;; waited += kRetryMs) {
    try {
      db.Execute("PRAGMA journal_mode = WAL");
      return;
    } catch (const SqliteError& error) {
      if (!error.IsBusy() || waited >= kBusyTimeoutMs) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
  }
}

// A file of no bytes that no process is about to write: a ledger killed as it began, or a stranger's
// file. Taken for a new ledger, it would silently become an account nobody opened.
bool EmptyForGood(const std::string& path) {
  namespace fs = std::filesystem;
  for (;;) {
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (error || size > 0) return false;
    const fs::file_time_type written = fs::last_write_time(path, error);
    if (error) return false;
    if (fs::file_time_type::clock::now() - written >= kCreationGrace) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
  }
}

// The journal beside the file holds commits the file itself lacks yet.
bool JournalHoldsCommits(const std::string& path) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path + "-wal", error);
  return !error && size > 0;
}

}  // namespace

bool PaperLedger::Sound() {
  // Reading the header first: a file that is not a database fails here, before anything writes.
  const int64_t tables = db_.QueryInt("SELECT count(*) FROM sqlite_master");
  const int64_t id = db_.QueryInt("PRAGMA application_id");
  return (tables == 0 || id == kApplicationId) && db_.QueryText("PRAGMA quick_check") == "ok";
}

std::unique_ptr<PaperLedger> PaperLedger::Open(const std::string& path, const std::vector<std::string>& accounts,
                                               int64_t startingCash, const FeeRates& fees, std::string& problem) {
  const bool create = path == ":memory:" || !std::filesystem::exists(path);
  try {
    if (!create && EmptyForGood(path)) {
      problem = Problem(Txt::kPaperLedgerDamaged, path, "empty");
      return nullptr;
    }
    std::unique_ptr<PaperLedger> ledger(
        new PaperLedger(path, fees, create ? SqliteAccess::kCreate : SqliteAccess::kWrite));
    SqliteDb& db = ledger->db_;
    db.Execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs));
    if (!ledger->Sound()) {
      problem = Problem(Txt::kPaperLedgerDamaged, path, "integrity");
      return nullptr;
    }
    // WAL with synchronous=NORMAL: a commit is in the log (the operating system's cache) before it
    // returns, so a killed process loses nothing; only a power cut may lose the last commits.
    EnterWal(db);
    db.Execute("PRAGMA synchronous = NORMAL");
    ledger->Prepare(accounts, startingCash);
    return ledger;
  } catch (const SqliteError& error) {
    // Rows that break a check of this version were written by a fault: the ledger is not sound.
    problem = Problem(error, path);
    return nullptr;
  }
}

std::unique_ptr<PaperLedger> PaperLedger::OpenToRead(const std::string& path, const FeeRates& fees,
                                                     std::string& problem) {
  try {
    if (EmptyForGood(path)) {
      problem = Problem(Txt::kPaperLedgerDamaged, path, "empty");
      return nullptr;
    }
    std::unique_ptr<PaperLedger> ledger;
    bool sound = false;
    try {
      ledger.reset(new PaperLedger(path, fees, SqliteAccess::kRead));
      ledger->db_.Execute("PRAGMA busy_timeout = " + std::to_string(kViewBusyTimeoutMs));
      sound = ledger->Sound();
    } catch (const SqliteError& error) {
      // A folder or a disk that takes no journal files beside the ledger: with none holding commits,
      // the file is the whole ledger, and nobody can be writing it.
      if (!error.IsReadOnly() || JournalHoldsCommits(path)) throw;
      ledger.reset(new PaperLedger(path, fees, SqliteAccess::kImmutable));
      sound = ledger->Sound();
    }
    const int64_t version = ledger->db_.QueryInt("PRAGMA user_version");
    if (!sound || ledger->db_.QueryInt("PRAGMA application_id") != kApplicationId) {
      problem = Problem(Txt::kPaperLedgerDamaged, path, "integrity");
      return nullptr;
    }
    if (version < kFirstReadableVersion || version > kSchemaVersion) {
      problem = Problem(version > kSchemaVersion ? Txt::kPaperLedgerNewer : Txt::kPaperLedgerUnopenable, path,
                        "version " + std::to_string(version));
      return nullptr;
    }
    return ledger;
  } catch (const SqliteError& error) {
    problem = Problem(error, path);
    return nullptr;
  }
}

}  // namespace ostrada::sim
