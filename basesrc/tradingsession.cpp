// The process's trading session: one login, the account's snapshot kept by its order notices.
#include "basesrc/tradingsession.h"

#include <algorithm>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/trdevent.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/tradingsession";

}  // namespace

// ---- AccountSnapshot ----

AccountSnapshot::AccountSnapshot() = default;
AccountSnapshot::~AccountSnapshot() = default;
AccountSnapshot::AccountSnapshot(AccountSnapshot&&) noexcept = default;
AccountSnapshot& AccountSnapshot::operator=(AccountSnapshot&&) noexcept = default;

std::optional<int64_t> AccountSnapshot::Value() const {
  if (holdings == nullptr) return std::nullopt;
  int64_t value = 0;
  for (const TrdRunInfo* held = holdings->First(); held != nullptr; held = held->next) {
    if (!HoldingProfit(*held)) return std::nullopt;
    value += int64_t{held->quantity} * held->current.close;
  }
  return value;
}

std::optional<int64_t> AccountSnapshot::Profit() const {
  if (holdings == nullptr) return std::nullopt;
  int64_t profit = 0;
  for (const TrdRunInfo* held = holdings->First(); held != nullptr; held = held->next) {
    const std::optional<int64_t> one = HoldingProfit(*held);
    if (!one) return std::nullopt;
    profit += *one;
  }
  return profit;
}

std::optional<int32_t> AccountSnapshot::OpenOrders() const {
  if (unfilled == nullptr) return std::nullopt;
  return unfilled->Count();
}

// ---- The order notices ----

// The order-event object the session follows while logged in.
struct TradingSession::Subscription {
  std::shared_ptr<broker::IMarketRequest> object;
  std::unique_ptr<CEventSink> sink;

  ~Subscription() {
    try {
      if (object != nullptr) object->Unsubscribe();
      if (object != nullptr && sink != nullptr) sink->Unadvise(*object);
    } catch (const broker::ComError&) {
      // A server that is gone has no subscription left to end.
    }
  }
};

TradingSession::TradingSession() = default;

TradingSession::~TradingSession() = default;

int TradingSession::LogIn() {
  if (LoggedIn()) return 1;
  if (!gate_.TradeLogin()) return 0;
  std::string account;
  if (!gate_.AccountNumberText(&account) || account.empty()) {
    ShowMessage(Text(Txt::kTrdCliLoginFailed));
    gate_.TradeLogout();
    return 0;
  }
  auto notices = std::make_unique<Subscription>();
  try {
    notices->object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents);
    notices->sink = std::make_unique<CEventSink>(static_cast<WindowHandle*>(this));
    notices->sink->Advise(*notices->object);
    notices->object->Subscribe();
  } catch (const broker::ComError& error) {
    // Without notices the snapshot is still right after each refresh; the user was told.
    ShowMessage(error.Description());
    notices.reset();
  }
  notices_ = std::move(notices);
  account_ = account;
  background_ = BackgroundRefresh();
  stale_ = true;
  Tell(Change::kLoggedIn);
  return 1;
}

void TradingSession::LogOut() {
  if (!LoggedIn()) return;
  notices_.reset();
  gate_.TradeLogout();
  account_.clear();
  snapshot_ = AccountSnapshot();
  Tell(Change::kLoggedOut);
}

const AccountSnapshot& TradingSession::Snapshot() {
  // After a failure the ticks take over the retries, so a window reading often asks nothing.
  if (LoggedIn() && stale_ && background_.FailuresInARow() == 0) {
    stale_ = !background_.Run([this] { return TakeAccount(); });
  }
  return snapshot_;
}

int TradingSession::RefreshAccount() {
  if (!LoggedIn()) return 0;
  const bool taken = TakeAccount();
  stale_ = !taken;
  return taken ? 1 : 0;
}

bool TradingSession::TakeAccount() {
  AccountSnapshot fresh;
  TradeAbleInfo cash{};
  bool whole = gate_.BuyableAmount(account_.c_str(), "", kOrderTypeMarket, 0, &cash) == 1;
  if (whole) fresh.cash = cash;
  fresh.holdings = gate_.DownloadHoldings(account_.c_str());
  if (fresh.holdings != nullptr && fresh.holdings->Count() > 0) {
    whole = gate_.RefreshHoldingPrices(fresh.holdings.get()) == 1 && whole;
  }
  fresh.unfilled = gate_.DownloadUnfilled(account_.c_str());
  whole = whole && fresh.holdings != nullptr && fresh.unfilled != nullptr;
  snapshot_ = std::move(fresh);
  return whole;
}

bool TradingSession::TakePrices() {
  if (snapshot_.holdings == nullptr || snapshot_.holdings->Count() == 0) return true;
  return gate_.RefreshHoldingPrices(snapshot_.holdings.get()) == 1;
}

void TradingSession::Tick() {
  if (!LoggedIn() || !background_.Due()) return;
  if (stale_) {
    stale_ = !background_.Run([this] { return TakeAccount(); });
    return;
  }
  background_.Run([this] { return TakePrices(); });
}

intptr_t TradingSession::SendMessage(uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_EVENT_RECEIVED) OnNotice();
  return 1;
}

void TradingSession::OnNotice() {
  if (!LoggedIn() || !OSTRADA_VERIFY(notices_ != nullptr && notices_->object != nullptr)) return;
  char kind = '\0';
  try {
    const OrderEvent notice = ReadOrderEvent(*notices_->object);
    if (!notice.kind.empty()) kind = notice.kind[0];
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return;
  }
  // Taken again when next read: a notice costs nothing while no window shows the account.
  stale_ = true;
  Tell(Change::kNotice, kind);
}

int TradingSession::AddListener(Listener listener) {
  listeners_.emplace_back(++nextListener_, std::move(listener));
  return nextListener_;
}

void TradingSession::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void TradingSession::Tell(Change change, char kind) {
  // A listener may remove itself (or another) while it is told: each is looked up again.
  std::vector<int> ids;
  for (const auto& entry : listeners_) ids.push_back(entry.first);
  for (int id : ids) {
    const auto found = std::find_if(listeners_.begin(), listeners_.end(), [id](const auto& e) { return e.first == id; });
    if (found == listeners_.end()) continue;
    const Listener listener = found->second;
    listener(change, kind);
  }
}

}  // namespace ostrada
