// Where a jump of the account's clock lands, and the session a moment is in: only forward, by the
// steps offered, to the close of a day that still has one, across weekends and holidays to a pre-open.
#include <gtest/gtest.h>

#include "broker/sim/account_clock.h"

namespace ostrada::sim {
namespace {

using Kind = ClockJump::Kind;

constexpr int64_t Hms(int hh, int mm, int ss = 0) {
  return ((hh * 60LL + mm) * 60 + ss) * 1000;
}

struct Landing {
  const char* name;
  ClockJump jump;
  PaperLedger::Moment from;
  PaperLedger::Moment at;  // where it lands, or `from` when refused
  std::optional<Txt> refused;
};

class JumpLandings : public ::testing::TestWithParam<Landing> {};

TEST_P(JumpLandings, AreWhereTheTraderAskedOrRefused) {
  const Landing& row = GetParam();
  const JumpLanding landing = LandingOf(row.jump, row.from);
  EXPECT_EQ(landing.at.date, row.at.date);
  EXPECT_EQ(landing.at.timeMs, row.at.timeMs);
  EXPECT_EQ(landing.refused, row.refused);
}

constexpr int32_t kTuesday = 20261208;
const PaperLedger::Moment kTen{kTuesday, Hms(10, 0)};

INSTANTIATE_TEST_SUITE_P(
    Rows, JumpLandings,
    ::testing::Values(
        Landing{"AMinute", {Kind::kBy, 60'000}, kTen, {kTuesday, Hms(10, 1)}, {}},
        Landing{"AnHourPastMidnight", {Kind::kBy, Hms(1, 0)}, {kTuesday, Hms(23, 30)}, {20261209, Hms(0, 30)}, {}},
        Landing{"AStepNotOffered", {Kind::kBy, Hms(0, 5)}, kTen, kTen, Txt::kClockBadStep},
        Landing{"ALaterTime", {Kind::kTo, Hms(10, 30, 15)}, kTen, {kTuesday, Hms(10, 30, 15)}, {}},
        Landing{"TheClockItself", {Kind::kTo, Hms(10, 0)}, kTen, kTen, {}},
        Landing{"AMillisecondBefore", {Kind::kTo, Hms(10, 0) - 1}, kTen, kTen, Txt::kClockBeforeNow},
        Landing{"PastTheDay", {Kind::kTo, Hms(24, 0)}, kTen, kTen, Txt::kClockBadTime},
        Landing{"TheCloseFromItsLastSecond", {Kind::kToClose}, {kTuesday, Hms(14, 59, 59)}, {kTuesday, Hms(15, 0)}, {}},
        Landing{"TheCloseAtTheClose", {Kind::kToClose}, {kTuesday, Hms(15, 0)}, {kTuesday, Hms(15, 0)},
                Txt::kClockClosedAlready},
        Landing{"TheCloseOnASaturday", {Kind::kToClose}, {20261212, Hms(10, 0)}, {20261212, Hms(10, 0)},
                Txt::kClockClosedAlready},
        Landing{"FridayToMonday", {Kind::kNextDay}, {20261211, Hms(15, 30)}, {20261214, Hms(8, 0)}, {}},
        Landing{"ThreeTradingDays", {Kind::kNextDay, 0, 3}, kTen, {20261211, Hms(8, 0)}, {}},
        // The year-end closing, New Year's day and a weekend.
        Landing{"OverTheNewYear", {Kind::kNextDay}, {20261230, Hms(16, 0)}, {20270104, Hms(8, 0)}, {}},
        Landing{"NoDays", {Kind::kNextDay, 0, 0}, kTen, kTen, Txt::kClockBadDays}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SessionOf, NamesTheSessionEachMomentFallsIn) {
  const std::pair<PaperLedger::Moment, Txt> rows[] = {
      {{kTuesday, Hms(8, 0) - 1}, Txt::kClockBeforeOpen}, {{kTuesday, Hms(8, 0)}, Txt::kClockAuction},
      {{kTuesday, Hms(9, 0) - 1}, Txt::kClockAuction},    {{kTuesday, Hms(9, 0)}, Txt::kClockRegular},
      {{kTuesday, Hms(14, 50) - 1}, Txt::kClockRegular},  {{kTuesday, Hms(14, 50)}, Txt::kClockAuction},
      {{kTuesday, Hms(15, 0)}, Txt::kClockClosed},        {{20261212, Hms(10, 0)}, Txt::kClockHoliday},
      {{20261225, Hms(10, 0)}, Txt::kClockHoliday}};
  for (const auto& row : rows) EXPECT_EQ(SessionOf(row.first), row.second) << row.first.date << " " << row.first.timeMs;
}

}  // namespace
}  // namespace ostrada::sim
