#pragma once
// TradingSession: the one trading login of a process and what the account holds now. The home board,
// every order form and the CLI share it, so the user logs in once and every window shows the same
// account. The snapshot (cash, holdings at their current prices, open orders) follows the account's
// order notices instead of being polled (taken again at the first read after one); a timer's Tick
// only brings the holdings' prices forward.
//
// A refresh that nobody asked for (a notice, a tick) tells only its first failure in a row and the
// ticks back off (BackgroundRefresh).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/backgroundrefresh.h"
#include "basesrc/eventsink.h"
#include "basesrc/stocgate.h"

namespace ostrada {

class TrdRunList;
class TrdYetList;

// The account as it stood at the last refresh. Unknown parts (a failed download) are null/empty.
struct AccountSnapshot {
  AccountSnapshot();
  ~AccountSnapshot();
  AccountSnapshot(AccountSnapshot&&) noexcept;
  AccountSnapshot& operator=(AccountSnapshot&&) noexcept;

  std::optional<TradeAbleInfo> cash;  // the account's buyable amount without a stock
  std::unique_ptr<TrdRunList> holdings;
  std::unique_ptr<TrdYetList> unfilled;

  // What the holdings are worth now and their profit; none while a holding's price is unknown (a
  // missing price is no loss of its cost).
  std::optional<int64_t> Value() const;
  std::optional<int64_t> Profit() const;
  // Open orders; none while unknown.
  std::optional<int32_t> OpenOrders() const;
};

class TradingSession : private WindowHandle {
 public:
  // What a listener is told. kNotice carries the notice's kind character ('1' fill, '2'
  // confirmation, '3' rejection, '4' acceptance); the snapshot is already refreshed then.
  enum class Change { kLoggedIn, kLoggedOut, kNotice };
  using Listener = std::function<void(Change, char kind)>;

  TradingSession();
  ~TradingSession() override;
  TradingSession(const TradingSession&) = delete;
  TradingSession& operator=(const TradingSession&) = delete;

  // Logs in (nothing when already), reads the account and follows its notices. 1, or 0 after the
  // gateway told why.
  int LogIn();
  void LogOut();
  bool LoggedIn() const { return !account_.empty(); }
  // The account traded ("" while logged out).
  const std::string& Account() const { return account_; }
  // The gateway that holds the login: the account's queries go through it.
  StocGate& Gate() { return gate_; }

  // The account as it stands: a notice since the last read (or the login) has it taken again first,
  // under the tell-once rule.
  const AccountSnapshot& Snapshot();
  // Cash, holdings with their prices and open orders asked again, every failure told. 1/0.
  int RefreshAccount();
  // A timer's beat: the holdings' prices (the whole account after a failed refresh) asked again when
  // due; a failure is told only when it is the first in a row.
  void Tick();
  const BackgroundRefresh& Background() const { return background_; }

  // A listener is called after every change until removed; the id removes it.
  int AddListener(Listener listener);
  void RemoveListener(int id);

 private:
  struct Subscription;
  intptr_t SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void OnNotice();
  bool TakeAccount();
  bool TakePrices();
  void Tell(Change change, char kind = '\0');

  StocGate gate_;
  std::string account_;
  AccountSnapshot snapshot_;
  std::unique_ptr<Subscription> notices_;
  BackgroundRefresh background_;
  // A notice came (or the last refresh failed) since the snapshot was taken.
  bool stale_ = true;
  int nextListener_ = 0;
  std::vector<std::pair<int, Listener>> listeners_;
};

}  // namespace ostrada
