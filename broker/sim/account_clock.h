#pragma once
// The paper account's clock in the trader's hands: the session a moment falls in, where a jump the
// trader asks for lands, and the jump itself. A jump moves the market along its path to the landing
// (Exchange::AdvanceTo), so the account ends as it would have by waiting there; the clock bar and
// `ostrada-cli clock advance` both go through it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/foundation/texts.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_ledger.h"

namespace ostrada::sim {

// The words of the session a moment falls in: 장 시작 전, 동시호가, 장중, 장 마감 or 휴장.
Txt SessionOf(const PaperLedger::Moment& moment);

// A jump the trader asks for. The clock only moves forward.
struct ClockJump {
  enum class Kind {
    kBy,       // by one of the steps the clock offers
    kTo,       // to a time of the account's day
    kToClose,  // to today's closing contract
    kNextDay,  // to the pre-open of the `days`-th trading day after today, across weekends and holidays
  };
  Kind kind = Kind::kBy;
  int64_t milliseconds = 0;  // kBy: the step; kTo: the time of day
  int days = 1;              // kNextDay
};

// The steps the clock offers: a minute, ten minutes, an hour.
bool IsOfferedStep(int64_t milliseconds);

// Where the jump lands from `from`, or why it cannot: a step the clock does not offer, a time before
// the clock, the close of a day that has closed or does not trade.
struct JumpLanding {
  PaperLedger::Moment at;
  std::optional<Txt> refused;
};
JumpLanding LandingOf(const ClockJump& jump, const PaperLedger::Moment& from);

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
  PaperLedger::Moment from;
  PaperLedger::Moment to;
  std::vector<PassedFill> fills;
};

// Moves the exchange, whose clock stands at the account's, to `to`. Refused, with nothing moved, when
// the paper account has no ledger or another process holds the ledger's write lock past its wait.
JumpReport Jump(Exchange& exchange, const PaperLedger::Moment& to);

}  // namespace ostrada::sim
