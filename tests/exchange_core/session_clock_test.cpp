// The trader's clock controls: where a moment stands in the day, where each jump leads, and a jump
// the exchange refuses without moving.
#include "broker/sim/market/session_clock.h"

#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/support/scratch_folder.h"

namespace ostrada::sim {
namespace {

constexpr int64_t At(int hh, int mm, int ss = 0) {
  return ((hh * 60LL + mm) * 60 + ss) * 1000;
}

struct StateCase {
  int32_t date;
  int64_t time;
  SessionState state;
};

class SessionStates : public ::testing::TestWithParam<StateCase> {};

TEST_P(SessionStates, FollowTheDaysTimetable) {
  EXPECT_EQ(SessionStateAt(GetParam().date, GetParam().time), GetParam().state);
}

// 2026-12-08 is a Tuesday; 12-12 a Saturday; 12-25 Christmas, a Friday.
INSTANTIATE_TEST_SUITE_P(
    Boundaries, SessionStates,
    ::testing::Values(StateCase{20261208, 0, SessionState::kBeforeOpen},
                      StateCase{20261208, At(7, 59, 59) + 999, SessionState::kBeforeOpen},
                      StateCase{20261208, At(8, 0), SessionState::kAuction},
                      StateCase{20261208, At(8, 59, 59) + 999, SessionState::kAuction},
                      StateCase{20261208, At(9, 0), SessionState::kRegular},
                      StateCase{20261208, At(14, 49, 59) + 999, SessionState::kRegular},
                      StateCase{20261208, At(14, 50), SessionState::kAuction},
                      StateCase{20261208, At(14, 59, 59) + 999, SessionState::kAuction},
                      StateCase{20261208, At(15, 0), SessionState::kClosed},
                      StateCase{20261208, At(23, 59, 59), SessionState::kClosed},
                      StateCase{20261212, At(10, 0), SessionState::kHoliday},
                      StateCase{20261225, At(10, 0), SessionState::kHoliday}));

struct JumpCase {
  ClockMoment from;
  ClockJump jump;
  std::optional<ClockMoment> to;
};

class Jumps : public ::testing::TestWithParam<JumpCase> {};

TEST_P(Jumps, LeadToTheirMoment) {
  const std::optional<ClockMoment> to = JumpTarget(GetParam().from, GetParam().jump);
  ASSERT_EQ(to.has_value(), GetParam().to.has_value());
  if (to) {
    EXPECT_EQ(to->date, GetParam().to->date);
    EXPECT_EQ(to->timeOfDay, GetParam().to->timeOfDay);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, Jumps,
    ::testing::Values(
        JumpCase{{20261208, At(9, 0, 30) + 7}, ClockJump::kOneMinute, ClockMoment{20261208, At(9, 1, 30) + 7}},
        JumpCase{{20261208, At(14, 55)}, ClockJump::kTenMinutes, ClockMoment{20261208, At(15, 5)}},
        JumpCase{{20261208, At(23, 30)}, ClockJump::kOneHour, ClockMoment{20261209, At(0, 30)}},
        JumpCase{{20261231, At(23, 59, 30)}, ClockJump::kOneMinute, ClockMoment{20270101, At(0, 0, 30)}},
        JumpCase{{20261208, At(7, 0)}, ClockJump::kToClose, ClockMoment{20261208, At(15, 0)}},
        JumpCase{{20261208, At(14, 59, 59) + 999}, ClockJump::kToClose, ClockMoment{20261208, At(15, 0)}},
        JumpCase{{20261208, At(15, 0)}, ClockJump::kToClose, std::nullopt},
        JumpCase{{20261212, At(10, 0)}, ClockJump::kToClose, std::nullopt},
        // Friday to Monday; across the year-end closing, new year's day and a weekend; from a
        // Saturday; from before a day's pre-open, the next day's (never the same day's).
        JumpCase{{20261211, At(15, 30)}, ClockJump::kNextDay, ClockMoment{20261214, At(8, 0)}},
        JumpCase{{20261230, At(10, 0)}, ClockJump::kNextDay, ClockMoment{20270104, At(8, 0)}},
        JumpCase{{20261212, At(10, 0)}, ClockJump::kNextDay, ClockMoment{20261214, At(8, 0)}},
        JumpCase{{20261208, At(6, 0)}, ClockJump::kNextDay, ClockMoment{20261209, At(8, 0)}}));

class ClockJumpOnTheExchange : public ::testing::Test {
 protected:
  ClockJumpOnTheExchange()
      : exchange_(ExchangeOptions{
            .stocks = 20, .tradingDate = 20261208, .paper = PaperOptions{.ledgerPath = folder_.File("paper.sqlite")}}) {}

  testing::ScratchFolder folder_;
  Exchange exchange_;
};

TEST_F(ClockJumpOnTheExchange, AMomentNotAheadIsRefusedAndNothingMoves) {
  const int64_t before = exchange_.Clock().Now();
  EXPECT_NE(Cp949ToUtf8(exchange_.Jump(20261208, At(9, 0))).find("앞으로만"), std::string::npos);
  EXPECT_NE(Cp949ToUtf8(exchange_.Jump(20261207, At(12, 0))).find("앞으로만"), std::string::npos);
  EXPECT_EQ(exchange_.Clock().Now(), before);
  EXPECT_EQ(exchange_.Jump(20261209, At(8, 0)), "");
  EXPECT_EQ(exchange_.Clock().Date(), 20261209);
  EXPECT_EQ(exchange_.Clock().TimeOfDay(), At(8, 0));
}

TEST_F(ClockJumpOnTheExchange, ALedgerAnotherProcessHoldsRefusesTheJumpAndNothingMoves) {
  SqliteDb other(folder_.File("paper.sqlite"), false);
  other.Execute("BEGIN IMMEDIATE");
  const int64_t before = exchange_.Clock().Now();
  EXPECT_NE(Cp949ToUtf8(exchange_.Jump(20261208, At(10, 0))).find("다른 프로그램이 계좌 장부를"), std::string::npos);
  EXPECT_EQ(exchange_.Clock().Now(), before);
  other.Execute("ROLLBACK");
  EXPECT_EQ(exchange_.Jump(20261208, At(10, 0)), "");
  EXPECT_EQ(exchange_.Clock().TimeOfDay(), At(10, 0));
}

}  // namespace
}  // namespace ostrada::sim
