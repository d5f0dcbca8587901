#pragma once
// The pattern report: a counted pack of snapshot groups turned into a report pack with one group per
// pattern that occurs, named by its report text and holding a copy of every stock that shows it, in
// the report's order of patterns, and a group of the stocks with the highest rate.
#include <memory>

#include "basesrc/nowpack.h"

namespace ostrada {

// The stocks of all of the source's groups that show the pattern; an empty group when its count in
// the source's totals is not positive; null (reported) on failure.
std::unique_ptr<NowGate> ReportPatternGroup(NowPack& source, int32_t code, const PreDataList* list);
// The report pack of a counted source pack: cleared, in arrival order, one group per pattern.
int ReportWholePack(NowPack& source, NowPack& report, const PreDataList* list);
// Adds the group's stocks to the report's pattern groups of its latest quote time ("text-HHMM"),
// creating those that are missing. REQUIRES: the report has one of the pack keys.
int ReportAddGroup(NowPack& source, NowPack& report, NowGate& group, const PreDataList* list);

}  // namespace ostrada
