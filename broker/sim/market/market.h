#pragma once
// The whole market of the embedded exchange: the listed stocks' trading days, the books of the
// stocks someone watches, and the event stream of subscribed stocks. It knows nothing of server
// objects; the objects ask it for answers and listen to it for events.
//
// Time: the market follows the exchange clock through Sync (date and time of day). On a day the
// exchange does not trade (a weekend or a holiday), the market shows the last trading day as it closed.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "broker/sim/market/market_day.h"
#include "broker/sim/market/market_history.h"
#include "broker/sim/market/market_index.h"
#include "broker/sim/market/market_intraday.h"
#include "broker/sim/market/market_live.h"
#include "broker/sim/market/market_process.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada::sim {

class MarketListener {
 public:
  virtual ~MarketListener() = default;
  // A change of a subscribed stock: a contract (with the book after it) or a change of its book.
  virtual void OnMarketEvent(const StockProfile& stock, const MarketEvent& event) = 0;
};

class Market {
 public:
  Market(std::vector<StockProfile> stocks, uint64_t seed);
  Market(const Market&) = delete;
  Market& operator=(const Market&) = delete;

  // Moves the market to the clock's date and time of day (milliseconds), delivering the events of
  // subscribed stocks that fall due, in time order (ties in listing order). Time never goes back.
  void Sync(int32_t date, int64_t timeOfDay);
  int32_t TradingDate() const { return tradingDate_; }
  int32_t Now() const { return now_; }  // milliseconds of the trading day

  size_t Size() const { return stocks_.size(); }
  // Index of the stock with the code, or -1.
  int Find(std::string_view code) const;
  const StockProfile& Stock(int index) const { return stocks_[static_cast<size_t>(index)]; }

  StockDay& Day(int index);
  DayState State(int index);
  // The stock's book now; once asked, it follows the day from here on, holding the account's orders.
  LiveBook& Book(int index);
  // The stock's ten levels a side now: its live book's when it has one, else the market's depth,
  // which is the same but for the account's orders.
  QuotePicture Quote(int index);
  // Volumes of the days before today: the last day's and the average of the last twenty.
  struct VolumeReference {
    int32_t previous = 0;
    int32_t average = 0;
  };
  VolumeReference Volumes(int index);
  // Daily bars of the trading days before today, oldest first (fewer before the market's start).
  std::vector<DailyBar> History(int index, int count);
  // What the market's process decided for the stock today.
  const DayDraw& Today(int index);
  // The splits and consolidations of the stock that took effect after the date `after` through
  // today, oldest first.
  std::vector<ShareChange> ShareChangesAfter(int index, int32_t after);
  // An exchange index ("U001", "U201"): its bars before today, and today's minutes computed from its
  // stocks', with the closing auction in a last bar of its own.
  std::vector<DailyBar> IndexHistory(std::string_view code, int count);
  const std::vector<IndexMinute>& IndexDay(std::string_view code);
  // Today's pause of the stock's board ('1' for U001's stocks, '2' for U201's), if its breaker tripped.
  const TradingPause& Pause(char board);
  uint64_t Seed() const { return seed_; }

  // Tells the stock's listeners of a change an account made to its live book now: a contract when
  // `record` is given, else a change of the book. Nothing while events are being delivered.
  void Announce(int index, const Trade* record);

  // While held, the market moves without telling its listeners anything: a jump of hours would
  // otherwise settle and tell every watched book record by record, only for each listener to be
  // overtaken by what it fetches afresh once the jump has landed. The books follow when next asked,
  // as a book nobody watches does, so the account's fills and queues are those of waiting. Released,
  // it tells each watched stock once where its day stands, as at the start of a day.
  void Hold() { held_ = true; }
  void Release();
  bool Held() const { return held_; }

  void Subscribe(int index, MarketListener* listener);
  void Unsubscribe(int index, MarketListener* listener);
  void UnsubscribeAll(MarketListener* listener);
  bool IsSubscribed(int index, const MarketListener* listener) const;

 private:
  // Events of one stock, in its own order.
  struct Pending {
    int index;
    std::vector<MarketEvent> events;
  };
  void StartDay(int32_t date);
  // Tells each watched stock's listeners where its day stands now.
  void AnnounceStanding();
  void Deliver(int32_t ms);
  // Tells the listeners the pending events: by time, then listing order, then each stock's order.
  void Tell(const std::vector<Pending>& pending);
  uint64_t DaySeed(int index) const;
  // What a board shares today, the breaker's pause once it is known, and the index's frame.
  struct BoardDay {
    bool ready = false;
    DayShare share;
    bool paused = false;  // the pause is known
    bool framed = false;
    DayFrame frame;
  };
  BoardDay& Board(char board);
  DayShare ShareOf(int index);
  // The sums of the board's stocks today, planned with or without the pause.
  BoardSum SumOf(char board, bool paused);
  // The board's index may come near the breaker today, by what its stocks share.
  bool MayBreak(char board);

  std::vector<StockProfile> stocks_;
  std::unordered_map<std::string_view, int> byCode_;
  uint64_t seed_;
  int32_t tradingDate_ = 0;
  int32_t now_ = 0;
  bool delivering_ = false;
  bool held_ = false;
  std::vector<std::unique_ptr<StockDay>> days_;
  struct CachedState {
    int32_t at = -1;
    DayState state;
  };
  std::vector<CachedState> states_;
  MarketProcess process_;
  // Each stock's day as the process decided it, with the volumes of the days before.
  struct Drawn {
    bool ready = false;
    DayDraw today;
    VolumeReference volumes;
  };
  std::vector<Drawn> drawn_;
  std::vector<DayDraw> scratch_;
  std::vector<IndexMinute> indexMinutes_[2];  // today's, once asked for
  std::array<BoardDay, 2> boards_;
  std::map<int, std::unique_ptr<LiveBook>> books_;
  std::map<int, std::vector<MarketListener*>> listeners_;
};

// Regular-session contracts a second of a listed stock's liquidity level: 1 (under one a minute) to
// 10 (several a second).
double ContractsPerSecond(int liquidity);

}  // namespace ostrada::sim
