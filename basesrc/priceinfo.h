#pragma once
// Market arithmetic shared by the price records, the downloads, the exchange and the trading
// windows: the daily price-limit rule with its tick bands, percentages, measures over a price bar,
// the integer time forms the records store, and a few small text helpers. All stateless.
#include <cstddef>
#include <cstdint>

namespace ostrada {

// The common head of every price record; the same 32 bytes begin the daily bar and the
// current-price block, in memory and in their files.
struct PriceBar {
  int32_t time;  // key or time, defined by the owning record
  int32_t open;
  int32_t high;
  int32_t low;
  int32_t close;   // the current price in a current-price record
  int32_t change;  // close minus the previous close
  int32_t volume;
  float rate;  // change in percent
};
static_assert(sizeof(PriceBar) == 32, "a price bar is 32 bytes");
static_assert(offsetof(PriceBar, rate) == 28, "rate ends the bar");

// ---- Prices and rates ----

// The tick of the band the price falls in (5 below 5,000 ... 1,000 from 500,000 up).
int32_t PriceTick(int32_t price);
// The change from price to its upper (up == 1) or lower (any other value) daily limit; 0 (reported)
// for a price of 0 or below. The arithmetic is single precision on purpose: the limits must match
// the exchange's to the won.
int32_t PriceLimitChange(int32_t price, int up);
// amount * 100 / base; 0 (reported) when base is 0.
float Percent(int32_t base, int32_t amount);
// a - b formed in 64 bits and held to the 32-bit range: prices read from a damaged file may be
// anything, and their difference must not overflow.
int32_t PriceDifference(int32_t a, int32_t b);

// ---- Measures over a bar (a missing bar gives 0, reported) ----
int32_t BarBody(const PriceBar* bar);
int32_t BarPreviousClose(const PriceBar* bar);
// kind 1: open-to-close move over the previous close; any other kind: the day's change.
float BarRate(const PriceBar* bar, int kind);
float BarOpenCloseRate(const PriceBar* bar);
float BarTypicalPrice(const PriceBar* bar);
float BarOpenCloseMidpoint(const PriceBar* bar);

// ---- Predicates over a bar (a missing bar is false, silently) ----
bool BarIsRising(const PriceBar* bar);
bool BarIsFalling(const PriceBar* bar);
bool BarIsEven(const PriceBar* bar);
bool BarIsCross(const PriceBar* bar);
bool BarIsUp(const PriceBar* bar);
bool BarIsDown(const PriceBar* bar);
bool BarIsUnchanged(const PriceBar* bar);
bool BarClosedAtUpperLimit(const PriceBar* bar);
bool BarClosedAtLowerLimit(const PriceBar* bar);
bool BarTouchedUpperLimit(const PriceBar* bar);
bool BarTouchedLowerLimit(const PriceBar* bar);
bool BarRateAtLeast10(const PriceBar* bar);
bool BarRateAtLeast12(const PriceBar* bar);
bool BarRateAtMostMinus10(const PriceBar* bar);
bool BarRateAtMostMinus12(const PriceBar* bar);

// ---- Time, read from the foundation's clock ----
int32_t NowHHMM();
int32_t NowHHMMSS();
int32_t TodayYYYYMMDD();
// YYYYMMDD of a 10-byte local time record; 0 (reported) for a missing record.
int32_t DateNumber(const uint8_t* timeRecord);
// Absolute minutes between two HHMM times; 0 (reported) when either is 0.
int32_t MinutesBetween(int32_t a, int32_t b);
// HHMM end of the n-minute bar that holds t (HHMM or HHMMSS).
int32_t BarEndTime(int32_t t, int32_t n);

// ---- Texts ----
// Items of a comma list; an empty last item is not counted; -1 (reported) for a missing text.
int32_t CountCommaItems(const char* text);
// A new heap text (free with FreeMem) with CP949 full-width Latin letters folded to ASCII, or null
// (reported) for a missing or empty text.
char* FoldFullWidthLetters(const char* text);

// Sets two consecutive 32-bit values to 0; 0 (reported) for a missing pair, else 1.
int ZeroPair(int32_t* pair);

}  // namespace ostrada
