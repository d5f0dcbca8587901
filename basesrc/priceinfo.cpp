#include "basesrc/priceinfo.h"

#include <algorithm>
#include <array>
#include <climits>

#include "basesrc/foundation/localtime.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/priceinfo";

struct TickBand {
  int32_t below;
  int32_t tick;
};
constexpr std::array<TickBand, 5> kTickBands = {{
    {5000, 5},
    {10000, 10},
    {50000, 50},
    {100000, 100},
    {500000, 500},
}};
constexpr int32_t kTopTick = 1000;

// The limit width before rounding to a tick: the product is formed exactly and rounded once to
// single precision, then truncated, as the exchange does.
int32_t LimitWidth(int32_t price) {
  constexpr float kLimitFraction = 0.15f;
  const float width = static_cast<float>(static_cast<double>(price) * static_cast<double>(kLimitFraction));
  return static_cast<int32_t>(width);
}

// HHMM as minutes since midnight.
int32_t MinuteOfDay(int32_t hhmm) {
  return (hhmm / 100) * 60 + hhmm % 100;
}

// Full-width Latin letters of CP949 (rows A3C1..A3DA and A3E1..A3FA) map to ASCII by this offset.
constexpr unsigned kFullWidthOffset = 0xA380;
bool IsFullWidthLetter(unsigned c) {
  return (c >= 0xA3C1 && c <= 0xA3DA) || (c >= 0xA3E1 && c <= 0xA3FA);
}

bool ReadClock(uint8_t* record) {
  return GetLocalTimeFields(record) == 1;
}

}  // namespace

int32_t PriceTick(int32_t price) {
  for (const TickBand& band : kTickBands) {
    if (price < band.below) return band.tick;
  }
  return kTopTick;
}

int32_t PriceLimitChange(int32_t price, int up) {
  if (!OSTRADA_VERIFY(price > 0)) return 0;
  int32_t width = LimitWidth(price);
  if (up == 1) {
    // Formed in 64 bits so that no price, however absurd, overflows its limit.
    const int64_t limit = int64_t{price} + width;
    const int32_t tick = PriceTick(static_cast<int32_t>(std::min<int64_t>(limit, INT32_MAX)));
    width -= static_cast<int32_t>(limit % tick);
    return width;
  }
  width -= width % PriceTick(price);
  return -width;
}

float Percent(int32_t base, int32_t amount) {
  if (!OSTRADA_VERIFY(base != 0)) return 0.0f;
  // The product is a 32-bit value, wrapping as the stored rates always have.
  const auto hundredfold = static_cast<int32_t>(static_cast<uint32_t>(amount) * 100u);
  return static_cast<float>(static_cast<double>(hundredfold) / static_cast<double>(base));
}

int32_t PriceDifference(int32_t a, int32_t b) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} - b, INT32_MIN, INT32_MAX));
}

int32_t BarBody(const PriceBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  return PriceDifference(bar->close, bar->open);
}

int32_t BarPreviousClose(const PriceBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  return PriceDifference(bar->close, bar->change);
}

float BarRate(const PriceBar* bar, int kind) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  const int32_t previous = PriceDifference(bar->close, bar->change);
  if (kind == 1) {
    if (bar->open == 0 || bar->close == bar->open || bar->close == 0 || previous == 0) return 0.0f;
    return Percent(previous, PriceDifference(bar->close, bar->open));
  }
  if (bar->change == 0 || previous == 0) return 0.0f;
  return Percent(previous, bar->change);
}

float BarOpenCloseRate(const PriceBar* bar) {
  return BarRate(bar, 1);
}

float BarTypicalPrice(const PriceBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  return static_cast<float>(static_cast<double>(bar->high) + bar->close + bar->low) / 3.0f;
}

float BarOpenCloseMidpoint(const PriceBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  return static_cast<float>(static_cast<double>(bar->open) + bar->close) / 2.0f;
}

bool BarIsRising(const PriceBar* bar) {
  return bar && bar->close && bar->open && bar->open < bar->close;
}
bool BarIsFalling(const PriceBar* bar) {
  return bar && bar->close && bar->open && bar->close < bar->open;
}
bool BarIsEven(const PriceBar* bar) {
  return bar && bar->close && bar->open && bar->close == bar->open;
}

bool BarIsCross(const PriceBar* bar) {
  return bar && bar->close && bar->open == bar->high && bar->high == bar->low && bar->low == bar->close;
}

bool BarIsUp(const PriceBar* bar) {
  return bar && bar->change > 0;
}
bool BarIsDown(const PriceBar* bar) {
  return bar && bar->change < 0;
}
bool BarIsUnchanged(const PriceBar* bar) {
  return bar && bar->change == 0;
}

bool BarClosedAtUpperLimit(const PriceBar* bar) {
  if (!bar || bar->close <= 0 || bar->change <= 0) return false;
  const int32_t previous = PriceDifference(bar->close, bar->change);
  return previous != 0 && PriceLimitChange(previous, 1) == bar->change;
}

bool BarClosedAtLowerLimit(const PriceBar* bar) {
  if (!bar || bar->close <= 0 || bar->change >= 0) return false;
  const int32_t previous = PriceDifference(bar->close, bar->change);
  return previous != 0 && PriceLimitChange(previous, 0) == bar->change;
}

bool BarTouchedUpperLimit(const PriceBar* bar) {
  if (!bar || bar->close <= 0 || bar->high <= 0) return false;
  const int32_t previous = PriceDifference(bar->close, bar->change);
  // A price too low for a limit move has a limit change of 0: an unchanged high touched nothing.
  return previous > 0 && bar->high > previous && PriceDifference(bar->high, previous) == PriceLimitChange(previous, 1) &&
         bar->close != bar->high;
}

bool BarTouchedLowerLimit(const PriceBar* bar) {
  if (!bar || bar->close <= 0 || bar->low <= 0) return false;
  const int32_t previous = PriceDifference(bar->close, bar->change);
  return previous > 0 && bar->low < previous && PriceDifference(bar->low, previous) == PriceLimitChange(previous, 0) &&
         bar->close != bar->low;
}

bool BarRateAtLeast10(const PriceBar* bar) {
  return bar && bar->rate >= 10.0f;
}
bool BarRateAtLeast12(const PriceBar* bar) {
  return bar && bar->rate >= 12.0f;
}
bool BarRateAtMostMinus10(const PriceBar* bar) {
  return bar && bar->rate <= -10.0f;
}
bool BarRateAtMostMinus12(const PriceBar* bar) {
  return bar && bar->rate <= -12.0f;
}

int32_t NowHHMM() {
  uint8_t record[kLocalTimeRecordSize] = {};
  if (!ReadClock(record)) return 0;
  return record[4] * 100 + record[5];
}

int32_t NowHHMMSS() {
  uint8_t record[kLocalTimeRecordSize] = {};
  if (!ReadClock(record)) return 0;
  return record[4] * 10000 + record[5] * 100 + record[6];
}

int32_t TodayYYYYMMDD() {
  uint8_t record[kLocalTimeRecordSize] = {};
  if (!ReadClock(record)) return 0;
  return DateNumber(record);
}

int32_t DateNumber(const uint8_t* timeRecord) {
  if (!OSTRADA_VERIFY(timeRecord != nullptr)) return 0;
  return timeRecord[0] * 1000000 + timeRecord[1] * 10000 + timeRecord[2] * 100 + timeRecord[3];
}

int32_t MinutesBetween(int32_t a, int32_t b) {
  if (!OSTRADA_VERIFY(a != 0 && b != 0)) return 0;
  return b < a ? MinuteOfDay(a) - MinuteOfDay(b) : MinuteOfDay(b) - MinuteOfDay(a);
}

int32_t BarEndTime(int32_t t, int32_t n) {
  if (t / 10000 > 0) t /= 100;
  // Counted in minutes of the day: rounded on the HHMM number itself, a bar of 3, 15, 30 or 60 minutes
  // would end at minute 60 or more, or before the bar ahead of it, and a series refuses it.
  const int32_t step = n > 1 ? n : 1;
  const int32_t end = (MinuteOfDay(t) + step) / step * step;  // the first step-multiple past t's minute
  return end / 60 * 100 + end % 60;
}

int32_t CountCommaItems(const char* text) {
  if (!OSTRADA_VERIFY(text != nullptr)) return -1;
  if (*text == '\0') return 0;
  int32_t commas = 0;
  const char* afterLastComma = text;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == ',') {
      ++commas;
      afterLastComma = p + 1;
    }
  }
  return *afterLastComma == '\0' ? commas : commas + 1;
}

char* FoldFullWidthLetters(const char* text) {
  if (!OSTRADA_VERIFY(text != nullptr)) return nullptr;
  const size_t length = StrLen(text);
  if (!OSTRADA_VERIFY(length > 0)) return nullptr;
  auto* folded = static_cast<char*>(AllocZeroed(length + 1));
  if (folded == nullptr) return nullptr;
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  char* out = folded;
  while (*in != 0) {
    // A lead byte cut off by the end of the text has no character to fold; it is kept as it is
    // rather than pairing it with the terminator.
    if (*in < 0x80 || in[1] == 0) {
      *out++ = static_cast<char>(*in++);
      continue;
    }
    const unsigned c = static_cast<unsigned>(in[0]) << 8 | in[1];
    if (IsFullWidthLetter(c)) {
      *out++ = static_cast<char>(c - kFullWidthOffset);
    } else {
      *out++ = static_cast<char>(in[0]);
      *out++ = static_cast<char>(in[1]);
    }
    in += 2;
  }
  return folded;
}

int ZeroPair(int32_t* pair) {
  if (!OSTRADA_VERIFY(pair != nullptr)) return 0;
  pair[0] = 0;
  pair[1] = 0;
  return 1;
}

}  // namespace ostrada
