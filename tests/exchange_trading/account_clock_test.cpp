// Where a jump of the account's clock that the bar does not offer lands: several trading days on,
// across weekends and holidays, or to a later time of the day; and the words of each session state.
#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/account_clock.h"

namespace ostrada::sim {
namespace {

constexpr int64_t Hms(int hh, int mm, int ss = 0) {
  return ((hh * 60LL + mm) * 60 + ss) * 1000;
}

struct Landing {
  const char* name;
  ClockMoment from;
  ClockJump jump;
  int days;
  int64_t to;  // >= 0: a time of the day instead of the jump
  ClockMoment at;  // where it lands, or `from` when refused
  std::optional<Txt> refused;
};

class JumpLandings : public ::testing::TestWithParam<Landing> {};

TEST_P(JumpLandings, AreWhereTheTraderAskedOrRefused) {
  const Landing& row = GetParam();
  const JumpLanding landing = row.to >= 0 ? LandingAt(row.to, row.from) : LandingOf(row.jump, row.from, row.days);
  EXPECT_EQ(landing.at.date, row.at.date);
  EXPECT_EQ(landing.at.timeOfDay, row.at.timeOfDay);
  EXPECT_EQ(landing.refused, row.refused);
}

constexpr int32_t kTuesday = 20261208;
constexpr ClockMoment kTen{kTuesday, Hms(10, 0)};
constexpr ClockJump kDay = ClockJump::kNextDay;

INSTANTIATE_TEST_SUITE_P(
    Rows, JumpLandings,
    ::testing::Values(
        Landing{"ALaterTime", kTen, kDay, 1, Hms(10, 30, 15), {kTuesday, Hms(10, 30, 15)}, {}},
        Landing{"TheClockItself", kTen, kDay, 1, Hms(10, 0), kTen, Txt::kExClockBehind},
        Landing{"AMillisecondLater", kTen, kDay, 1, Hms(10, 0) + 1, {kTuesday, Hms(10, 0) + 1}, {}},
        Landing{"PastTheDay", kTen, kDay, 1, Hms(24, 0), kTen, Txt::kClockBadTime},
        Landing{"TheCloseAtTheClose", {kTuesday, Hms(15, 0)}, ClockJump::kToClose, 1, -1, {kTuesday, Hms(15, 0)},
                Txt::kClockClosedAlready},
        Landing{"ThreeTradingDays", kTen, kDay, 3, -1, {20261211, Hms(8, 0)}, {}},
        Landing{"FourOverTheWeekend", kTen, kDay, 4, -1, {20261214, Hms(8, 0)}, {}},
        // The year-end closing, New Year's day and a weekend.
        Landing{"OverTheNewYear", {20261230, Hms(16, 0)}, kDay, 1, -1, {20270104, Hms(8, 0)}, {}},
        Landing{"NoDays", kTen, kDay, 0, -1, kTen, Txt::kClockBadDays}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SessionText, NamesEachState) {
  const std::pair<SessionState, const char*> rows[] = {{SessionState::kBeforeOpen, "장 시작 전"},
                                                       {SessionState::kAuction, "동시호가"},
                                                       {SessionState::kRegular, "장중"},
                                                       {SessionState::kClosed, "장 마감"},
                                                       {SessionState::kHoliday, "휴장"}};
  for (const auto& row : rows) EXPECT_EQ(Cp949ToUtf8(Text(SessionText(row.first))), row.second);
}

}  // namespace
}  // namespace ostrada::sim
