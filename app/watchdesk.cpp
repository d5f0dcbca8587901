#include "app/watchdesk.h"

#include "broker/sim/paper/paper_account.h"

namespace ostrada {

WatchDesk::WatchDesk(sim::Exchange& exchange, QObject* parent)
    : QObject(parent), exchange_(exchange), account_(sim::PaperAccountNumbers().back()) {
  setObjectName(QStringLiteral("watchDesk"));
  look_.setSingleShot(true);
  look_.setInterval(0);
  look_.callOnTimeout(this, &WatchDesk::Look);
  listener_ = exchange_.Clock().AddListener([this](int64_t) {
    if (!look_.isActive()) look_.start();
  });
  // What the ledger holds at start is no news.
  conditions_ = exchange_.Paper().Watches(account_);
  for (const sim::WatchCondition& condition : conditions_) states_[condition.id] = condition.state;
}

WatchDesk::~WatchDesk() {
  exchange_.Clock().RemoveListener(listener_);
}

std::string WatchDesk::Set(sim::WatchCondition condition, int32_t costPercent) {
  condition.account = account_;
  std::string refusal = exchange_.Paper().SetWatch(condition, costPercent).refusal;
  Look();
  return refusal;
}

std::string WatchDesk::Cancel(int64_t id) {
  std::string refusal = exchange_.Paper().CancelWatch(account_, id);
  Look();
  return refusal;
}

std::string WatchDesk::NameOf(const std::string& code) const {
  return exchange_.Paper().NameOf(code);
}

void WatchDesk::Look() {
  std::vector<sim::WatchCondition> now = exchange_.Paper().Watches(account_);
  // Copies: a listener may set or cancel one, which looks again.
  std::vector<sim::WatchCondition> set;
  std::vector<sim::WatchCondition> ended;
  for (const sim::WatchCondition& condition : now) {
    const auto known = states_.find(condition.id);
    if (known == states_.end()) set.push_back(condition);
    const bool wasActive = known == states_.end() || known->second == sim::WatchState::kActive;
    if (wasActive && condition.state != sim::WatchState::kActive) ended.push_back(condition);
    states_[condition.id] = condition.state;
  }
  if (set.empty() && ended.empty() && now.size() == conditions_.size()) return;
  conditions_ = std::move(now);
  for (const sim::WatchCondition& condition : set) emit conditionSet(condition);
  for (const sim::WatchCondition& condition : ended) emit conditionEnded(condition);
  emit changed();
}

}  // namespace ostrada
