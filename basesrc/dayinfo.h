#pragma once
// The price bar of the daily history (one day, week or month of a stock, or one N-minute interval)
// and the indicators computed over a run of bars. Bars are linked older to newer by the series that
// owns them (basesrc/daygate); every indicator walks from a starting bar towards older bars.
#include <cstddef>
#include <cstdint>

#include "basesrc/coninfo.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

// Stored layout of a bar: the 32-byte price head, then 12 reserved bytes.
namespace daybar {
inline constexpr size_t kKey = 0;      // the date; in 'B' series the bar's end time HHMM
inline constexpr size_t kChange = 20;  // in 'B' series the bar's date
inline constexpr size_t kVolume = 24;
inline constexpr size_t kRate = 28;
inline constexpr size_t kReserved = 32;
inline constexpr size_t kSize = 44;
}  // namespace daybar

struct DayBar {
  PriceBar price;  // price.time is the key
  int32_t reserved[3];
  // Analysis fields, kept in memory only (a series file may store the strength).
  float strength;     // buyVolume * 100 / sellVolume; 500 with buys and no sells; 0 with neither
  int32_t buyVolume;  // quantities of the contracts taken by buyers
  int32_t buyCount;
  int32_t sellVolume;  // the same for sellers
  int32_t sellCount;
  int32_t smallBuyCount;  // buyer-taken contracts of 10 shares or less
  int32_t smallSellCount;
  int32_t limitDown;  // the day's lower price-limit amount (negative), from the previous close
  int32_t limitUp;
  DayBar* older;
  DayBar* newer;

  int32_t Key() const { return price.time; }
  // The date word of a 'B' bar.
  int32_t Date() const { return price.change; }
};
static_assert(offsetof(DayBar, reserved) == daybar::kReserved);
static_assert(offsetof(DayBar, strength) == daybar::kSize);

// Zeroes the 44 stored bytes; analysis fields and links stay.
int DayBarReset(DayBar* bar);
void EncodeDayBar(const DayBar& bar, uint8_t* out);
// The stored 44 bytes into the bar; analysis fields and links are left as they are.
void DecodeDayBar(const uint8_t* in, DayBar* bar);

// ---- Indicators over n >= 2 bars from the start towards older bars (0 when fewer exist) ----
enum class BarValue { kClose, kVolume };
// The value the indicators add up, as the unsigned word they sum.
uint32_t BarValueOf(const DayBar& bar, BarValue value);
// sum / n rounded half up, on the unsigned sum; capped at the largest value a stored line holds.
int32_t RoundedAverage(uint64_t sum, int32_t n);
// The sums are taken in 64 bits; a result beyond the 32-bit field is capped at its largest value.
int32_t DayAverage(const DayBar* start, int32_t n, BarValue value);
int32_t DaySum(const DayBar* start, int32_t n, BarValue value);
// Gains * 100 / (gains - losses) of the close-to-close differences.
float DayStrengthIndex(const DayBar* start, int32_t n);
// Where the start's close lies between the lowest low and the highest high, in percent; 0 when
// the highest high equals the lowest low.
float DayRangePosition(const DayBar* start, int32_t n);
// Typical price times volume, negative when the typical price fell from the older bar.
float DaySignedFlow(const DayBar* bar);

// ---- One bar's contract figures ----
// mode 1 leaves out the small contracts.
int32_t DayNetCount(const DayBar* bar, int mode);
float DayNetMoney(const DayBar* bar);
// 0 when the net count is 0.
float DayMoneyPerNetCount(const DayBar* bar, int mode);
float DayBuyShare(const DayBar* bar);
int32_t DayTotalCount(const DayBar* bar);

// A bar of one contract for an n-minute series: key the bar's end time, open = high = low = close =
// the price, volume the quantity.
int DayBarFromContract(DayBar* bar, const ContractRecord& contract, int32_t minutes);
// limitUp and limitDown from the previous close (close - change), when it is not zero.
int DayBarSetLimits(DayBar* bar);

}  // namespace ostrada
