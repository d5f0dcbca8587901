#pragma once
// One stock's trading day: the market's process decides the day's prices and volume, and the day
// expands them. The whole day is planned at once as minute summaries (prices, counts, volumes) that
// reach the day's open, high, low, close and volume exactly; a minute is expanded into its
// contracts only when someone needs them, and the expansion always adds up to its summary. So the
// current price, the quote book, the contract history and the charts of a stock agree, whichever is
// asked first, and the finished day is the bar the history keeps.
//
// The day's tape, in time order: expected prices of the pre-open auction (phase '1'), the opening
// contract at 09:00:00 and the regular contracts (phase '2'), expected prices of the closing
// auction (phase '1') and the closing contract at 15:00:00 (phase '2'). Records are numbered from 0
// in that order (their ordinal).
#include <cstdint>
#include <memory>
#include <vector>

#include "broker/sim/market/market_intraday.h"
#include "broker/sim/market/market_ladder.h"
#include "broker/sim/market/market_process.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {

struct MinuteSummary {
  int32_t open = 0;  // prices of the minute's first, highest, lowest and last contract
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
  int32_t volume = 0;
  int32_t buyVolume = 0;
  int32_t count = 0;  // contracts
  int32_t buyCount = 0;
};

// What a stock shares with its board today: the board's minute moves (none: it moves on its own)
// and the pause of the board's breaker.
struct DayShare {
  std::shared_ptr<const std::vector<double>> minutes;
  double sigma = 0;  // the shared moves' spread over the day
  TradingPause pause;
};

class StockDay {
 public:
  // `draw` is the day's bar for the stock (the process's, or one given from outside); its prices are
  // valid ticks within the day's limits.
  StockDay(const StockProfile& profile, uint64_t daySeed, const DayDraw& draw, DayShare share = {});

  bool Halted() const { return halted_; }
  const TradingPause& Pause() const { return share_.pause; }
  int32_t PreviousClose() const { return previousClose_; }
  const PriceLadder& Ladder() const { return ladder_; }
  int32_t MeanQuantity() const { return meanQuantity_; }
  double ContractsPerSecond() const { return contractsPerMinute_ / 60.0; }

  // Summary of regular minute m (0 = 09:00..09:01, up to kRegularMinutes - 1).
  const MinuteSummary& Minute(int m);
  // Records at or before `ms`.
  int32_t CountAt(int32_t ms);
  // Appends the records with ordinals [first, first + count) in ascending order.
  void Records(int32_t first, int32_t count, std::vector<Trade>& out);
  // The contracts of regular minute m (valid until the next call for another minute).
  const std::vector<Trade>& MinuteTrades(int m);
  DayState StateAt(int32_t ms);

 private:
  struct Totals {
    int32_t volume = 0;
    int32_t buyVolume = 0;
    int32_t sellVolume = 0;
    int32_t count = 0;
    int64_t value = 0;
    int32_t high = 0;
    int32_t low = 0;
    // Counts one contract into the count, the value and the day's range.
    void Add(const Trade& trade);
  };
  void EnsurePlanned();
  void Expand(int m, std::vector<Trade>& out);
  void PlanDay();
  std::vector<int32_t> PlanCounts(SeededRandom& random, double activity);
  std::vector<int32_t> PlanPath(SeededRandom& random, std::vector<int32_t>& counts);
  std::vector<double> RawPath(SeededRandom& random) const;
  int32_t NearestPosition(double price) const;
  void PlanVolumes(SeededRandom& random, const std::vector<int32_t>& counts, const std::vector<int32_t>& path);
  Totals TotalsBefore(int m);
  int32_t RegularCount();
  int32_t LastRegularPosition();
  int32_t ClosePosition();
  Trade AuctionRecord(int32_t index, bool closing);
  Trade ClosingContract();
  void Quote(Trade& trade) const;
  int32_t PreOpenCount() const { return halted_ ? 0 : kMsPerHour / preInterval_ - 1; }
  int32_t ClosingAuctionCount() const { return halted_ ? 0 : 10 * kMsPerMinute / closingInterval_ - 1; }

  uint64_t daySeed_;
  int32_t previousClose_;
  PriceLadder ladder_;
  bool halted_ = false;
  double contractsPerMinute_ = 0;
  float pressure_ = 0;
  float activity_ = 1;
  double beta_ = 1;
  double rangeSigma_ = 0;  // the day's volatility as its range tells it
  DayShare share_;
  int32_t volume_ = 0;  // the day's whole volume
  int32_t openPosition_ = 0;
  int32_t highPosition_ = 0;
  int32_t lowPosition_ = 0;
  int32_t closePosition_ = 0;
  int32_t meanQuantity_ = 1;
  int32_t openingQuantity_ = 1;
  int32_t closingQuantity_ = 1;
  char openingSide_ = '1';
  int32_t preInterval_ = 20000;      // ms between expected prices of the pre-open auction
  int32_t closingInterval_ = 20000;  // and of the closing auction

  // The day's plan (empty until first needed) and where the regular session ends.
  std::vector<MinuteSummary> minutes_;
  int32_t walkPosition_ = 0;  // the last regular contract's position
  // The last minute expanded, kept because the same minute is asked for again and again.
  int cachedMinute_ = -1;
  std::vector<Trade> cachedTrades_;
};

}  // namespace ostrada::sim
