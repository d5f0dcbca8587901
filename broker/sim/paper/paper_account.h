#pragma once
// The paper account behind the trade objects: it checks an order as a Korean exchange would, commits
// it to the ledger, matches it against the live market and tells every listener of each acceptance,
// confirmation, rejection and fill once its books and ledger are settled. Orders rest in the stocks'
// live books beside the market's own liquidity (price-time priority) and trade as the market's flow
// reaches them; orders of a call auction wait for the auction's price at 09:00 or at the close. The
// exchange's pump drives it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "broker/sim/market/market_service.h"
#include "broker/sim/paper/paper_ledger.h"
#include "broker/sim/paper/paper_notices.h"
#include "broker/sim/paper/paper_options.h"

namespace ostrada::sim {

// The status of a request refused because the ledger could not serve it.
inline constexpr int16_t kLedgerStatus = 23;

// The fee rates of the options, in parts per million.
FeeRates FeeRatesOf(const PaperOptions& options);

// The side of the book an order rests on.
BookSide BookSideOf(Side side);

// The paper accounts, in the order the trade utility lists them.
const std::vector<std::string>& PaperAccountNumbers();

// What the account can buy now.
struct BuyingPower {
  int64_t cash = 0;           // the deposit
  int64_t reserved = 0;       // held by open buy orders
  int64_t available = 0;      // cash less reserved
  int32_t quantity = 0;       // shares of the code affordable at the price, commission included
  int32_t grossQuantity = 0;  // the same without the commission
};

class PaperTrading {
 public:
  // `ledger` may be null: every trade request is then refused with `problem`.
  PaperTrading(ExchangeContext& context, SharedMarket market, std::unique_ptr<PaperLedger> ledger, std::string problem,
               const PaperOptions& options);
  ~PaperTrading();
  PaperTrading(const PaperTrading&) = delete;
  PaperTrading& operator=(const PaperTrading&) = delete;

  const std::vector<std::string>& Accounts() const { return accounts_; }
  // Why the ledger is unavailable (CP949), empty when it is open.
  const std::string& Problem() const { return problem_; }
  void SetInitialised() { initialised_ = true; }

  struct Result {
    std::optional<Refusal> refusal;
    PaperOrder order;  // the order as entered (its number among it)
  };
  // A buy or sell, limit at `price` or at market. No side: the request named none the exchange knows.
  Result Place(const std::string& account, const std::string& code, std::optional<Side> side, bool market,
               int32_t price, int32_t quantity);
  // A modify (to a limit at `price`) or a cancel of `quantity` of the target's remainder.
  Result Amend(const std::string& account, const std::string& code, int32_t target, int32_t quantity, int32_t price,
               bool cancel);

  // The refusal that stops any query of the account, if one does.
  std::optional<Refusal> CheckQuery(const std::string& account);
  // `price` 0 with a code: the code's upper limit (a market buy). No code: no quantity.
  BuyingPower Buyable(const std::string& account, const std::string& code, int32_t price);
  PaperLedger& Ledger() { return *ledger_; }
  const FeeRates& Fees() const { return fees_; }
  int32_t Today();
  // The listed name of a code (empty when unlisted).
  std::string NameOf(const std::string& code);

  // The shares that rest before a day's open order at its price in the book it waits in, which must
  // trade before any of it can; null when it waits for an auction or is not in this process's books.
  std::optional<int32_t> QueueAhead(int32_t number);

  void AddListener(OrderNoticeListener* listener);
  void RemoveListener(OrderNoticeListener* listener);

  // The standing conditions (paper_watching.cpp). A stop or a take-profit may give its level as
  // `costPercent` hundredths of a percent from the holding's average purchase price instead, which
  // becomes a level on the tick grid when it is set.
  struct WatchResult {
    std::string refusal;  // CP949; empty when set
    WatchCondition condition;
  };
  WatchResult SetWatch(WatchCondition condition, int32_t costPercent = 0);
  // The refusal (CP949), or empty when cancelled.
  std::string CancelWatch(const std::string& account, int64_t id);
  std::vector<WatchCondition> Watches(const std::string& account);

  // Follows the market to the clock's time: a new day, the auctions, the fills of resting orders.
  void Pump();
  // For a command that moves the clock and then sends an order: the ledger is held (its write lock
  // taken, every write kept in one transaction) until the next order is entered, which commits the
  // way there with it. LetGo undoes what is still held, so a refused order leaves the clock, the
  // orders and the cash as they were; this process's books no longer match the ledger then, and the
  // session ends. Hold throws the ledger's error (busy past its wait).
  void Hold();
  void LetGo();
  // How far the account's clock in the ledger is ahead of the exchange's (another process ran the
  // market on), in milliseconds; 0 when it is not ahead.
  int64_t LedgerClockAhead();

 private:
  // This account's orders in the books carry this owner; the market's own liquidity has 0.
  static constexpr uint32_t kPaperOwner = 1;
  enum class Waiting { kBook, kOpeningAuction, kClosingAuction };
  struct Resting {
    int stock;
    Side side;
    int32_t price;
    bool market;
    Waiting where;
    int32_t inBook;  // shares of it in this process's book (kBook)
    int32_t kept;    // the shares ahead of it the ledger keeps as its place; -1: none
  };

  // False without a ledger or on one opened for a view.
  bool Writes() const { return ledger_ && !ledger_->ReadOnly(); }
  // `client`: the order comes from a client, who must have initialised the trade utility; a
  // condition's order comes from the account itself.
  std::optional<Refusal> CheckOrderGate(Market& market, int stock, bool client = true);
  // Place, with `claim` run first inside the order's transaction (it may end the order there or
  // change its quantity).
  Result PlaceClaimed(const std::string& account, const std::string& code, Side side, bool market, int32_t price,
                      int32_t quantity,
                      const std::function<std::optional<Refusal>(PaperOrder&, const SqliteTransaction&)>& claim);
  std::optional<Refusal> CheckPrice(Market& market, int stock, int32_t price);
  // `ladder`: the prices the order may trade at today.
  std::optional<Refusal> CheckFunds(const PaperOrder& order, const PriceLadder& ladder);
  // Enters the order in the ledger in one write transaction, after `check` (which runs inside it,
  // may write there and fills in the order) found nothing to refuse. The refusal, or none.
  // A client's order also commits what Hold kept.
  std::optional<Refusal> Enter(PaperOrder& order, bool client,
                               const std::function<std::optional<Refusal>(const SqliteTransaction&)>& check);
  void Route(Market& market, int stock, const PaperOrder& order);
  void Match(Market& market, int stock, const PaperOrder& order);
  void Rest(Market& market, int stock, const PaperOrder& order);
  // Takes `quantity` of a day's order out of its book; `ended`: none of it is left to wait.
  void Unrest(Market& market, int32_t number, int32_t quantity, bool ended);
  // Records an execution of a day's order as this process saw it, at the moment of the day it
  // happened, and tells the listeners what the ledger took.
  void Execute(int32_t number, int32_t price, int32_t quantity, int32_t timeMs);
  // Takes an order that traded out or ended elsewhere out of the books and the waiting lists.
  void Forget(Market& market, int32_t number);
  void StartDay(Market& market);
  // Puts a day's open order where it waits now: in its auction, or behind what rests at its price
  // (`place` shares of it, where the ledger kept one). An order entered at a moment this process's
  // market has not reached yet (another process ran the account's clock on) waits until it does:
  // nothing trades before it was entered.
  void Reenter(Market& market, const PaperOrder& order, std::optional<int32_t> place = std::nullopt);
  // A new process's day: puts the open orders back where they waited, at the places the ledger kept.
  void ReenterAll(Market& market, std::vector<PaperOrder> open, const std::map<int32_t, int32_t>& places);
  // Enters the waiting orders whose moment the market has reached.
  void EnterDue(Market& market);
  void WaitForAuction(int stock, const PaperOrder& order);
  void PutInBook(Market& market, int stock, const PaperOrder& order, int32_t quantity,
                 std::optional<int32_t> place = std::nullopt);
  // Tells the ledger the exchange's time, with the places of the resting orders that moved since it
  // was last told, so a process resuming there finds each where it stood.
  void KeepPlaces(Market& market);
  // The book traded `quantity` of a resting order.
  void TookFromBook(int32_t number, int32_t quantity);
  // Marks a fill this process recorded, so following the ledger does not tell it again.
  void Recorded(int64_t fillId);
  // Takes in what other processes wrote since the last look: their orders join the books, their
  // orders' and fills' events reach this process's listeners, and what they filled, modified or
  // cancelled leaves the books here. A poll of the ledger's data version keeps it cheap.
  void FollowOthers(Market& market);
  void ResolveAuction(Market& market, Waiting auction);
  void CloseDay(Market& market);
  // A jump of the clock is the same as waiting: every step, however long, stops at the account's
  // next moment of the day (the opening auction, the close, an order another process entered later
  // than this market's time), so the account acts there as it would have at any speed.
  void StopAtNextMoment(Market& market);
  // Queues a notice of the order, at the moment of the day given or now; it reaches the listeners at
  // the next settled point (see OrderNotices).
  void Notify(const PaperOrder& order, NoticeKind kind, int32_t quantity, int32_t price,
              std::optional<int32_t> timeMs = std::nullopt);
  // The conditions: the active ones read again from the ledger (the contract that meets each today
  // worked out for those new here), those met by now acting, and the clock woken at the next one.
  struct Watched {
    WatchCondition condition;
    std::optional<TapeContract> meets;  // today's contract that meets it
  };
  void LoadWatches(Market& market);
  void PlanWatch(Market& market, Watched& watched);
  void FireDueWatches(Market& market);
  void FireWatch(Market& market, const Watched& watched);
  // Ends the condition as `ending` says unless another process ended it first.
  void EndWatch(const WatchCondition& ending);
  void ScheduleWatch(Market& market);
  // A new day: the conditions whose expiry passed, or whose stock's shares changed, end.
  void StartWatchDay(Market& market);
  // The close: trailing stops keep the day's highest.
  void CloseWatchDay(Market& market);

  ExchangeContext& context_;
  SharedMarket market_;
  std::unique_ptr<PaperLedger> ledger_;
  std::unique_ptr<SqliteTransaction> hold_;  // declared after the ledger: undone before it closes
  bool undone_ = false;                      // LetGo undid a hold: this process's clock is not the account's
  std::string problem_;
  FeeRates fees_;
  std::vector<std::string> accounts_;
  bool initialised_ = false;
  int32_t date_ = 0;
  int32_t closedDate_ = 0;  // the last date whose close ended its open orders
  int64_t lastSeen_ = -1;
  std::map<int32_t, Resting> resting_;  // today's orders of this process still in a book or an auction
  std::map<int32_t, int32_t> early_;    // today's orders entered after this market's moment -> their time
  std::map<int, int> stocksResting_;    // stock index -> orders of it in `resting_`
  std::map<int32_t, int32_t> seenFilled_;  // today's orders this process knows -> the quantity it saw filled
  int32_t lastNumber_ = 0;                 // today's orders up to this number were followed
  int64_t lastFillId_ = 0;                 // fills up to this one were followed
  std::set<int64_t> ownFills_;             // fills after lastFillId_ that this process recorded
  OrderNotices notices_;
  std::map<int64_t, Watched> watched_;  // the active conditions by id
  int32_t watchWake_ = -1;              // the market moment the clock wakes the conditions at
  ExchangeClock::EventId watchEvent_ = 0;
  ExchangeClock::ListenerId pump_;
  static constexpr int64_t kNoMoment = INT64_MAX;
  ExchangeClock::EventId moment_ = 0;  // the clock's stop at the account's next moment, momentAt_
  int64_t momentAt_ = kNoMoment;
};

}  // namespace ostrada::sim
