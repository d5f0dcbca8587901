#pragma once
// The account's standing conditions (감시주문): a stop, a take-profit, a trailing stop and a breakout
// buy, each of which sends an order when the market's tape meets it, and price alerts, which only
// tell. The ledger holds them, so they outlive the process that set them; every process that moves
// the account's clock checks them, and the ledger lets exactly one of them act.
#include <cstdint>
#include <optional>
#include <string>

namespace ostrada::sim {

class StockDay;

enum class WatchKind {
  kStop,        // sell when a contract is at or below the level
  kTake,        // sell when a contract is at or above the level
  kTrail,       // sell when a contract falls the distance from the highest since it was set
  kBreakout,    // buy when a contract is at or above the level
  kAlertAbove,  // tell when a contract is at or above the level
  kAlertBelow,  // tell when a contract is at or below the level
};

enum class WatchState {
  kActive,     // still watching
  kFired,      // met: its order went out (or, an alert, it told)
  kEnded,      // met, but could not act (`message` says why), or its expiry passed
  kCancelled,  // the user took it back
};

struct WatchCondition {
  int64_t id = 0;
  std::string account;
  std::string code;
  WatchKind kind = WatchKind::kStop;
  int32_t level = 0;         // the trigger price; 0 for a trailing stop
  int32_t trailPercent = 0;  // a trailing stop's distance in hundredths of a percent of the highest
  int32_t trailWon = 0;      // or in won (one of the two is set)
  bool market = true;        // a market order, else a limit `ticks` beyond the trigger contract's price
  int32_t ticks = 0;
  int32_t quantity = 0;  // 0: the whole holding when it fires
  int32_t setDate = 0;
  int32_t setMs = 0;
  int32_t expiry = 0;  // the last trading date it watches; 0: until cancelled
  // A trailing stop's highest price: the price when set, raised at each close it watched through.
  int32_t peak = 0;
  int32_t peakDate = 0;  // the last date whose contracts `peak` counts
  WatchState state = WatchState::kActive;
  int32_t endDate = 0;  // when it fired or ended
  int32_t endMs = 0;
  int32_t firedPrice = 0;   // the contract that met it
  int32_t orderNumber = 0;  // the order it sent
  std::string message;      // CP949: why it ended without acting

  bool Sells() const { return kind == WatchKind::kStop || kind == WatchKind::kTake || kind == WatchKind::kTrail; }
  bool Orders() const { return kind != WatchKind::kAlertAbove && kind != WatchKind::kAlertBelow; }
};

// A contract of the tape.
struct TapeContract {
  int32_t timeMs = 0;
  int32_t price = 0;
};

// The first contract of the day's tape after `afterMs` that meets the condition, if any: only the
// continuous session's contracts count (the opening contract among them); the auctions' expected
// prices and the closing contract do not. A trailing stop starts from `peak` and raises it by every
// contract it passes. Minutes whose range cannot meet it are passed on their summaries alone.
std::optional<TapeContract> FirstMeeting(StockDay& day, int32_t afterMs, const WatchCondition& condition,
                                         int32_t peak);
// The highest continuous-session contract of the day after `afterMs` (0: none).
int32_t HighestAfter(StockDay& day, int32_t afterMs);
// The price a trailing stop with `peak` sells at or below.
int32_t TrailThreshold(const WatchCondition& condition, int32_t peak);

}  // namespace ostrada::sim
