#pragma once
// A standing condition in the trader's words (CP949), the same for the command line's lines and the
// program's lists: its kind, what meets it, the order it sends, its state and what became of it.
#include <string>

#include "basesrc/foundation/texts.h"
#include "broker/sim/paper/paper_watch.h"

namespace ostrada::sim {

Txt WatchKindName(WatchKind kind);
Txt WatchStateName(WatchState state);
// "9,740원 이하", "고가 대비 2.5% 하락".
std::string WatchTriggerText(const WatchCondition& condition);
// "시장가 전량", "지정가 2호가 10주"; empty for an alert, which orders nothing.
std::string WatchOrderText(const WatchCondition& condition);
// The contract that met it ("12:29:06 9,740원에 충족"), the order it sent and why it ended without
// acting, as far as each is known; empty while it watches.
std::string WatchOutcomeText(const WatchCondition& condition);
// Hundredths of a percent as typed: "2.5" for 250.
std::string PercentText(int32_t hundredths);

}  // namespace ostrada::sim
