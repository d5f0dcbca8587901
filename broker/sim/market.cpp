#include "broker/sim/market.h"

#include <algorithm>
#include <tuple>

#include "broker/sim/clock.h"
#include "broker/sim/market_calendar.h"
#include "broker/sim/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr int32_t kEndOfDayMs = 24 * kMsPerHour - 1;
constexpr uint64_t kBookSalt = 99;

}  // namespace

double ContractsPerSecond(int liquidity) {
  double perSecond = 0.04;  // a few contracts a minute at level 1, about six a second at level 10
  for (int level = 1; level < std::clamp(liquidity, 1, 10); ++level) perSecond *= 1.75;
  return perSecond;
}

Market::Market(std::vector<StockProfile> stocks, uint64_t seed)
    : stocks_(std::move(stocks)),
      seed_(seed),
      days_(stocks_.size()),
      states_(stocks_.size()),
      volumes_(stocks_.size()) {
  for (size_t i = 0; i < stocks_.size(); ++i) byCode_.emplace(stocks_[i].code, static_cast<int>(i));
}

int Market::Find(std::string_view code) const {
  auto found = byCode_.find(code);
  return found == byCode_.end() ? -1 : found->second;
}

void Market::Sync(int32_t date, int64_t timeOfDay) {
  int32_t tradingDate = date;
  auto ms = static_cast<int32_t>(std::clamp<int64_t>(timeOfDay, 0, kEndOfDayMs));
  // A weekday the clock stands on trades, holiday or not (a session must have its day); a weekend
  // shows the last trading day as it closed.
  if (!IsWeekday(date)) {
    tradingDate = PreviousTradingDay(date);
    ms = kEndOfDayMs;
  }
  if (tradingDate < tradingDate_ || delivering_) return;
  if (tradingDate != tradingDate_) {
    StartDay(tradingDate);
    now_ = ms;
    return;
  }
  if (ms > now_) Deliver(ms);
}

void Market::StartDay(int32_t date) {
  tradingDate_ = date;
  books_.clear();
  for (auto& day : days_) day.reset();
  for (auto& cached : states_) cached.at = -1;
  for (auto& volumes : volumes_) volumes = {};
}

void Market::Deliver(int32_t ms) {
  struct Pending {
    int index;
    std::vector<MarketEvent> events;
  };
  std::vector<Pending> pending;
  for (const auto& [index, listeners] : listeners_) {
    if (listeners.empty()) continue;
    Pending& stock = pending.emplace_back(Pending{index, {}});
    Book(index).AdvanceTo(ms, &stock.events);
  }
  now_ = ms;
  // One stream for all stocks: by time, then listing order, then each stock's own order.
  std::vector<std::tuple<int32_t, int, size_t, size_t>> order;
  for (size_t p = 0; p < pending.size(); ++p) {
    for (size_t e = 0; e < pending[p].events.size(); ++e)
      order.emplace_back(pending[p].events[e].timeMs, pending[p].index, e, p);
  }
  std::sort(order.begin(), order.end());
  // A listener that throws must not leave the market believing it is still delivering.
  struct Delivering {
    explicit Delivering(bool& flag) : flag_(flag) { flag_ = true; }
    ~Delivering() { flag_ = false; }
    bool& flag_;
  } delivering(delivering_);
  for (const auto& [time, index, e, p] : order) {
    const std::vector<MarketListener*> listeners = listeners_[index];
    for (MarketListener* listener : listeners) {
      // A listener may leave (or be destroyed) while an earlier one is told.
      if (IsSubscribed(index, listener))
        listener->OnMarketEvent(stocks_[static_cast<size_t>(index)], pending[p].events[e]);
    }
  }
}

uint64_t Market::DaySeed(int index) const {
  return DeriveSeed(stocks_[static_cast<size_t>(index)].seed, static_cast<uint64_t>(tradingDate_));
}

StockDay& Market::Day(int index) {
  std::unique_ptr<StockDay>& day = days_[static_cast<size_t>(index)];
  if (!day) {
    const StockProfile& stock = stocks_[static_cast<size_t>(index)];
    day = std::make_unique<StockDay>(stock, DaySeed(index), PreviousDay(stock, tradingDate_).close);
  }
  return *day;
}

DayState Market::State(int index) {
  CachedState& cached = states_[static_cast<size_t>(index)];
  if (cached.at != now_) {
    cached.state = Day(index).StateAt(now_);
    cached.at = now_;
  }
  return cached.state;
}

LiveBook& Market::Book(int index) {
  std::unique_ptr<LiveBook>& book = books_[index];
  if (!book) {
    book = std::make_unique<LiveBook>(Day(index), DeriveSeed(DaySeed(index), kBookSalt), now_);
  } else {
    book->AdvanceTo(now_, nullptr);
  }
  return *book;
}

QuotePicture Market::Quote(int index) {
  if (books_.count(index) != 0) return Book(index).Picture();
  return ShapeBook(Day(index), State(index), DeriveSeed(DaySeed(index), kBookSalt), now_);
}

Market::VolumeReference Market::Volumes(int index) {
  VolumeReference& volumes = volumes_[static_cast<size_t>(index)];
  if (volumes.previous == 0) {
    constexpr int kAverageDays = 20;
    const std::vector<DailyBar> bars = History(index, kAverageDays);
    int64_t sum = 0;
    for (const DailyBar& bar : bars) sum += bar.volume;
    volumes.previous = bars.back().volume;
    volumes.average = static_cast<int32_t>(sum / kAverageDays);
  }
  return volumes;
}

std::vector<DailyBar> Market::History(int index, int count) const {
  return StockHistory(stocks_[static_cast<size_t>(index)], tradingDate_, count);
}

void Market::Announce(int index, const Trade* record) {
  auto book = books_.find(index);
  if (book == books_.end()) return;
  std::vector<MarketEvent> events;
  book->second->Republish(now_, record, &events);
  auto listeners = listeners_.find(index);
  if (listeners == listeners_.end() || delivering_) return;
  const std::vector<MarketListener*> told = listeners->second;
  for (MarketListener* listener : told) {
    if (IsSubscribed(index, listener)) listener->OnMarketEvent(stocks_[static_cast<size_t>(index)], events.back());
  }
}

void Market::Subscribe(int index, MarketListener* listener) {
  std::vector<MarketListener*>& listeners = listeners_[index];
  if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end()) return;
  Book(index);  // the book follows the day from the moment it is watched
  listeners.push_back(listener);
}

void Market::Unsubscribe(int index, MarketListener* listener) {
  auto found = listeners_.find(index);
  if (found == listeners_.end()) return;
  std::erase(found->second, listener);
  if (found->second.empty()) listeners_.erase(found);
}

void Market::UnsubscribeAll(MarketListener* listener) {
  for (auto it = listeners_.begin(); it != listeners_.end();) {
    std::erase(it->second, listener);
    it = it->second.empty() ? listeners_.erase(it) : std::next(it);
  }
}

bool Market::IsSubscribed(int index, const MarketListener* listener) const {
  auto found = listeners_.find(index);
  return found != listeners_.end() &&
         std::find(found->second.begin(), found->second.end(), listener) != found->second.end();
}

}  // namespace ostrada::sim
