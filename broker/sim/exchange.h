#pragma once
// The embedded exchange: a deterministic market simulator that serves the server's objects.
// Time advances only through Advance(), which raises every due event synchronously on the caller's
// thread. The same seed and the same calls give the same bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "basesrc/foundation/localtime.h"
#include "broker/server.h"
#include "broker/sim/paper/paper_options.h"

namespace ostrada::sim {

enum class ClockMode {
  kSession,  // a trading day that starts at 09:00:00 when the exchange starts, at `speed` times real time
  kLive,     // follows the wall clock in Korean time; closed outside hours
};

struct ExchangeOptions {
  uint64_t seed = 20261208;  // the listing's codes and names, and the market unless `marketSeed`
  // The market's own seed where it differs from the listing's: a paper account's market keeps the
  // default listing, so codes stay valid for everyone. A paper ledger's own market wins over both.
  std::optional<uint64_t> marketSeed = {};
  int stocks = 0;  // 0: the default listing (about 2,600 stocks)
  ClockMode clock = ClockMode::kSession;
  double speed = 1.0;
  // Session mode: the trading date, YYYYMMDD. 0: the paper ledger's clock when it has one, else today
  // in Korea when the exchange trades, else the trading day before.
  int32_t tradingDate = 0;
  // The wall clock as Unix milliseconds; empty: the system clock. Read at start and by Pump().
  std::function<int64_t()> wallClock = {};
  // The paper account: its ledger file, starting cash and fees. A session on the ledger's latest
  // trading date resumes at the latest time the ledger saw, never earlier, and the exchange follows
  // the ledger's clock forward when another process moves it.
  PaperOptions paper = {};
};

class FaultPlan;        // broker/sim/market/faults.h
class ExchangeClock;    // broker/sim/market/clock.h
class ExchangeContext;  // broker/sim/objects/registry.h
class Listing;          // broker/sim/market/listing.h
class PaperTrading;     // broker/sim/paper/paper_account.h

// The trading date a session starts on when none is given: the Korean date at the Unix time when the
// exchange trades on it, else the trading day before.
int32_t DefaultTradingDate(int64_t unixMilliseconds);

class Exchange : public broker::ComServer {
 public:
  explicit Exchange(const ExchangeOptions& options = {});
  ~Exchange() override;
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  // Unknown classes throw ComError(kClassNotRegistered); an armed creation fault throws its code.
  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override;

  // Moves exchange time forward, raising every event due on the way.
  void Advance(int64_t milliseconds);
  // The account's clock: the market moves to a later moment along its path, day by day and in time
  // order, so the paper account's open orders meet every contract on the way. A moment not later than
  // the exchange's time is ignored.
  void AdvanceTo(int32_t date, int64_t timeOfDay);
  // The same move with the market's events held (Market::Hold): a jump, after which the client
  // fetches what the moment it landed at shows instead of following every event on the way there.
  void JumpTo(int32_t date, int64_t timeOfDay);
  // Moves on by `milliseconds`, or to the paper account's clock when another process has run it
  // further, whichever is later: one step, so nothing matches at a moment the account has left.
  // Following the account's clock by kAccountJumpMs or more is a jump: its events are held.
  void Step(int64_t milliseconds);
  // How far beyond its own step a step that follows the account's clock must go to be told as a jump:
  // a window that only follows the events would then lag by more than a second.
  static constexpr int64_t kAccountJumpMs = 1'000;
  // `listener` is called after a step that followed the account's clock, which another process jumped
  // ahead, by kAccountJumpMs or more: the moment has moved, and what no event tells is to be fetched.
  void OnAccountJump(std::function<void()> listener);
  // Catches up with the wall clock: the real time passed since the last pump (times `speed` in a
  // session), or the Korean wall time itself when live. The program calls it from its timer. While
  // held, the market stays where it is (it still follows the account's clock when another process
  // moves it) and the wall time that passes is never owed.
  void Pump();
  // A session's pace, changed between pumps: session time per real time, > 0.
  void SetSpeed(double speed);
  double Speed() const;
  void SetRunning(bool running);
  bool Running() const;
  // Fault injection for tests and the program's start-up fault options.
  FaultPlan& Faults();
  // Why the paper account's ledger could not be opened (CP949), empty when it is open.
  const std::string& PaperProblem() const;

  ExchangeClock& Clock();
  const Listing& Stocks() const;
  // The paper account, for the front doors' commands the server's objects do not carry (conditions,
  // the account's clock); its ledger is there only when PaperProblem() is empty.
  PaperTrading& Paper();
  ExchangeContext& Context();
  // The foundation time source reading this exchange's clock (install with ScopedTimeSource).
  const TimeSource& Time() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ostrada::sim
