// The day's shared moves and the breaker: the pause's clock, the trip at the boundary, and a crash day
// of a whole market, checked against the index's own minutes and its stocks' contracts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_intraday.h"
#include "broker/sim/market/market_live.h"
#include "broker/sim/market/market_service.h"

namespace ostrada::sim::testing {
namespace {

constexpr int32_t kMinute = kMsPerMinute;

struct PauseCase {
  int32_t ms;      // a moment of the day
  int32_t bookMs;  // the moment the book shows then
};

class PauseClock : public ::testing::TestWithParam<PauseCase> {};

// Tripped by minute 100's close (09:00 + 101 minutes = 10:41): paused to 11:01, auction to 11:11.
constexpr int32_t kStop = 10 * kMsPerHour + 41 * kMinute;
INSTANTIATE_TEST_SUITE_P(Moments, PauseClock,
                         ::testing::Values(PauseCase{kStop - 1, kStop - 1}, PauseCase{kStop, kStop},
                                           PauseCase{kStop + 15 * kMinute, kStop},
                                           PauseCase{kStop + 30 * kMinute - 1, kStop},
                                           PauseCase{kStop + 30 * kMinute, kStop},
                                           PauseCase{kStop + 31 * kMinute + 5, kStop + kMinute + 5}));

TEST_P(PauseClock, TheBookStandsStillFromTheStopToTheResumption) {
  const TradingPause pause{100};
  EXPECT_EQ(pause.StartMs(), kStop);
  EXPECT_EQ(pause.AuctionMs(), kStop + 20 * kMinute);
  EXPECT_EQ(pause.EndMs(), kStop + 30 * kMinute);
  EXPECT_EQ(pause.Resumes(), 131);
  EXPECT_TRUE(pause.Covers(101) && pause.Covers(130));
  EXPECT_FALSE(pause.Covers(100) || pause.Covers(131));
  EXPECT_EQ(pause.BookMs(GetParam().ms), GetParam().bookMs);
  if (GetParam().bookMs > kStop) EXPECT_EQ(pause.RealMs(GetParam().bookMs), GetParam().ms);
  EXPECT_EQ(TradingPause{}.BookMs(GetParam().ms), GetParam().ms);
}

struct TripCase {
  int minute;
  int32_t close;  // hundredths; the previous close is 250,000
  int after;      // -1: no trip
};

class BreakerTrip : public ::testing::TestWithParam<TripCase> {};

INSTANTIATE_TEST_SUITE_P(Boundaries, BreakerTrip,
                         ::testing::Values(TripCase{50, 230000, 50},   // exactly 8% down
                                           TripCase{50, 230001, -1},   // a hundredth short
                                           TripCase{0, 200000, 0},     // at the first minute
                                           TripCase{319, 230000, 319}, // ends at 14:20, forty minutes before the close
                                           TripCase{320, 230000, -1}));

TEST_P(BreakerTrip, TripsAtEightPercentOrMoreBeforeTheLastFortyMinutes) {
  std::vector<IndexMinute> minutes(static_cast<size_t>(kRegularMinutes) + 1, IndexMinute{0, 0, 0, 249000, 0});
  minutes[static_cast<size_t>(GetParam().minute)].close = GetParam().close;
  minutes.back().close = 200000;  // the closing auction never trips it
  EXPECT_EQ(BreakerOf(minutes, 250000).after, GetParam().after);
}

TEST(DayFrame, PlacesWhatLiesBeyondTheOpenAndCloseOnTheHighAndLow) {
  const DayFrame frame{100, 110, 90, 104, 120, 96};
  EXPECT_DOUBLE_EQ(frame.Place(102), 102);        // between the open and the close: as it is
  EXPECT_DOUBLE_EQ(frame.Place(120), 110);        // the raw high lands on the high
  EXPECT_DOUBLE_EQ(frame.Place(112), 104 + 3);    // 8 of 16 beyond the close: half of 6
  EXPECT_DOUBLE_EQ(frame.Place(96), 90);          // the raw low lands on the low
  EXPECT_DOUBLE_EQ(frame.Place(98), 100 - 5);     // half of 4 below the open: half of 10
}

// Seed 4's market on 2026-01-16, after the close: U201 fell 8% by 13:59 that day. One market for the
// suite, which only reads it: the index's day asks for every stock's.
constexpr char kCrashBoard = '2';
constexpr char kCrashIndex[] = "U201";
class CrashDay : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    constexpr uint64_t kSeed = 4;
    shared_ = new Market(ProfilesOf(Listing::Build(kSeed, 0)), kSeed);
    shared_->Sync(20260116, 15 * kMsPerHour + 40 * kMinute);
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }
  static Market* shared_;
  Market& market_ = *shared_;
};
Market* CrashDay::shared_ = nullptr;

TEST_F(CrashDay, TheBoardPausesAfterTheMinuteItsIndexClosedEightPercentDown) {
  const TradingPause pause = market_.Pause(kCrashBoard);
  ASSERT_TRUE(pause.Tripped());
  const std::vector<IndexMinute>& minutes = market_.IndexDay(kCrashIndex);
  const DailyBar yesterday = market_.IndexHistory(kCrashIndex, 1).back();
  const double line = yesterday.close * 0.92;
  for (int m = 0; m < pause.after; ++m) EXPECT_GT(minutes[static_cast<size_t>(m)].close, line) << m;
  EXPECT_LE(minutes[static_cast<size_t>(pause.after)].close, line);
  // While the board pauses the index stands, and nothing of it trades.
  for (int m = pause.after + 1; m < pause.Resumes(); ++m) {
    EXPECT_EQ(minutes[static_cast<size_t>(m)].close, minutes[static_cast<size_t>(pause.after)].close) << m;
    EXPECT_EQ(minutes[static_cast<size_t>(m)].volume, 0) << m;
  }
}

TEST_F(CrashDay, NoStockOfThePausedBoardTradesAndItsBookStandsStill) {
  const TradingPause pause = market_.Pause(kCrashBoard);
  ASSERT_TRUE(pause.Tripped());
  int checked = 0;
  for (int i = 0; i < static_cast<int>(market_.Size()) && checked < 40; ++i) {
    if (market_.Stock(i).market != kCrashBoard || market_.Day(i).Halted()) continue;
    ++checked;
    StockDay& day = market_.Day(i);
    EXPECT_EQ(day.CountAt(pause.EndMs() - 1), day.CountAt(pause.StartMs() - 1)) << market_.Stock(i).code;
    const uint64_t seed = 1234;
    EXPECT_EQ(DrawBook(day, seed, pause.StartMs() + 1000).asks, DrawBook(day, seed, pause.EndMs() - 1000).asks);
    EXPECT_TRUE(day.StateAt(pause.StartMs()).paused && !day.StateAt(pause.EndMs()).paused);
    // Trading resumes with the auction's contract at the resumption.
    if (day.Minute(pause.Resumes()).count > 0) EXPECT_EQ(day.MinuteTrades(pause.Resumes()).front().timeMs, pause.EndMs());
  }
  EXPECT_EQ(checked, 40);
}

TEST_F(CrashDay, TheIndexMovesWithTheMeanOfItsStocksMinuteByMinute) {
  std::vector<double> mean(static_cast<size_t>(kRegularMinutes), 0.0);
  int stocks = 0;
  for (int i = 0; i < static_cast<int>(market_.Size()); ++i) {
    if (market_.Stock(i).market != kCrashBoard || market_.Day(i).Halted()) continue;
    ++stocks;
    double last = market_.Day(i).PreviousClose();
    for (int m = 0; m < kRegularMinutes; ++m) {
      if (market_.Day(i).Minute(m).count > 0) last = market_.Day(i).Minute(m).close;
      mean[static_cast<size_t>(m)] += last / market_.Day(i).PreviousClose();
    }
  }
  const std::vector<IndexMinute>& index = market_.IndexDay(kCrashIndex);
  // Ten-minute moves of the index against the stocks' equal-weighted mean, outside the pause.
  const TradingPause pause = market_.Pause(kCrashBoard);
  std::vector<double> xs, ys;
  for (int m = 19; m < kRegularMinutes; m += 10) {
    if (pause.Covers(m) || pause.Covers(m - 10)) continue;
    xs.push_back(index[static_cast<size_t>(m)].close / static_cast<double>(index[static_cast<size_t>(m - 10)].close) - 1);
    ys.push_back(mean[static_cast<size_t>(m)] / mean[static_cast<size_t>(m - 10)] - 1);
  }
  const auto n = static_cast<double>(xs.size());
  double mx = 0, my = 0, sxy = 0, sxx = 0, syy = 0;
  for (size_t k = 0; k < xs.size(); ++k) mx += xs[k] / n, my += ys[k] / n;
  for (size_t k = 0; k < xs.size(); ++k) {
    sxy += (xs[k] - mx) * (ys[k] - my), sxx += (xs[k] - mx) * (xs[k] - mx), syy += (ys[k] - my) * (ys[k] - my);
  }
  EXPECT_GT(stocks, 500);
  EXPECT_GT(sxy / std::sqrt(sxx * syy), 0.8);
}

}  // namespace
}  // namespace ostrada::sim::testing
