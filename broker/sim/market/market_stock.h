#pragma once
// What the market knows of one listed stock, and the values it reports about its trading day.
// Prices in won, quantities in shares, times of day in milliseconds since midnight (exchange time).
#include <cstdint>
#include <string>

namespace ostrada::sim {

// The listing's facts the market needs about a stock.
struct StockProfile {
  std::string code;                 // CP949, e.g. "A005930"
  std::string name;                 // CP949
  char market = '1';                // '1'..'4'
  bool suspended = false;           // the code book's class5 '1': no trading today
  uint64_t seed = 0;                // the stock's own random stream
  int32_t priceLevel = 10000;       // where the previous close sits
  double contractsPerSecond = 0.2;  // liquidity during regular trading
  int64_t listedShares = 0;         // as the listing tells them, before any split; 0: not known
};

// A split or a consolidation taking effect on `date`: `before` shares of the day before are `after`
// shares that day, whose base price (the previous close, adjusted) is `price`.
struct ShareChange {
  int32_t date = 0;
  int32_t before = 1;
  int32_t after = 1;
  int32_t price = 0;
};

// The phases the contract records mark.
enum class Phase : char { kClosed = '0', kAuction = '1', kRegular = '2' };

constexpr int32_t kMsPerMinute = 60 * 1000;
constexpr int32_t kMsPerHour = 60 * kMsPerMinute;
constexpr int32_t kPreOpenMs = 8 * kMsPerHour;                              // pre-open call auction
constexpr int32_t kOpenMs = 9 * kMsPerHour;                                 // opening contract, regular trading
constexpr int32_t kClosingAuctionMs = 14 * kMsPerHour + 50 * kMsPerMinute;  // closing call auction
constexpr int32_t kCloseMs = 15 * kMsPerHour;                               // closing contract
constexpr int kRegularMinutes = (kClosingAuctionMs - kOpenMs) / kMsPerMinute;

Phase PhaseAt(int32_t ms);
int32_t HhmmOf(int32_t ms);
int32_t HhmmssOf(int32_t ms);

// One record of the day's tape: a contract, or during a call auction an expected contract.
struct Trade {
  int32_t timeMs = 0;
  int32_t price = 0;
  int32_t quantity = 0;    // this contract's quantity (the expected quantity in an auction)
  int32_t volume = 0;      // the day's cumulative volume including this contract
  int32_t buyVolume = 0;   // cumulative volume taken by buyers
  int32_t sellVolume = 0;  // cumulative volume taken by sellers
  int32_t ask = 0;         // best ask and bid right after the contract (0: none)
  int32_t bid = 0;
  char side = '1';  // '1' taken by a buyer, '2' by a seller
  Phase phase = Phase::kRegular;
};

// Buy volume over sell volume in percent, as the contract records carry it.
float ContractStrength(int32_t buyVolume, int32_t sellVolume);

// The state of a stock's day after every record at or before a moment.
struct DayState {
  Phase phase = Phase::kClosed;
  bool halted = false;
  bool paused = false;  // the board's breaker holds trading (the pause and the auction that ends it)
  int32_t previousClose = 0;
  int32_t price = 0;  // the last contract, else the previous close
  int32_t open = 0;   // 0 until the opening contract
  int32_t high = 0;
  int32_t low = 0;
  int32_t volume = 0;
  int32_t buyVolume = 0;
  int32_t sellVolume = 0;
  int32_t contracts = 0;  // regular contracts so far
  int64_t value = 0;      // traded value in won
  int32_t ask = 0;
  int32_t bid = 0;
  int32_t expected = 0;    // the latest expected price during a call auction, else 0
  int32_t lastTimeMs = 0;  // time of the last record, 0 before any
  char lastSide = '1';
};

}  // namespace ostrada::sim
