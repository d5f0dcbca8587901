#include "broker/sim/market/market.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr int32_t kEndOfDayMs = 24 * kMsPerHour - 1;
constexpr uint64_t kBookSalt = 99;
constexpr uint64_t kSharedSalt = 0x5348415245440000ull;
// The part of a day's move that happens within the regular session (the rest overnight).
constexpr double kSessionShare = 0.7;
// How far above the breaker's line a board's shared moves must come before its index is worked out.
constexpr double kBreakerMargin = 0.03;

size_t BoardNumber(char board) {
  return board == '2' ? 1 : 0;
}

bool OnBoard(const StockProfile& stock) {
  return stock.market == '1' || stock.market == '2';
}

}  // namespace

double ContractsPerSecond(int liquidity) {
  // Under one contract a minute at level 1 (many minutes pass without one), about six a second at
  // level 10.
  double perSecond = 0.012;
  for (int level = 1; level < std::clamp(liquidity, 1, 10); ++level) perSecond *= 2.0;
  return perSecond;
}

Market::Market(std::vector<StockProfile> stocks, uint64_t seed)
    : stocks_(std::move(stocks)),
      seed_(seed),
      days_(stocks_.size()),
      states_(stocks_.size()),
      process_(stocks_, seed),
      drawn_(stocks_.size()) {
  for (size_t i = 0; i < stocks_.size(); ++i) byCode_.emplace(stocks_[i].code, static_cast<int>(i));
}

int Market::Find(std::string_view code) const {
  auto found = byCode_.find(code);
  return found == byCode_.end() ? -1 : found->second;
}

void Market::Sync(int32_t date, int64_t timeOfDay) {
  int32_t tradingDate = date;
  auto ms = static_cast<int32_t>(std::clamp<int64_t>(timeOfDay, 0, kEndOfDayMs));
  // A day the exchange does not trade (a weekend or a holiday) shows the last trading day as it
  // closed: live trading follows the same calendar as the history.
  if (!IsTradingDay(date)) {
    tradingDate = PreviousTradingDay(date);
    ms = kEndOfDayMs;
  }
  if (tradingDate < tradingDate_ || delivering_) return;
  if (tradingDate != tradingDate_) {
    StartDay(tradingDate);
    now_ = ms;
    if (!held_) AnnounceStanding();
    return;
  }
  if (ms <= now_) return;
  if (held_) {
    now_ = ms;
  } else {
    Deliver(ms);
  }
}

void Market::StartDay(int32_t date) {
  tradingDate_ = date;
  books_.clear();
  for (auto& day : days_) day.reset();
  for (auto& cached : states_) cached.at = -1;
  for (auto& drawn : drawn_) drawn.ready = false;
  for (auto& minutes : indexMinutes_) minutes.clear();
  boards_ = {};
}

void Market::Release() {
  if (!held_) return;
  held_ = false;
  AnnounceStanding();
}

void Market::AnnounceStanding() {
  // A watched stock may have nothing to tell for hours (before the pre-open, or all day when halted),
  // and its listeners still show yesterday: each is told at once where the new day stands, by a
  // record outside the sessions (phase '0') that carries no contract of its own.
  std::vector<Pending> pending;
  for (const auto& [index, listeners] : listeners_) {
    if (listeners.empty()) continue;
    const DayState state = State(index);
    MarketEvent& event = pending.emplace_back(Pending{index, {}}).events.emplace_back();
    event.kind = MarketEvent::Kind::kContract;
    event.timeMs = now_;
    event.trade.timeMs = now_;
    event.trade.price = state.price;
    event.trade.quantity = 0;
    event.trade.volume = state.volume;
    event.trade.buyVolume = state.buyVolume;
    event.trade.sellVolume = state.sellVolume;
    event.trade.ask = state.ask;
    event.trade.bid = state.bid;
    event.trade.side = state.lastSide;
    event.trade.phase = Phase::kClosed;
    event.quote = Book(index).Picture();
    event.volume = state.volume;
    event.previousClose = state.previousClose;
  }
  Tell(pending);
}

void Market::Deliver(int32_t ms) {
  std::vector<Pending> pending;
  for (const auto& [index, listeners] : listeners_) {
    if (listeners.empty()) continue;
    Pending& stock = pending.emplace_back(Pending{index, {}});
    Book(index).AdvanceTo(ms, &stock.events);
  }
  now_ = ms;
  Tell(pending);
}

void Market::Tell(const std::vector<Pending>& pending) {
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
    day = std::make_unique<StockDay>(stock, DaySeed(index), Today(index), ShareOf(index));
  }
  return *day;
}

Market::BoardDay& Market::Board(char board) {
  BoardDay& day = boards_[BoardNumber(board)];
  if (!day.ready) {
    const FactorDay& factor = process_.Factor(tradingDate_);
    day.share.sigma = std::sqrt(kSessionShare) * factor.SigmaOf(board);
    const uint64_t seed = DeriveSeed(seed_ ^ kSharedSalt, static_cast<uint64_t>(tradingDate_) * 4 + BoardNumber(board));
    day.share.minutes = std::make_shared<const std::vector<double>>(SharedMinutePath(seed, day.share.sigma));
    day.ready = true;
  }
  return day;
}

DayShare Market::ShareOf(int index) {
  const StockProfile& stock = stocks_[static_cast<size_t>(index)];
  if (!OnBoard(stock)) return {};
  DayShare share = Board(stock.market).share;
  share.pause = Pause(stock.market);
  return share;
}

bool Market::MayBreak(char board) {
  const double move = process_.Factor(tradingDate_).Of(board);
  const std::vector<double>& shared = *Board(board).share.minutes;
  for (size_t m = 0; m < shared.size(); ++m) {
    const double along = static_cast<double>(m + 1) / kRegularMinutes;
    const double level = 1.0 + move * ((1.0 - kSessionShare) + kSessionShare * along) + shared[m];
    if (level <= 1.0 - kBreakerPercent / 100.0 + kBreakerMargin) return true;
  }
  return false;
}

const TradingPause& Market::Pause(char board) {
  BoardDay& day = Board(board);
  if (!day.paused) {
    day.paused = true;  // the stocks planned to find it trade without one
    if (MayBreak(board)) {
      const BoardSum sum = SumOf(board, false);
      const std::vector<double> levels = sum.Levels();
      const DailyBar& bar = process_.IndexDays(board == '2' ? "U201" : "U001", tradingDate_).back().bar;
      day.frame = IndexFrame(bar, levels);
      day.framed = true;
      day.share.pause = BreakerOf(IndexMinutes(bar, day.frame, levels, sum.Shares()), bar.close - bar.change);
    }
  }
  return day.share.pause;
}

BoardSum Market::SumOf(char board, bool paused) {
  BoardSum sum;
  DayShare share = Board(board).share;
  if (!paused) share.pause = {};
  for (int i = 0; i < static_cast<int>(stocks_.size()); ++i) {
    const StockProfile& stock = stocks_[static_cast<size_t>(i)];
    if (stock.market != board) continue;
    // A day nobody asked for is planned and dropped: the index needs its minutes only.
    std::unique_ptr<StockDay> planned;
    StockDay* day = paused ? days_[static_cast<size_t>(i)].get() : nullptr;
    if (day == nullptr) {
      planned = std::make_unique<StockDay>(stock, DaySeed(i), Today(i), share);
      day = planned.get();
    }
    sum.Add(*day, Today(i).bar.volume, Today(i).Worth());
  }
  return sum;
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
  return DrawBook(Day(index), DeriveSeed(DaySeed(index), kBookSalt), now_);
}

const DayDraw& Market::Today(int index) {
  Drawn& drawn = drawn_[static_cast<size_t>(index)];
  if (!drawn.ready) {
    constexpr size_t kAverageDays = 20;
    const size_t days = process_.DatesThrough(tradingDate_).size();
    process_.Run(index, tradingDate_, scratch_, days > kAverageDays ? days - kAverageDays - 1 : 0);
    drawn.today = scratch_.back();
    const size_t before = scratch_.size() - 1;
    const size_t from = before > kAverageDays ? before - kAverageDays : 0;
    int64_t sum = 0;
    for (size_t day = from; day < before; ++day) sum += scratch_[day].bar.volume;
    drawn.volumes.previous = before > 0 ? scratch_[before - 1].bar.volume : 0;
    drawn.volumes.average = before > from ? static_cast<int32_t>(sum / static_cast<int64_t>(before - from)) : 0;
    drawn.ready = true;
  }
  return drawn.today;
}

std::vector<ShareChange> Market::ShareChangesAfter(int index, int32_t after) {
  // Only the days' closes are needed, not their details.
  process_.Run(index, tradingDate_, scratch_, process_.DatesThrough(tradingDate_).size());
  std::vector<ShareChange> changes;
  for (const DayDraw& day : scratch_) {
    if (day.bar.date > after && day.sharesBefore != day.sharesAfter)
      changes.push_back({day.bar.date, day.sharesBefore, day.sharesAfter, day.bar.close - day.bar.change});
  }
  return changes;
}

Market::VolumeReference Market::Volumes(int index) {
  Today(index);
  return drawn_[static_cast<size_t>(index)].volumes;
}

std::vector<DailyBar> Market::History(int index, int count) {
  process_.Run(index, tradingDate_, scratch_);
  scratch_.pop_back();  // today
  const size_t kept = std::min(scratch_.size(), static_cast<size_t>(std::max(count, 0)));
  std::vector<DailyBar> bars;
  bars.reserve(kept);
  for (size_t day = scratch_.size() - kept; day < scratch_.size(); ++day) bars.push_back(scratch_[day].bar);
  return bars;
}

std::vector<DailyBar> Market::IndexHistory(std::string_view code, int count) {
  const std::vector<IndexDraw>& days = process_.IndexDays(code, tradingDate_);
  const size_t before = days.size() - 1;
  const size_t kept = std::min(before, static_cast<size_t>(std::max(count, 0)));
  std::vector<DailyBar> bars;
  bars.reserve(kept);
  for (size_t day = before - kept; day < before; ++day) bars.push_back(days[day].bar);
  return bars;
}

const std::vector<IndexMinute>& Market::IndexDay(std::string_view code) {
  const char board = code == "U201" ? '2' : '1';
  std::vector<IndexMinute>& minutes = indexMinutes_[BoardNumber(board)];
  if (minutes.empty()) {
    Pause(board);
    const BoardSum sum = SumOf(board, true);
    const std::vector<double> levels = sum.Levels();
    const DailyBar& bar = process_.IndexDays(code, tradingDate_).back().bar;
    BoardDay& day = Board(board);
    // A paused day keeps the frame that found the pause, so the minutes before it stay as they were.
    if (!day.framed) day.frame = IndexFrame(bar, levels);
    minutes = IndexMinutes(bar, day.frame, levels, sum.Shares());
  }
  return minutes;
}

void Market::Announce(int index, const Trade* record) {
  auto book = books_.find(index);
  if (book == books_.end()) return;
  std::vector<MarketEvent> events;
  book->second->Republish(now_, record, &events);
  auto listeners = listeners_.find(index);
  if (listeners == listeners_.end() || delivering_ || held_) return;
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
