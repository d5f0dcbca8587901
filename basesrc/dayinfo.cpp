#include "basesrc/dayinfo.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/dayinfo";

bool CountIsValid(const DayBar* start, int32_t n) {
  return OSTRADA_VERIFY(start != nullptr && n >= 2);
}

// The unsigned words of n bars added in 64 bits, so the busiest stocks' volumes cannot wrap; 0 when
// fewer than n bars exist.
uint64_t WideSum(const DayBar* start, int32_t n, BarValue value) {
  uint64_t sum = 0;
  int32_t taken = 0;
  for (const DayBar* bar = start; bar != nullptr && taken < n; bar = bar->older, ++taken)
    sum += BarValueOf(*bar, value);
  return taken == n ? sum : 0;
}

}  // namespace

int DayBarReset(DayBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  bar->price = PriceBar{};
  std::memset(bar->reserved, 0, sizeof bar->reserved);
  return 1;
}

void EncodeDayBar(const DayBar& bar, uint8_t* out) {
  const PriceBar& p = bar.price;
  PutI32(out, 0, p.time);
  PutI32(out, 4, p.open);
  PutI32(out, 8, p.high);
  PutI32(out, 12, p.low);
  PutI32(out, 16, p.close);
  PutI32(out, daybar::kChange, p.change);
  PutI32(out, daybar::kVolume, p.volume);
  PutF32(out, daybar::kRate, p.rate);
  for (size_t i = 0; i < 3; ++i) PutI32(out, daybar::kReserved + 4 * i, bar.reserved[i]);
}

void DecodeDayBar(const uint8_t* in, DayBar* bar) {
  PriceBar& p = bar->price;
  p.time = GetI32(in, 0);
  p.open = GetI32(in, 4);
  p.high = GetI32(in, 8);
  p.low = GetI32(in, 12);
  p.close = GetI32(in, 16);
  p.change = GetI32(in, daybar::kChange);
  p.volume = GetI32(in, daybar::kVolume);
  p.rate = GetF32(in, daybar::kRate);
  for (size_t i = 0; i < 3; ++i) bar->reserved[i] = GetI32(in, daybar::kReserved + 4 * i);
}

uint32_t BarValueOf(const DayBar& bar, BarValue value) {
  return static_cast<uint32_t>(value == BarValue::kClose ? bar.price.close : bar.price.volume);
}

int32_t RoundedAverage(uint64_t sum, int32_t n) {
  const auto divisor = static_cast<uint64_t>(n);
  const uint64_t quotient = sum / divisor;
  const uint64_t rounded = (sum % divisor) * 2 >= divisor ? quotient + 1 : quotient;
  return static_cast<int32_t>(std::min<uint64_t>(rounded, INT32_MAX));
}

int32_t DaySum(const DayBar* start, int32_t n, BarValue value) {
  if (!CountIsValid(start, n)) return 0;
  return static_cast<int32_t>(std::min<uint64_t>(WideSum(start, n, value), INT32_MAX));
}

int32_t DayAverage(const DayBar* start, int32_t n, BarValue value) {
  if (!CountIsValid(start, n)) return 0;
  return RoundedAverage(WideSum(start, n, value), n);
}

float DayStrengthIndex(const DayBar* start, int32_t n) {
  if (!CountIsValid(start, n)) return 0.0f;
  int64_t gains = 0;
  int64_t losses = 0;
  int32_t differences = 0;
  for (const DayBar* bar = start; bar != nullptr && bar->older != nullptr && differences < n; bar = bar->older) {
    const int64_t d = int64_t{bar->price.close} - bar->older->price.close;
    (d > 0 ? gains : losses) += d;
    ++differences;
  }
  if (differences < n || gains - losses == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(gains) * 100.0 / static_cast<double>(gains - losses));
}

float DayRangePosition(const DayBar* start, int32_t n) {
  if (!CountIsValid(start, n)) return 0.0f;
  int32_t lowest = start->price.low;
  int32_t highest = start->price.high;
  int32_t taken = 0;
  for (const DayBar* bar = start; bar != nullptr && taken < n; bar = bar->older, ++taken) {
    lowest = std::min(lowest, bar->price.low);
    highest = std::max(highest, bar->price.high);
  }
  if (taken < n || highest == lowest) return 0.0f;
  return static_cast<float>((static_cast<double>(start->price.close) - lowest) * 100.0 /
                            (static_cast<double>(highest) - lowest));
}

float DaySignedFlow(const DayBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  if (bar->older == nullptr) return 0.0f;
  const float typical = BarTypicalPrice(&bar->price);
  const float flow = typical * static_cast<float>(bar->price.volume);
  return typical < BarTypicalPrice(&bar->older->price) ? -flow : flow;
}

int32_t DayNetCount(const DayBar* bar, int mode) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  if (mode == 1) return bar->buyCount - bar->smallBuyCount - (bar->sellCount - bar->smallSellCount);
  return bar->buyCount - bar->sellCount;
}

float DayNetMoney(const DayBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  const double middle = (static_cast<double>(bar->price.open) + bar->price.close) / 2.0;
  return static_cast<float>((static_cast<double>(bar->buyVolume) - bar->sellVolume) * middle);
}

float DayMoneyPerNetCount(const DayBar* bar, int mode) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  const int32_t count = DayNetCount(bar, mode);
  return count == 0 ? 0.0f : DayNetMoney(bar) / static_cast<float>(count);
}

float DayBuyShare(const DayBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0.0f;
  const float divisor = bar->sellCount > 0 ? static_cast<float>(bar->sellCount) : 1.0f;
  return static_cast<float>(bar->buyCount) * 100.0f / divisor;
}

int32_t DayTotalCount(const DayBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  return bar->buyCount + bar->sellCount;
}

int DayBarFromContract(DayBar* bar, const ContractRecord& contract, int32_t minutes) {
  if (!DayBarReset(bar)) return 0;
  PriceBar& p = bar->price;
  p.time = BarEndTime(contract.timeHHMMSS, minutes);
  p.open = p.high = p.low = p.close = contract.price;
  p.volume += contract.tickVolume;
  return 1;
}

int DayBarSetLimits(DayBar* bar) {
  if (!OSTRADA_VERIFY(bar != nullptr)) return 0;
  if (bar->price.close == bar->price.change) return 1;
  const int32_t previous = bar->price.close - bar->price.change;
  bar->limitUp = PriceLimitChange(previous, 1);
  bar->limitDown = PriceLimitChange(previous, 0);
  return 1;
}

}  // namespace ostrada
