#pragma once
// Analyses over a bar series: N-minute bars built from contracts, repairs of downloaded data
// (changes and rates, cumulative minute volumes) and the questions the pre-data record asks
// (upper-limit bars and streaks, rising bars, gaps in minute data, the busiest minute).
// Functions marked 'B' accept only N-minute series and report any other kind.
#include <cstdint>
#include <memory>

#include "basesrc/coninfo.h"
#include "basesrc/daygate.h"

namespace ostrada {

// 1 when a close moved more than a split-like step from the one before it ('D': over 15 %, 'W':
// over 103 %; 'M' and 'B': never), or when the first bar has no volume; 0 when the walk from
// `from` reaches `to` without one; -1 (reported) for another kind or bars out of order.
int DayJumpCheck(const DaySeries& series, const DayBar* from, const DayBar* to);
int DayJumpCheckByKeys(const DaySeries& series, int32_t fromKey, int32_t toKey);

// 'B': folds one contract into the newest bar (or a new one when its end time is later or its date
// another) and counts it as bought or sold. The bar it went into, or null (reported).
DayBar* FoldContract(DaySeries& series, const ContractRecord& contract, int32_t date, int32_t interval);
// N-minute bars (kind 'B', interval 1..60) of a tape's contracts, dated `date`; the call-auction
// records are left out. With mergeAuctions = 1 the contracts before 09:00 go into one at 09:00
// and those from 15:00 on into one at 15:00. The tape itself is not changed. Null (reported).
std::unique_ptr<DaySeries> SeriesFromTape(const ContractTape& tape, int32_t interval, int32_t date, int mergeAuctions);

// Change and rate of every bar after the oldest from the close before it. resetFirst = 1 sets the
// oldest bar's change to 0; with 0 nothing is done when it is already nonzero.
int RecomputeChanges(DaySeries& series, int resetFirst);
// 'B': the server's running day volumes become each bar's own. With oldestCut = 1 the oldest bar was
// cut at the request's start (its running volume holds bars that did not come) and takes its newer
// neighbour's volume; with 0 it is the day's first bar and keeps its own.
int DecumulateMinuteVolumes(DaySeries& series, int oldestCut);
// 'B': drops every bar of an earlier date than the newest bar's; the points are taken again from
// the bars that stay.
int KeepNewestDay(DaySeries& series);
// 'B': the date word of every bar.
int SetMinuteDate(DaySeries& series, int32_t date);

// The first bar from `from` (the newest when null) towards older bars that closed at the upper
// limit of the close before it; null when none.
const DayBar* NewestUpperLimitBar(const DaySeries& series, const DayBar* from = nullptr);
// Consecutive bars from `bar` towards older ones whose change is the upper (mode 1) or lower limit.
int32_t LimitStreak(const DayBar* bar, int mode);
// Of n bars towards older ones: close >= open and open > 0.
int32_t RisingOrEvenCount(const DaySeries& series, int32_t n, const DayBar* from = nullptr);
// Of n bars from `bar` towards older ones: the bars with open < close, and the sum of all n rates.
int RiseCountAndRateSum(const DayBar* bar, int32_t n, int32_t* rising, float* rateSum);
// 'B': missing intervals between bars of `bar`'s date walking older until n intervals are covered.
int MinuteGaps(const DaySeries& series, int32_t n, const DayBar* bar, int32_t* gaps, int32_t* covered);
// 'B': cross bars among n bars from `bar`; -1 (reported) for another kind.
int32_t CrossBarCount(const DaySeries& series, int32_t n, const DayBar* bar);
// 'B': (end time, volume) of the largest volume among `bar` and the older bars of its date within
// `span` minutes (1..360) of it; the newest wins a tie.
int BusiestMinute(const DaySeries& series, int32_t span, const DayBar* bar, KeyValue* busiest);

}  // namespace ostrada
