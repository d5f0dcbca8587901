#pragma once
// The paper account's durable record: accounts and their cash, every order of every day, every fill,
// and the holdings, in one SQLite database (WAL journal). The ledger is the account's only truth:
// the exchange keeps nothing about an account in memory that it could not read back from here, so a
// process killed at any moment loses nothing it acknowledged, and a second process (the command
// line beside the program) sees the same account.
//
// Money is in won (64-bit), quantities in shares, times in milliseconds of the trading day.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/paper_watch.h"
#include "broker/sim/paper/sqlite_db.h"

namespace ostrada::sim {

// Which way an order trades.
enum class Side { kSell, kBuy };

// What an order does: trade, or change an earlier order's remainder.
enum class OrderKind { kOrdinary, kModify, kCancel };

enum class OrderState {
  kOpen,      // may still trade
  kFilled,    // traded in full
  kClosed,    // its remainder was modified or cancelled away
  kExpired,   // the day (or the market) ended it unfilled
  kRecorded,  // a cancellation's own record: it never trades
  kPartFilled,  // traded in part, the rest withdrawn or expired
};

struct PaperOrder {
  int32_t date = 0;
  int32_t number = 0;
  std::string account;
  std::string code;
  Side side = Side::kBuy;
  bool market = false;
  int32_t price = 0;         // the limit; 0 for a market order
  int32_t reservePrice = 0;  // what a buy holds cash for: the limit, or the upper limit at market
  int32_t quantity = 0;
  int32_t filled = 0;
  int32_t withdrawn = 0;  // taken away by a later modify or cancel
  OrderKind kind = OrderKind::kOrdinary;
  int32_t original = 0;  // the order a modify or cancel names
  int32_t timeMs = 0;    // entered
  OrderState state = OrderState::kOpen;

  int32_t Remaining() const { return quantity - filled - withdrawn; }
  bool IsBuy() const { return side == Side::kBuy; }
};

struct PaperHolding {
  std::string code;
  int32_t quantity = 0;
  int64_t value = 0;  // what the shares held cost at their prices
  int64_t cost = 0;   // the same with the buy commissions
};

struct PaperFill {
  int32_t date = 0;
  int32_t number = 0;
  int32_t start = 0;  // the order's quantity filled before it
  int32_t price = 0;
  int32_t quantity = 0;
  int64_t commission = 0;
  int64_t tax = 0;
  int32_t timeMs = 0;
  int64_t id = 0;  // the fill's place in the ledger, rising
};

// Fees in parts per million of the traded value, each rounded down to the won.
struct FeeRates {
  int64_t commissionPpm = 150;  // 0.015 % on both sides
  int64_t sellTaxPpm = 2000;    // 0.20 % on sells
  int64_t Commission(int64_t value) const { return value * commissionPpm / 1'000'000; }
  int64_t Tax(int64_t value) const { return value * sellTaxPpm / 1'000'000; }
};

// The ledger's rows as a reader of its file sees them, for one that must not open it as the ledger
// (the journal reads it without writing): the columns to select, in this order, and the values of a
// row of them. A row whose side, kind or state is no value the ledger writes throws SqliteError.
std::string PaperOrderColumns();
PaperOrder ReadPaperOrder(const SqliteStatement& row);
std::string PaperFillColumns();
PaperFill ReadPaperFill(const SqliteStatement& row);

class PaperLedger {
 public:
  // An exchange time: the date and milliseconds of the day.
  struct Moment {
    int32_t date = 0;
    int64_t timeMs = 0;
  };

  // Opens the database at `path` (":memory:" keeps it in memory), creating it with the accounts and
  // their starting cash when the file does not exist. A file that is not this ledger, fails its
  // integrity check or cannot be opened is left as it is: the result is null and `problem` says why
  // (CP949).
  // `fees` price every fill and the commission open buys hold cash for.
  // A file of no bytes is refused like any damaged one (a process that is creating it is waited for).
  // The problem names a storage fault (another process holding the file past the wait, a full disk,
  // a file or folder that cannot be written) as such, and only a file that is not sound as damaged.
  static std::unique_ptr<PaperLedger> Open(const std::string& path, const std::vector<std::string>& accounts,
                                           int64_t startingCash, const FeeRates& fees, std::string& problem);
  // Opens an existing ledger for reading only, for the views: nothing is written, not even the
  // journal files beside it, so a read-only file or folder, a full disk or another process writing
  // meanwhile do not stop it (a process that holds the file whole is waited for briefly). Every write
  // of the result throws SqliteError.
  static std::unique_ptr<PaperLedger> OpenToRead(const std::string& path, const FeeRates& fees,
                                                 std::string& problem);
  // Opened by OpenToRead.
  bool ReadOnly() const { return readOnly_; }

  // The transaction rule: a write that is one step of a larger check-then-write (Insert, Withdraw)
  // takes the transaction it runs in, begun here; the other writes (RecordFill, Expire, ExpireBefore,
  // KeepMarketSeed) are whole on their own and open their own, so they are called outside one. See
  // is a single statement and may run either way.
  // A write transaction (the database's write lock at once, BEGIN IMMEDIATE).
  std::unique_ptr<SqliteTransaction> Begin() { return std::make_unique<SqliteTransaction>(db_); }

  bool HasAccount(const std::string& account);
  int64_t Cash(const std::string& account);
  int64_t StartingCash(const std::string& account);
  // Cash held by the open buy orders of the account (value at the reserve price plus commission),
  // kept up to date by every write so that checking an order does not sum the open ones.
  int64_t ReservedCash(const std::string& account);
  // Shares of the code offered by the open sell orders of the account.
  int32_t Offered(const std::string& account, const std::string& code);
  // The remainders of the account's open orders of the code on the side.
  int64_t OpenQuantity(const std::string& account, const std::string& code, Side side);

  PaperHolding Holding(const std::string& account, const std::string& code);
  int32_t HoldingCount(const std::string& account);
  // Holdings in code order, from `offset`, at most `limit`.
  std::vector<PaperHolding> Holdings(const std::string& account, int32_t offset, int32_t limit);

  // The open orders of the account on the date in number order, from `offset`, at most `limit`.
  std::vector<PaperOrder> OpenOrders(const std::string& account, int32_t date, int32_t offset, int32_t limit);
  int32_t OpenOrderCount(const std::string& account, int32_t date);
  // Every open order of the date, of any account, in number order.
  std::vector<PaperOrder> OpenOrdersOf(int32_t date);
  std::optional<PaperOrder> Order(int32_t date, int32_t number);
  std::vector<PaperFill> Fills();

  // What other processes wrote, for a process that keeps the day's orders in its books.
  // True when another connection committed since the last call (the first call sets the mark).
  bool ChangedElsewhere();
  // Every order of the date numbered above `number`, in number order, whatever its state.
  std::vector<PaperOrder> OrdersAfter(int32_t date, int32_t number);
  // The fills after the one with `id`, in the order they were recorded.
  std::vector<PaperFill> FillsAfter(int64_t id);
  int64_t LastFillId();
  // The highest order number of the date (0: none yet).
  int32_t LastNumber(int32_t date);

  // Stores a new order under the next number of its date and returns the number.
  int32_t Insert(PaperOrder& order, const SqliteTransaction& inside);
  // Takes `quantity` of the order's remainder away (a modify or cancel); closes it when none is left.
  // `order` is the order as stored now.
  void Withdraw(const PaperOrder& order, int32_t quantity, const SqliteTransaction& inside);
  // Ends an open order unfilled.
  void Expire(int32_t date, int32_t number);
  // Ends every order still open from a date before `date`, and forgets their places.
  int ExpireBefore(int32_t date);
  // What recording an execution did: the order as stored before it (none when unknown) and the
  // shares recorded (0: nothing).
  struct FillResult {
    std::optional<PaperOrder> order;
    int32_t quantity = 0;
    int64_t id = 0;  // the fill recorded
  };
  // One execution, in one write transaction that reads the order, the cash and the holding again: the
  // fill, the order's filled quantity, the holding, the cash, the held cash and the exchange time
  // `now` (see See). `start` is the quantity the filling process saw filled before it: with the order
  // it names the execution, so the same one reached by two processes is recorded once. Records at
  // most the order's remainder, and nothing the cash or the shares held cannot pay for.
  FillResult RecordFill(int32_t date, int32_t number, int32_t start, int32_t price, int32_t quantity, int32_t timeMs,
                        const Moment& now);

  // The splits and consolidations of the held stocks, after those the holdings took already through
  // the trading date `through`, once whatever the processes: `changesOf` tells a code's after a
  // date. A consolidation's odd shares are paid out in cash at the new share's base price.
  void TakeShareChanges(int32_t through,
                        const std::function<std::vector<ShareChange>(const std::string& code, int32_t after)>& changesOf);

  // The seed of the account's market; none until a session chose it.
  std::optional<uint64_t> MarketSeed();
  // Keeps `seed` as the account's market unless one is kept already; returns the one kept.
  uint64_t KeepMarketSeed(uint64_t seed);
  // The number of stocks the account's market lists, once a session chose it (a ledger of a version
  // before 6 has none until the next session that writes it); keeping it works as the seed's.
  std::optional<int> ListingSize();
  int KeepListingSize(int stocks);

  // The account's clock: the latest exchange time the ledger has seen (date 0: none yet).
  Moment LastSeen();
  // Moves the latest time forward (never back).
  void See(int32_t date, int64_t timeMs);
  // Where the date's resting orders stood in their queues when a process last kept them (see
  // paper_ledger_places.cpp): order number -> the shares ahead of it at its price.
  std::map<int32_t, int32_t> Places(int32_t date);
  // Keeps the places (number, shares ahead) of the date's orders that moved, with the clock at their
  // moment (See), in one transaction.
  void KeepPlaces(int32_t date, const std::vector<std::pair<int32_t, int32_t>>& places, const Moment& now);

  // The trading dates the account spans: its first order's date (the clock's when it has none) to the
  // clock's date; 0 and 0 for a ledger whose clock never ran.
  std::pair<int32_t, int32_t> Span();
  // Makes the ledger a single file, out of WAL mode, so that it can be moved aside. Only the last
  // connection on a file may leave WAL: false while another process has the ledger open.
  bool LeaveWal();
  // The standing conditions (paper_ledger_watch.cpp). A new active condition, its id returned.
  int64_t InsertWatch(WatchCondition& condition);
  // The account's conditions in the order they were set.
  std::vector<WatchCondition> Watches(const std::string& account);
  // Every account's active conditions in the order they were set.
  std::vector<WatchCondition> ActiveWatches();
  std::optional<WatchCondition> Watch(int64_t id);
  // Ends an active condition as `ending` says (its state, moment, price, order and message), inside
  // `inside`: false when it was no longer active, because another process ended it first.
  bool EndWatch(const WatchCondition& ending, const SqliteTransaction& inside);
  // Raises a trailing stop's highest price to `peak` through `date`, once per date.
  void RaisePeak(int64_t id, int32_t peak, int32_t date);

 private:
  // Marks the file as this ledger, so a stranger's database is never taken for one.
  static constexpr int64_t kApplicationId = 0x4F535044;  // "OSPD"
  static constexpr int64_t kSchemaVersion = 7;

  PaperLedger(const std::string& path, const FeeRates& fees, SqliteAccess access);
  // False when the file is another database or fails its integrity check.
  bool Sound();
  // Enters WAL and brings the file to this version with the accounts, in one write transaction.
  void Prepare(const std::vector<std::string>& accounts, int64_t startingCash);
  // Brings the schema of any earlier version to this one, in the caller's transaction.
  void Migrate();
  // The conditions' table, added by one step of Migrate.
  static const char* WatchTable();
  // The resting orders' places, added by another.
  static const char* PlacesTable();
  // A one-time fact of the clock row (`column` is one of the schema's, never input), and keeping it.
  std::optional<int64_t> ClockFact(std::string_view column);
  int64_t KeepClockFact(std::string_view column, int64_t value);
  // The cash an open buy holds for `remaining` shares; 0 for a sell.
  int64_t Held(const PaperOrder& order, int32_t remaining) const;
  void AddReserved(const std::string& account, int64_t change);
  // Sums the open buys again (at open, with these fees, and after a day's orders expired).
  void RecountReserved();
  // A row whose side, kind or state is no value the ledger writes throws SqliteError.
  PaperOrder ReadOrder(const SqliteStatement& row) const;
  std::vector<PaperOrder> ReadOrders(SqliteStatement& statement);

  SqliteDb db_;
  FeeRates fees_;
  bool readOnly_;
  int64_t dataVersion_ = -1;
};

}  // namespace ostrada::sim
