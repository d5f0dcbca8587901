#include "basesrc/nowpack_rules.h"

#include <algorithm>
#include <cstdlib>

#include "basesrc/foundation/report.h"
#include "basesrc/priceinfo.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowpack";

constexpr PatternInfo kPatterns[] = {
    {2001, Txt::kPattern2001, 16},  {2002, Txt::kPattern2002, 20},  {2003, Txt::kPattern2003, 24},
    {2004, Txt::kPattern2004, 28},  {2005, Txt::kPattern2005, 32},  {2006, Txt::kPattern2006, 12},
    {2007, Txt::kPattern2007, 8},   {2008, Txt::kPattern2008, 4},   {2009, Txt::kPattern2009, 36},
    {2011, Txt::kPattern2011, 44},  {2012, Txt::kPattern2012, 48},  {2013, Txt::kPattern2013, 52},
    {2014, Txt::kPattern2014, 56},  {2015, Txt::kPattern2015, 60},  {2016, Txt::kPattern2016, 64},
    {2021, Txt::kPattern2021, 72},  {2022, Txt::kPattern2022, 84},  {2023, Txt::kPattern2023, 88},
    {2031, Txt::kPattern2031, 96},  {2032, Txt::kPattern2032, 120}, {2033, Txt::kPattern2033, 100},
    {2034, Txt::kPattern2034, 104}, {2061, Txt::kPattern2061, 236}, {2062, Txt::kPattern2062, 240},
    {2063, Txt::kPattern2063, 244}, {2071, Txt::kPattern2071, 196}, {2072, Txt::kPattern2072, 208},
    {2073, Txt::kPattern2073, 228}, {2074, Txt::kPattern2074, 232}, {2081, Txt::kPattern2081, 252},
    {2082, Txt::kPattern2082, 256}, {2083, Txt::kPattern2083, 248}, {2084, Txt::kPattern2084, 260},
};

// The counter slot of a pattern, from the table above; a code that is not there does not compile.
consteval size_t SlotOf(int32_t code) {
  for (const PatternInfo& pattern : kPatterns) {
    if (pattern.code == code) return pattern.slot;
  }
  throw "not a pattern";
}

// Slots that are not a pattern's own.
namespace slot {
constexpr size_t kRising = 0;
constexpr size_t kUp5 = 4, kUp10 = 8, kUp12 = 12;
constexpr size_t kFalling = 40;
constexpr size_t kDown5 = 44, kDown10 = 48, kDown12 = 52;
constexpr size_t kRisingCandle = 68, kFallingCandle = 76, kEvenCandle = 80;
constexpr size_t kBelowAverage = 148, kAboveAverage = 172;
constexpr size_t kOverWith60 = 200, kUnderWith60 = 212, kOverBetween = 220, kUnderBetween = 224;
constexpr size_t kNoAlignment = 228, kTouching = 232;
}  // namespace slot

constexpr float kStrengthLimit = 250.0f;

float Pct(int32_t base, int32_t amount) {
  return Percent(base, amount);
}

bool Between(int32_t low, int32_t value, int32_t high) {
  return low < value && value < high;
}

// Today's values of the block.
struct Day {
  explicit Day(NowPrice& b)
      : block(b),
        O(b.bar.open),
        H(b.bar.high),
        L(b.bar.low),
        C(b.bar.close),
        D(b.bar.change),
        R(b.bar.rate),
        B(b.basePrice),
        VR(b.volumeRatio) {}
  NowPrice& block;
  int32_t O, H, L, C, D;
  float R;
  int32_t B;
  int32_t VR;
  float Body() const { return NowBodyPercent(&block); }
};

int32_t Ma(const MovingAverageEntry& entry, int k) {
  return entry.lines[k];
}

MovingAverageEntry Completed(const MovingAverageEntry& sums, int32_t price) {
  MovingAverageEntry entry = sums;
  CompleteAverageEntry(&entry, price);
  return entry;
}

float PreviousBody(const PriceBar& p) {
  if (p.open == 0 || p.close == p.open || p.close == 0 || p.close == p.change) return 0.0f;
  return Pct(p.close - p.change, p.close - p.open);
}

bool WeakDay(const Day& t) {
  if (t.O <= 0 || t.VR >= 71) return false;
  if (t.O >= t.B && t.O >= t.C && t.Body() <= 2 && t.R >= -5 && t.R <= 2) return true;
  return t.O < t.B && t.R >= -5 && t.R <= 0.5f;
}

bool StrongThenWeakCore(const PriceBar& previous, const Day& t) {
  if (t.O <= 0 || previous.rate < 7 || previous.close < previous.open || t.VR > 70) return false;
  if (t.O >= t.B || t.C < t.O) {
    const float a = PreviousBody(previous);
    if (t.C < t.O && -t.Body() > a / 2) return false;
    return a >= 5 && WeakDay(t);
  }
  return t.R >= -5 && t.R <= 0.5f;
}

bool StrongThenWeakConfirmed(const PatternWork& w, const Day& t) {
  const int32_t ma5 = Ma(w.today, 0), ma20 = Ma(w.today, 1);
  if (!StrongThenWeakCore(w.previous, t) || ma5 == 0 || ma20 == 0) return false;
  if (!Between(w.previous.open, ma5, w.previous.close) && !Between(w.previous.open, ma20, w.previous.close))
    return false;
  const float body = std::abs(t.Body());
  return t.VR > 50 && body <= 1 && body < std::abs(NowUpperRange(&t.block)) && std::max(ma5, ma20) < t.C;
}

bool StrongThenWeak(const PatternWork& w, const Day& t) {
  if (!StrongThenWeakCore(w.previous, t)) return false;
  if (t.VR >= 51 && !StrongThenWeakConfirmed(w, t)) return false;
  const int32_t ma5 = Ma(w.today, 0), ma20 = Ma(w.today, 1);
  if (ma20 == 0) return false;
  const float x = Pct(ma20, t.C - ma20);
  if (x < 0 || x > 12) return false;
  const PriceBar &d0 = w.days[0].bar, &d1 = w.days[1].bar, &d2 = w.days[2].bar;
  if (d1.close >= d0.open || d0.open >= d0.close || d2.close >= d1.open || d1.open >= d1.close) return true;
  if (Between(d0.open, ma5, d0.close)) return true;
  return Between(d0.open, ma20, d0.close);
}

bool InvertedHammer(const PatternWork& w, const Day& t) {
  const int32_t ma5 = Ma(w.today, 0), ma20 = Ma(w.today, 1);
  if (ma20 == 0 || !(t.O < t.C && t.C < t.H && t.L < t.C && t.O == t.L)) return false;
  if (t.C < ma20 && t.C < ma5) return false;
  const float u = NowHighRate(&t.block) - NowDayRate(&t.block);
  const float f = t.Body();
  if (f < u || f < 2.5f || u < f / 5) return false;
  if (ma5 < ma20 && Pct(ma20, t.C - ma20) < -1) return false;
  const int32_t ref0 = w.crossLine5, ref1 = w.extremePrice;
  if (ref0 <= 0) return false;
  if (Pct(ref0, t.C - ref0) >= 35 && (t.C >= ref1 || Pct(ref0, ref1 - ref0) >= 45)) return false;
  const PriceBar &d0 = w.days[0].bar, &d1 = w.days[1].bar;
  if (d1.close >= d0.close || d1.close >= d0.open || d0.close >= t.C) return true;
  return !(d0.close < t.O && ma5 < t.O);
}

bool PullBack20(const PatternWork& w, const Day& t) {
  const int32_t ma5 = Ma(w.today, 0), ma20 = Ma(w.today, 1);
  if (t.O <= 0 || ma5 == 0 || ma20 == 0 || ma20 >= t.C || ma20 >= ma5) return false;
  const float x = Pct(ma20, t.C - ma20);
  if (x <= 0) return false;
  if (x <= 5 || (t.O < t.C && Pct(ma20, t.O - ma20) <= 5)) return Pct(t.C, w.extremePrice - t.C) >= 12;
  return false;
}

bool DenseRisingCandles(const PatternWork& w, const Day& t, int32_t n) {
  const int32_t ma5 = Ma(w.today, 0), ma20 = Ma(w.today, 1);
  if (n < 1 || w.risingDays25 < n || t.O <= 0 || ma5 == 0 || t.C < t.O || t.R < -3.5f) return false;
  const int32_t lo = std::min(ma5, ma20), hi = std::max(ma5, ma20);
  if (Pct(lo, hi - lo) > 20) return false;
  if (ma5 < ma20) {
    return w.extremePrice > 0 && -Pct(w.extremePrice, t.C - w.extremePrice) <= 20 && -Pct(ma20, t.C - ma20) <= 20;
  }
  return w.crossLine5 > 0 && Pct(w.crossLine5, t.C - w.crossLine5) <= 20;
}

bool StrongContracts(const PatternWork& w, const Day& t) {
  if (t.block.strength < kStrengthLimit) return false;
  const bool fallingCandle = t.C != 0 && t.O != 0 && t.C < t.O;
  if (!fallingCandle && t.R > 2) return false;
  const int32_t ma5 = Ma(w.today, 0), ma20 = Ma(w.today, 1);
  if (ma20 == 0) return false;
  return ma20 >= ma5 || (Pct(ma20, ma5 - ma20) <= 10 && Pct(ma20, t.C - ma20) <= 12);
}

// Today's and the base day's averages from the five day items (the pull-back tests).
struct DayAverages {
  MovingAverageEntry today;
  MovingAverageEntry base;
};
DayAverages AveragesOfDays(const PatternWork& w, int32_t price) {
  return {Completed(w.days[0].averages, price), Completed(w.days[1].averages, w.days[0].bar.close)};
}

bool UpperLimitPullBack(const PatternWork& w, const Day& t) {
  const PriceBar& d0 = w.days[0].bar;
  if (w.daysSinceLimit < 2 || w.daysSinceLimit > 5 || t.O >= t.C || d0.open < d0.close || t.O >= w.limitClose)
    return false;
  const auto [today, base] = AveragesOfDays(w, t.C);
  const int32_t t5 = Ma(today, 0), t20 = Ma(today, 1);
  if (t5 == 0 || t20 == 0 || t5 < Ma(base, 0)) return false;
  if (t20 >= t5) return true;
  return !(Pct(t20, t5 - t20) > 15 || Pct(w.crossLine5, t.C - w.crossLine5) > 30);
}

bool PullBack5(const PatternWork& w, const Day& t) {
  if (!(t.O < t.C && t.C < t.H && t.L == t.O)) return false;
  const PriceBar& d0 = w.days[0].bar;
  if (d0.open < d0.close && t.O >= d0.close) return false;
  int32_t highestClose = w.days[0].bar.close;
  size_t widest = 0;
  for (size_t i = 1; i < predata::kDays; ++i) {
    const PriceBar& bar = w.days[i].bar;
    highestClose = std::max(highestClose, bar.close);
    // The most recent day wins a tie.
    if (bar.close - bar.open > w.days[widest].bar.close - w.days[widest].bar.open) widest = i;
  }
  if (highestClose < t.C) return false;
  const PriceBar& wide = w.days[widest].bar;
  if (wide.close - wide.open < t.C - t.O || wide.rate < 5.5f) return false;
  const auto [today, base] = AveragesOfDays(w, t.C);
  const int32_t t5 = Ma(today, 0), t20 = Ma(today, 1);
  if (t5 == 0 || t20 == 0 || t5 < t20 || t5 < t.O || t.C < t5 || t5 < Ma(base, 0)) return false;
  if (t20 >= t5) return true;
  return !(Pct(t20, t5 - t20) > 15 || w.crossLine5 < 1 || Pct(w.crossLine5, t.C - w.crossLine5) > 30);
}

// The moving-average slots of a stock that traded today (step 9 of the count).
void ClassifyAverages(const PatternWork& w, const Day& t, const PatternParams& params, bool limitUp,
                      PatternSlots& slots) {
  auto set = [&slots](size_t at) { slots.set(at / 4); };
  const int32_t* ma = w.today.lines;
  const int32_t ma5 = ma[0], ma20 = ma[1], ma60 = ma[2];
  const bool enoughVolume = w.averageVolume20 > params.volumeThreshold;
  for (int k = 0; k < kAverageLines; ++k) {
    if (ma[k] > 0 && w.previous.close < ma[k] && ma[k] < t.C) set(SlotOf(2031) + 4 * static_cast<size_t>(k));
  }
  if (ma5 > 0 && ma20 > 0 && Between(t.O, ma5, t.C) && Between(t.O, ma20, t.C) && enoughVolume && t.Body() >= 3)
    set(SlotOf(2032));
  for (int k = 0; k < kAverageLines; ++k) {
    // Compared unsigned, as the averages are kept: a missing (zero) average lies below any price.
    const auto average = static_cast<uint32_t>(ma[k]), price = static_cast<uint32_t>(t.C);
    if (average < price) set(slot::kBelowAverage + 4 * static_cast<size_t>(k));
    if (price < average) set(slot::kAboveAverage + 4 * static_cast<size_t>(k));
  }
  if (ma5 != 0 && ma20 != 0 && ma20 < ma5) {
    set(SlotOf(2071));
    if (ma60 != 0 && ma60 < t.C && ma60 < ma20) set(slot::kOverWith60);
    if (ma20 < ma5 && ma5 < ma60) set(slot::kOverBetween);
  } else if (ma5 != 0 && ma20 != 0 && ma5 < ma20) {
    set(SlotOf(2072));
    if (ma60 != 0 && ma60 < t.C && ma20 < ma60) set(slot::kUnderWith60);
    if (ma60 < ma5 && ma5 < ma20) set(slot::kUnderBetween);
  } else if (ma5 != 0 && ma20 != 0 && ma5 == ma20 && ma5 < t.C && t.O < t.C) {
    set(slot::kTouching);
  } else {
    set(slot::kNoAlignment);
  }
  if (ma5 != 0 && ma5 < t.C) {
    const float gap = Pct(ma5, ma20 - ma5);
    if (gap >= 0 && gap <= 5) set(SlotOf(2061));
  }
  if (ma5 != 0 && ma20 != 0 && ma20 < t.C) {
    const float gap = Pct(ma20, ma5 - ma20);
    if (gap >= 0 && gap <= 7) set(SlotOf(2062));
  }
  if (PullBack20(w, t)) set(SlotOf(2063));
  if (params.risingDays > 0 && enoughVolume && DenseRisingCandles(w, t, params.risingDays)) set(SlotOf(2081));
  if (w.storedLine5 != 0 && w.limitRun > 1 && !limitUp) set(SlotOf(2082));
  if (enoughVolume && StrongContracts(w, t)) set(SlotOf(2084));
}

}  // namespace

const PatternInfo* FindPattern(int32_t code) {
  for (const PatternInfo& pattern : kPatterns) {
    if (pattern.code == code) return &pattern;
  }
  OSTRADA_VERIFY(false);
  return nullptr;
}

bool AtUpperLimit(const NowPrice& b) {
  const PriceBar& p = b.bar;
  return p.close > 0 && p.change > 0 && p.close - p.change > 0 && p.change == PriceLimitChange(p.close - p.change, 1);
}

bool AtLowerLimit(const NowPrice& b) {
  const PriceBar& p = b.bar;
  return p.close > 0 && p.change < 0 && p.change == PriceLimitChange(p.close - p.change, 0);
}

bool LeftUpperLimit(const NowPrice& b) {
  const PriceBar& p = b.bar;
  const int32_t base = p.close - p.change;
  // A price too low for a limit move has a limit change of 0: its unchanged high touched nothing.
  return p.close > 0 && p.high > base && base > 0 && p.high - base == PriceLimitChange(base, 1) && p.close != p.high;
}

bool LeftLowerLimit(const NowPrice& b) {
  const PriceBar& p = b.bar;
  const int32_t base = p.close - p.change;
  return p.close > 0 && p.low > 0 && p.low < base && p.low - base == PriceLimitChange(base, 0) && p.close != p.low;
}

bool IsHalted(const NowPrice& b) {
  return b.attr.class5 == '1' || (b.bar.open <= 0 && b.openingRef <= 0) || b.state == 0;
}

PatternWork MakePatternWork(const PreDataRecord& record, int32_t price) {
  PatternWork w;
  w.today = record.averages;
  if (price > 0) CompleteAverageEntry(&w.today, price);
  w.storedLine5 = record.averages.lines[0];
  w.previous = record.bar;
  w.crossLine5 = record.cross.value;
  w.extremePrice = record.extreme.value;
  w.averageVolume20 = static_cast<uint32_t>(record.averageVolume20);
  std::copy(std::begin(record.days), std::end(record.days), std::begin(w.days));
  w.daysSinceLimit = record.upperLimit.key;
  w.limitClose = record.upperLimit.value;
  w.limitRun = record.upperLimitStreak;
  w.risingDays25 = record.rising25;
  return w;
}

PatternSlots ClassifyStock(NowPrice& block, const PreDataRecord* record, const PatternParams& params) {
  PatternSlots slots;
  auto set = [&slots](size_t at) { slots.set(at / 4); };
  const Day t(block);
  PatternWork w{};
  if (record != nullptr) w = MakePatternWork(*record, t.C);

  if (t.D > 0) set(slot::kRising);
  if (t.R >= 5) set(slot::kUp5);
  if (t.R >= 10) set(slot::kUp10);
  if (t.R >= 12) set(slot::kUp12);
  if (LeftUpperLimit(block)) set(SlotOf(2009));
  const bool limitUp = AtUpperLimit(block);
  if (limitUp) {
    set(SlotOf(2001));
    if (record != nullptr) {
      if (w.limitRun >= 1) set(SlotOf(2002));
      const int32_t ref0 = w.crossLine5;
      const bool nearCross = ref0 < 1 || Pct(ref0, t.C - ref0) <= 35;
      const int32_t dsl = w.daysSinceLimit;
      if (dsl > 20 && nearCross) {
        set(SlotOf(2004));
      } else if ((dsl == 0 || (dsl >= 6 && dsl <= 20)) && nearCross) {
        set(SlotOf(2003));
      }
    }
  } else if (record != nullptr) {
    if (UpperLimitPullBack(w, t)) set(SlotOf(2005));
    if (PullBack5(w, t)) set(SlotOf(2083));
  }
  if (t.D < 0) set(slot::kFalling);
  if (t.R <= -5) set(slot::kDown5);
  if (t.R <= -10) set(slot::kDown10);
  if (t.R <= -12) set(slot::kDown12);
  if (AtLowerLimit(block)) set(SlotOf(2014));
  if (LeftLowerLimit(block)) set(SlotOf(2015));
  if (IsHalted(block)) set(SlotOf(2016));
  if (t.O > 0 && t.O < t.C) {
    set(slot::kRisingCandle);
    if (t.O < t.B) set(SlotOf(2021));
  }
  if (t.O > 0 && t.C < t.O) set(slot::kFallingCandle);
  if (t.O == t.C) set(slot::kEvenCandle);
  if (t.O > 0 && record != nullptr) {
    if (WeakDay(t) && StrongThenWeak(w, t)) set(SlotOf(2022));
    if (InvertedHammer(w, t)) set(SlotOf(2023));
    ClassifyAverages(w, t, params, limitUp, slots);
  }
  return slots;
}

bool ShowsPattern(const PatternSlots& slots, int32_t code) {
  const PatternInfo* pattern = FindPattern(code);
  if (pattern == nullptr) return false;
  // Touching averages are no alignment either: the test answers for them as well.
  if (code == 2073) return slots.test(slot::kNoAlignment / 4) || slots.test(slot::kTouching / 4);
  return slots.test(pattern->slot / 4);
}

}  // namespace ostrada
