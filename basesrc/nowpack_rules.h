#pragma once
// The pattern classifier's rules: which price, candle, moving-average and limit-move patterns one
// stock shows today, from its snapshot price block and its pre-data record. Each pattern counts in
// one slot of a PatternCounts table; a stock's result is the set of slots it counts in.
#include <bitset>
#include <cstddef>
#include <cstdint>

#include "basesrc/foundation/texts.h"
#include "basesrc/nowfxin.h"
#include "basesrc/patterncounts.h"
#include "basesrc/predata.h"

namespace ostrada {

// A reported pattern: its code, its report text and the slot (byte offset) of its counter.
struct PatternInfo {
  int32_t code;
  Txt text;
  size_t slot;
};

// The pattern of the code; null (reported) for a code that is none.
const PatternInfo* FindPattern(int32_t code);

// The slots one stock counts in, by slot / 4.
using PatternSlots = std::bitset<PatternCounts::kCounters>;

// The pack's parameters for patterns 2032, 2081 and 2084.
struct PatternParams {
  uint32_t volumeThreshold = 0;  // the 20-day average volume must be strictly greater
  int32_t risingDays = 0;        // dense rising candles are tested only when positive
};

// The pre-data values the rules read, copied once from the stock's record; the averages are then
// completed with today's price, so the stored record never changes.
struct PatternWork {
  MovingAverageEntry today;  // the record's sums completed with the current price: MA5 .. MA480
  int32_t storedLine5;       // the record's 5-day sum as stored
  PriceBar previous;         // the base day
  int32_t crossLine5;        // REF0: the 5-day average at the last crossing
  int32_t extremePrice;      // REF1: the extreme since that crossing
  uint32_t averageVolume20;
  PreDataDay days[predata::kDays];
  int32_t daysSinceLimit;  // 1: the base day closed at the upper limit; 0: none found
  int32_t limitClose;
  int32_t limitRun;
  int32_t risingDays25;
};

// The work copy of a record, completed with the price when it is positive.
PatternWork MakePatternWork(const PreDataRecord& record, int32_t price);

// Every slot the stock counts in. Without a pre-data record (none given or none found) every
// pre-data test is skipped. A missing base price in the block is set from price - change.
PatternSlots ClassifyStock(NowPrice& block, const PreDataRecord* record, const PatternParams& params);

// Whether a classified stock shows the pattern of the code (an unknown code is reported: false).
bool ShowsPattern(const PatternSlots& slots, int32_t code);

// The limit predicates of today's block.
bool AtUpperLimit(const NowPrice& block);
bool AtLowerLimit(const NowPrice& block);
bool LeftUpperLimit(const NowPrice& block);
bool LeftLowerLimit(const NowPrice& block);
bool IsHalted(const NowPrice& block);

}  // namespace ostrada
