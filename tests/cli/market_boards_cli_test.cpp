// The two boards and the breaker as a person checks them from the commands' JSON alone, on a seed no
// other test pins: the indexes' daily correlation and volatility, each index against its stocks'
// capitalisation-weighted and plain means, the part of their worth the boards trade, and a crash
// day's pause in the index's minute bars and in a stock's `market` document.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
// A market whose U201 falls 8% by 13:59 on a day, with the previous trading day.
constexpr uint64_t kCrashSeedValue = 4;
constexpr char kCrashSeed[] = " --seed 4";
constexpr char kCrashDate[] = "20260116";
constexpr char kDayBefore[] = "20260115";

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

// A listing of 80 stocks samples both boards' sizes; each stock's history comes from its own command.
TEST(MarketBoardsCli, AnIndexIsItsStocksWeightedByWhatTheyAreWorth) {
  constexpr int kDays = 250;
  const std::string sample = " --stocks 80 --count " + std::to_string(kDays + 1) + " --date 20261208";
  const std::vector<double> index[2] = {DailyReturns(Json("history U001" + sample)),
                                        DailyReturns(Json("history U201" + sample))};
  ASSERT_EQ(index[0].size(), static_cast<size_t>(kDays));
  std::array<std::vector<double>, 2> weighted, worth, plain, counted, value;
  for (int b = 0; b < 2; ++b) {
    for (auto* sums : {&weighted, &worth, &plain, &counted, &value}) (*sums)[b].assign(kDays, 0);
  }
  const sim::Listing listing = sim::Listing::Build(31, 80);
  for (const sim::ListedStock& stock : listing.All()) {
    if (stock.market != '1' && stock.market != '2') continue;
    const int b = stock.market - '1';
    const nlohmann::json bars = Json("history " + stock.code + sample)["bars"];
    ASSERT_EQ(bars.size(), static_cast<size_t>(kDays + 1)) << stock.code;
    double shares = stock.number2 * 1000.0;
    for (int d = 0; d < kDays; ++d) {
      const double before = bars[d]["close"].get<double>();
      const double close = bars[d + 1]["close"].get<double>();
      const double move = close / before - 1;
      // Beyond any day's limit: a split or consolidation (2, 5 or 10 to one) changed the shares.
      if (std::fabs(move) > 0.35) {
        const double ratio = before / close;
        shares *= ratio > 1 ? std::round(ratio) : 1 / std::round(1 / ratio);
        continue;
      }
      weighted[b][d] += shares * before * move;
      worth[b][d] += shares * before;
      plain[b][d] += move;
      ++counted[b][d];
      value[b][d] += bars[d + 1]["volume"].get<double>() * close;
    }
  }
  // Each index is its stocks' capitalisation-weighted mean, not their plain one. A day trades a few
  // parts in a thousand of a board's worth, more of the second board's (its companies are smaller;
  // this sample's first board is mostly its largest company, which trades least of its worth).
  double turnover[2] = {0, 0};
  for (int b = 0; b < 2; ++b) {
    std::vector<double> byWorth, byCount;
    double traded = 0, capital = 0;
    for (int d = 0; d < kDays; ++d) {
      byWorth.push_back(weighted[b][d] / worth[b][d]);
      byCount.push_back(plain[b][d] / counted[b][d]);
      traded += value[b][d];
      capital += worth[b][d];
    }
    EXPECT_GT(Correlation(index[b], byWorth), 0.98) << b;
    EXPECT_GT(Correlation(index[b], byWorth), Correlation(index[b], byCount)) << b;
    turnover[b] = traded / capital;
    EXPECT_GT(turnover[b], 0.001) << b;
    EXPECT_LT(turnover[b], 0.035) << b;
  }
  EXPECT_GT(turnover[1], 2 * turnover[0]);
}

TEST(MarketBoardsCli, ACrashDayPausesTheBoardAfterTheMinuteItsIndexClosedEightPercentDown) {
  const double previous = Json(std::string("history U201 --count 1 --date ") + kDayBefore, kCrashSeed)["bars"].back()["close"].get<double>();
  const nlohmann::json minutes = Json(std::string("history U201 --kind B --interval 1 --count 400 --date ") + kCrashDate, kCrashSeed);
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

  // A busy stock of the second board, asked right after trading resumed.
  const sim::Listing listing = sim::Listing::Build(kCrashSeedValue, 0);
  std::string code;
  for (const sim::ListedStock& stock : listing.All()) {
    if (stock.market == '2' && stock.liquidity >= 8 && !stock.IsSuspended()) {
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
