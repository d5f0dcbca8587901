#include "broker/sim/market_history.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "basesrc/priceinfo.h"
#include "broker/sim/market_calendar.h"
#include "broker/sim/market_ladder.h"
#include "broker/sim/market_random.h"
#include "broker/sim/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr uint64_t kBarSalt = 0x4241525300000000ull;
constexpr uint64_t kActionSalt = 0x4143544e00000000ull;
constexpr uint64_t kStyleSalt = 0x5354594c00000000ull;
constexpr uint64_t kIndexSalt = 0x494e445800000000ull;
constexpr int32_t kLowestPrice = 200;
constexpr int32_t kHighestPrice = 3'000'000;

int32_t TickAbove(int32_t price) {
  return price + PriceTick(price);
}
int32_t TickBelow(int32_t price) {
  return TickAtOrBelow(price - 1);
}
int32_t UpperLimit(int32_t base) {
  return base + PriceLimitChange(base, 1);
}
int32_t LowerLimit(int32_t base) {
  return base + PriceLimitChange(base, 0);
}

// A split (older prices higher) or a consolidation (older prices lower) `age` bars before the newest.
struct CorporateAction {
  int age = -1;
  double olderFactor = 1.0;
};

CorporateAction ActionOf(const StockProfile& stock) {
  SeededRandom random(DeriveSeed(stock.seed, kActionSalt));
  CorporateAction action;
  if (!random.Percent(3.0)) return action;
  action.age = 5 + static_cast<int>(random.Below(400));
  constexpr std::array<double, 3> kRatios = {2.0, 5.0, 10.0};
  const double ratio = kRatios[random.Below(3)];
  action.olderFactor = random.Percent(60.0) ? 1.0 / ratio : ratio;
  return action;
}

int32_t PreviousCloseOf(const StockProfile& stock) {
  return TickAtOrBelow(std::clamp(stock.priceLevel, kLowestPrice, kHighestPrice));
}

int32_t AverageVolume(const StockProfile& stock, int32_t price) {
  const double shares = stock.contractsPerSecond * 21000.0 * std::min(3000.0, 3'000'000.0 / price);
  return std::max(100, RoundToInt(std::min(shares, 5.0e7)));
}

// The bar of `date` closing at `close`; its base price (the day before's close) is drawn backwards.
DailyBar BarClosingAt(const StockProfile& stock, int32_t date, int32_t close, double level, double sigma) {
  SeededRandom random(DeriveSeed(stock.seed ^ kBarSalt, static_cast<uint64_t>(date)));
  DailyBar bar;
  bar.date = date;
  bar.close = close;
  const double move = std::clamp(Normal(random) * sigma + 0.02 * std::log(close / level), -0.12, 0.12);
  int32_t base = TickAtOrBelow(RoundToInt(close / (1.0 + move)));
  if (random.Percent(1.0)) {
    // A day that closed at its upper limit, when some base price gives exactly this close.
    for (int32_t candidate = TickAtOrBelow(RoundToInt(close / 1.15)), steps = 0; steps < 12;
         candidate = TickAbove(candidate), ++steps) {
      if (UpperLimit(candidate) == close) {
        base = candidate;
        break;
      }
    }
  }
  while (close > UpperLimit(base)) base = TickAbove(base);
  while (close < LowerLimit(base)) base = TickBelow(base);
  const int32_t lower = LowerLimit(base);
  const int32_t upper = UpperLimit(base);
  bar.open = std::clamp(TickAtOrBelow(RoundToInt(base * (1.0 + Normal(random) * 0.008))), lower, upper);
  const int32_t top = std::max(bar.open, close);
  const int32_t bottom = std::min(bar.open, close);
  bar.high = std::clamp(TickAtOrBelow(RoundToInt(top * (1.0 + std::fabs(Normal(random)) * 0.01))), top, upper);
  bar.low = std::clamp(TickAtOrBelow(RoundToInt(bottom * (1.0 - std::fabs(Normal(random)) * 0.01))), lower, bottom);
  bar.change = close - base;
  const double activity = (0.4 + 1.2 * random.Unit()) * (1.0 + 3.0 * std::fabs(move) / 0.1);
  bar.volume = RoundToInt(AverageVolume(stock, close) * activity);
  return bar;
}

// The float reads back as the hundredths however the reader multiplies by 100 (float or double
// arithmetic, truncated).
bool ReadsBack(float value, int32_t hundredths) {
  return static_cast<int32_t>(value * 100.0f) == hundredths &&
         static_cast<int32_t>(static_cast<double>(value) * 100.0) == hundredths;
}

// Hundredths that survive the round trip through their nearest float.
bool IsExact(int32_t hundredths) {
  return ReadsBack(static_cast<float>(hundredths / 100.0), hundredths);
}

struct IndexStyle {
  int32_t level;   // hundredths
  int32_t volume;  // thousands of shares a day
  uint64_t salt;
};

IndexStyle StyleOf(std::string_view code) {
  if (code == "U201") return {87000, 900000, 201};
  return {265000, 450000, 1};
}

}  // namespace

std::vector<DailyBar> StockHistory(const StockProfile& stock, int32_t tradingDate, int count) {
  const std::vector<int32_t> dates = TradingDaysBefore(tradingDate, count);
  std::vector<DailyBar> bars(dates.size());
  SeededRandom style(DeriveSeed(stock.seed, kStyleSalt));
  const double sigma = 0.012 + 0.018 * style.Unit();
  const CorporateAction action = ActionOf(stock);
  int32_t close = PreviousCloseOf(stock);
  double level = close;
  for (size_t age = 0; age < bars.size(); ++age) {
    const size_t at = bars.size() - 1 - age;
    bars[at] = BarClosingAt(stock, dates[at], close, level, sigma);
    close = bars[at].close - bars[at].change;
    if (static_cast<int>(age) == action.age) {
      const int32_t older = TickAtOrBelow(RoundToInt(close * action.olderFactor));
      if (older >= kLowestPrice && older <= kHighestPrice) {
        close = older;
        level *= action.olderFactor;
      }
    }
  }
  return bars;
}

DailyBar PreviousDay(const StockProfile& stock, int32_t tradingDate) {
  return StockHistory(stock, tradingDate, 1).front();
}

bool IsIndexCode(std::string_view code) {
  return code == "U001" || code == "U201";
}

std::vector<DailyBar> IndexHistory(std::string_view code, uint64_t seed, int32_t tradingDate, int count) {
  const IndexStyle style = StyleOf(code);
  const std::vector<int32_t> dates = TradingDaysBefore(tradingDate, count);
  std::vector<DailyBar> bars(dates.size());
  const uint64_t indexSeed = DeriveSeed(seed ^ kIndexSalt, style.salt);
  int32_t close = ExactHundredths(style.level);
  for (size_t age = 0; age < bars.size(); ++age) {
    const size_t at = bars.size() - 1 - age;
    SeededRandom random(DeriveSeed(indexSeed, static_cast<uint64_t>(dates[at])));
    const double move =
        std::clamp(Normal(random) * 0.009 + 0.02 * std::log(static_cast<double>(close) / style.level), -0.08, 0.08);
    int32_t base = RoundToInt(close / (1.0 + move));
    while (!IsExact(base) || !IsExact(close - base)) ++base;
    DailyBar& bar = bars[at];
    bar.date = dates[at];
    bar.close = close;
    bar.change = close - base;
    bar.open = ExactHundredths(RoundToInt(base * (1.0 + Normal(random) * 0.003)));
    bar.high = ExactHundredths(RoundToInt(std::max(bar.open, close) * (1.0 + std::fabs(Normal(random)) * 0.004)));
    bar.low =
        std::min({bar.open, close,
                  ExactHundredths(RoundToInt(std::min(bar.open, close) * (1.0 - std::fabs(Normal(random)) * 0.004)))});
    bar.volume = RoundToInt(style.volume * (0.7 + 0.6 * random.Unit()));
    close = base;
  }
  return bars;
}

std::vector<IndexMinute> IndexDay(std::string_view code, uint64_t seed, int32_t tradingDate) {
  const IndexStyle style = StyleOf(code);
  const uint64_t daySeed = DeriveSeed(DeriveSeed(seed ^ kIndexSalt, style.salt), static_cast<uint64_t>(tradingDate));
  const int32_t previousClose = IndexHistory(code, seed, tradingDate, 1).front().close;
  int32_t last = previousClose;
  std::vector<IndexMinute> minutes(static_cast<size_t>(kRegularMinutes));
  for (int m = 0; m < kRegularMinutes; ++m) {
    SeededRandom random(DeriveSeed(daySeed, static_cast<uint64_t>(m)));
    IndexMinute& minute = minutes[static_cast<size_t>(m)];
    minute.open = last;
    // The day's change is read from the last close, so it must survive the float as well.
    minute.close = ExactHundredthsAgainst(RoundToInt(last * (1.0 + Normal(random) * 0.0006)), previousClose);
    minute.high = ExactHundredths(RoundToInt(std::max(minute.open, minute.close) * (1.0 + random.Unit() * 0.0003)));
    minute.low =
        std::min({minute.open, minute.close,
                  ExactHundredths(RoundToInt(std::min(minute.open, minute.close) * (1.0 - random.Unit() * 0.0003)))});
    minute.volume = RoundToInt(style.volume / 350.0 * (0.5 + random.Unit()) * (m < 30 ? 2.0 : 1.0));
    last = minute.close;
  }
  return minutes;
}

int32_t ExactHundredths(int32_t hundredths) {
  while (!IsExact(hundredths)) ++hundredths;
  return hundredths;
}

int32_t ExactHundredthsAgainst(int32_t hundredths, int32_t base) {
  while (!IsExact(hundredths) || !IsExact(hundredths - base)) ++hundredths;
  return hundredths;
}

float HundredthsValue(int32_t hundredths) {
  // A sum or difference of exact values (the change of a week or a month) need not be exact; its
  // nearest float may fall a hair short and truncate one hundredth low. The neighbouring floats away
  // from zero truncate back to it; a step or two always suffices at an index's magnitudes.
  constexpr int kMostSteps = 4;
  const float away = hundredths < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  auto value = static_cast<float>(hundredths / 100.0);
  for (int step = 0; step < kMostSteps && !ReadsBack(value, hundredths); ++step) value = std::nextafter(value, away);
  return value;
}

}  // namespace ostrada::sim
