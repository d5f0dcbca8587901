// The two boards and the breaker as a person checks them from the commands' JSON alone, on a seed no
// other test pins: the indexes' daily correlation and volatility, and a crash day's pause in the
// index's minute bars and in a stock's `market` document.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "broker/sim/market/listing.h"
#include "tests/support/cli.h"

namespace ostrada {
namespace {

using testing::RunCli;

constexpr char kSeed[] = " --seed 31";
// A market whose U001 falls more than 8% by 12:47 on a day, with the previous trading day.
constexpr char kCrashSeed[] = " --seed 99";
constexpr char kCrashDate[] = "20250212";
constexpr char kDayBefore[] = "20250211";

nlohmann::json Json(const std::string& arguments, const char* seed = kSeed) {
  const auto run = RunCli(arguments + seed + " --json");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  return run.exitCode == 0 ? nlohmann::json::parse(run.output) : nlohmann::json();
}

std::vector<double> DailyReturns(const nlohmann::json& history) {
  std::vector<double> returns;
  const nlohmann::json& bars = history["bars"];
  for (size_t i = 1; i < bars.size(); ++i)
    returns.push_back(bars[i]["close"].get<double>() / bars[i - 1]["close"].get<double>() - 1);
  return returns;
}

double Sd(const std::vector<double>& x) {
  double mean = 0, sum = 0;
  for (double v : x) mean += v / static_cast<double>(x.size());
  for (double v : x) sum += (v - mean) * (v - mean);
  return std::sqrt(sum / static_cast<double>(x.size() - 1));
}

double Correlation(const std::vector<double>& x, const std::vector<double>& y) {
  double mx = 0, my = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); ++i) mx += x[i] / static_cast<double>(x.size()), my += y[i] / static_cast<double>(y.size());
  for (size_t i = 0; i < x.size(); ++i) sxy += (x[i] - mx) * (y[i] - my);
  return sxy / static_cast<double>(x.size() - 1) / (Sd(x) * Sd(y));
}

int Minutes(const std::string& hhmm) {
  return std::stoi(hhmm.substr(0, 2)) * 60 + std::stoi(hhmm.substr(3, 2));
}

TEST(MarketBoardsCli, TheSecondBoardIsMoreVolatileAndPartsWaysWithTheFirst) {
  const std::vector<double> first = DailyReturns(Json("history U001 --count 520 --date 20261208"));
  const std::vector<double> second = DailyReturns(Json("history U201 --count 520 --date 20261208"));
  ASSERT_EQ(first.size(), second.size());
  ASSERT_GT(first.size(), 500u);
  // The real boards: correlation about 0.8 to 0.9, KOSDAQ 1.2 to 1.6 times as volatile.
  EXPECT_GT(Correlation(first, second), 0.6);
  EXPECT_LT(Correlation(first, second), 0.92);
  EXPECT_GT(Sd(second) / Sd(first), 1.1);
  EXPECT_LT(Sd(second) / Sd(first), 1.8);
}

TEST(MarketBoardsCli, ACrashDayPausesTheBoardAfterTheMinuteItsIndexClosedEightPercentDown) {
  const double previous = Json(std::string("history U001 --count 1 --date ") + kDayBefore, kCrashSeed)["bars"].back()["close"].get<double>();
  const nlohmann::json minutes = Json(std::string("history U001 --kind B --interval 1 --count 400 --date ") + kCrashDate, kCrashSeed);
  // The first minute 8% or more down, in hundredths as the exchange counts them.
  const auto line = static_cast<int64_t>(std::llround(previous * 100)) * 92;
  size_t trip = 0;
  while (trip < minutes["bars"].size() && std::llround(minutes["bars"][trip]["close"].get<double>() * 100) * 100 > line) ++trip;
  ASSERT_LT(trip, minutes["bars"].size());
  const std::string stop = minutes["bars"][trip]["date"].get<std::string>();
  // Twenty minutes paused and ten of auction: the index stands and nothing trades.
  for (size_t m = trip + 1; m <= trip + 30; ++m) {
    EXPECT_EQ(minutes["bars"][m]["volume"].get<int64_t>(), 0) << m;
    EXPECT_EQ(minutes["bars"][m]["close"], minutes["bars"][trip]["close"]) << m;
  }
  EXPECT_GT(minutes["bars"][trip + 31]["volume"].get<int64_t>(), 0);

  // A busy stock of the first board, asked right after trading resumed.
  const sim::Listing listing = sim::Listing::Build(99, 0);
  std::string code;
  for (const sim::ListedStock& stock : listing.All()) {
    if (stock.market == '1' && stock.liquidity >= 8 && !stock.IsSuspended()) {
      code = stock.code;
      break;
    }
  }
  ASSERT_FALSE(code.empty());
  const int resume = Minutes(stop) + 30;
  char at[16];
  std::snprintf(at, sizeof at, "%02d:%02d:02", resume / 60, resume % 60);
  const nlohmann::json document =
      Json("market " + code + " --contracts 80 --date " + kCrashDate + " --at " + at, kCrashSeed);
  ASSERT_TRUE(document["breaker"].is_object()) << document.dump();
  EXPECT_EQ(document["breaker"]["stop"], stop);
  EXPECT_EQ(Minutes(document["breaker"]["resume"].get<std::string>()), resume);
  EXPECT_FALSE(document["breaker"]["paused"].get<bool>());
  bool before = false;
  for (const nlohmann::json& contract : document["contracts"]) {
    const int minute = Minutes(contract["time"].get<std::string>());
    EXPECT_FALSE(minute >= Minutes(stop) && minute < resume) << contract.dump();
    before = before || minute < Minutes(stop);
  }
  EXPECT_TRUE(before) << "the contracts reach back across the pause";
  // Paused, the document says so.
  std::snprintf(at, sizeof at, "%02d:%02d:00", (resume - 15) / 60, (resume - 15) % 60);
  EXPECT_TRUE(Json("market " + code + " --contracts 1 --date " + kCrashDate + " --at " + at, kCrashSeed)["breaker"]["paused"].get<bool>());
}

}  // namespace
}  // namespace ostrada
