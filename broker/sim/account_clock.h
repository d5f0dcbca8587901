#pragma once
// The paper account's clock in the trader's hands, beyond the clock bar's buttons
// (market/session_clock): the words of a session state, where a jump of several trading days or to a
// time of the day lands, and a jump that reports the fills it passed. A jump moves the market along
// its path (Exchange::Jump), so the account ends as it would have by waiting there.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/foundation/texts.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/session_clock.h"
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {

// 장 시작 전, 동시호가, 장중, 장 마감 or 휴장.
Txt SessionText(SessionState state);

// Where a jump lands, or why it leads nowhere later (the landing is then `from`).
struct JumpLanding {
  ClockMoment at;
  std::optional<Txt> refused;
};
// A jump of the clock bar; kNextDay goes `days` trading days on, to that day's pre-open.
JumpLanding LandingOf(ClockJump jump, const ClockMoment& from, int days = 1);
// A later time of the account's day.
JumpLanding LandingAt(int64_t timeOfDay, const ClockMoment& from);

// A fill the clock passed on its way.
struct PassedFill {
  PaperFill fill;
  std::string code;  // CP949
  std::string name;  // CP949
  Side side = Side::kBuy;
};

// What a jump did: where the clock went and the account's fills on the way, in the ledger's order
// (the market's). Callers that watch more of the account add to it here.
struct JumpReport {
  std::optional<std::string> refused;  // CP949; the clock did not move
  ClockMoment from;
  ClockMoment to;
  std::vector<PassedFill> fills;
};
// Exchange::Jump, with the fills it passed; refused too when the paper account has no ledger.
JumpReport JumpReporting(Exchange& exchange, const ClockMoment& to);

}  // namespace ostrada::sim
