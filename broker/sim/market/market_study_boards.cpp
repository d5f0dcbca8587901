#include "broker/sim/market/market_study_boards.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "broker/sim/market/market_study_math.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr int kPairs = 1500;
constexpr int kHistoryDays = 520;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The stock's returns over each `span` regular minutes of the day, from its last price at their ends
// (NaN for a span without a contract at either end).
std::vector<double> SpanReturns(StockDay& day, int span) {
  std::vector<double> returns;
  double last = day.PreviousClose();
  double before = kNaN;
  bool traded = false;
  for (int m = 0; m < kRegularMinutes; ++m) {
    const MinuteSummary& minute = day.Minute(m);
    if (minute.count > 0) {
      last = minute.close;
      traded = true;
    }
    if ((m + 1) % span != 0) continue;
    returns.push_back(traded && !std::isnan(before) ? last / before - 1.0 : kNaN);
    before = traded ? last : kNaN;
    traded = false;
  }
  return returns;
}

// Mean correlation of random pairs among the candidates.
double PairCorrelation(const std::vector<std::vector<double>>& series, SeededRandom& random) {
  std::vector<double> correlations;
  if (series.size() < 2) return 0;
  for (int p = 0; p < kPairs; ++p) {
    const uint32_t a = random.Below(static_cast<uint32_t>(series.size()));
    const uint32_t b = random.Below(static_cast<uint32_t>(series.size()));
    if (a == b) continue;
    if (const double c = Correlation(series[a], series[b]); !std::isnan(c)) correlations.push_back(c);
  }
  return Mean(correlations);
}

}  // namespace

void StudyBoards(Market& closed, const Listing& listing, const std::vector<int32_t>& dates,
                 const std::vector<std::vector<double>>& returns, uint64_t seed, std::vector<StudyMeasure>& measures) {
  auto add = [&measures](std::string key, Txt name, double value, double low, double high) {
    measures.push_back({std::move(key), name, value, low, high});
  };
  const std::vector<double> boards[2] = {Returns(closed.IndexHistory("U001", kHistoryDays), dates),
                                         Returns(closed.IndexHistory("U201", kHistoryDays), dates)};
  const double first = Deviation(Known(boards[0]));
  add("board_correlation", Txt::kStudyBoardCorrelation, Correlation(boards[0], boards[1]), 0.6, 0.92);
  add("board_volatility_ratio", Txt::kStudyBoardVolatility, first > 0 ? Deviation(Known(boards[1])) / first : 0, 1.1, 1.8);
  int closerToOwn = 0, onBoards = 0;
  for (size_t i = 0; i < listing.Size(); ++i) {
    const char market = listing.At(i).market;
    if (market != '1' && market != '2') continue;
    const double own = Correlation(returns[i], boards[market - '1']);
    const double other = Correlation(returns[i], boards['2' - market]);
    if (std::isnan(own) || std::isnan(other)) continue;
    ++onBoards;
    closerToOwn += own > other ? 1 : 0;
  }
  add("own_board_share", Txt::kStudyOwnBoard, onBoards > 0 ? static_cast<double>(closerToOwn) / onBoards : 0,
      0.75, 1);

  // Within the day: the stocks that trade most minutes, as a person would pick them to compare.
  std::vector<std::vector<double>> minutes[2];
  std::vector<std::vector<double>> daily;
  for (size_t i = 0; i < listing.Size(); ++i) {
    if (listing.At(i).liquidity < 6 || closed.State(static_cast<int>(i)).halted) continue;
    StockDay& day = closed.Day(static_cast<int>(i));
    minutes[0].push_back(SpanReturns(day, 1));
    minutes[1].push_back(SpanReturns(day, 10));
    daily.push_back(returns[i]);
  }
  SeededRandom random(seed ^ 0x544f474554484552ull);
  const double oneMinute = PairCorrelation(minutes[0], random);
  const double tenMinutes = PairCorrelation(minutes[1], random);
  add("minute_correlation", Txt::kStudyMinuteCorrelation, oneMinute, 0.03, 0.4);
  add("ten_minute_correlation", Txt::kStudyTenMinuteCorrelation, tenMinutes, 0.05, 0.6);
  add("ten_minute_over_daily_correlation", Txt::kStudyTenMinuteOverDaily, tenMinutes / std::max(1e-9, PairCorrelation(daily, random)), 0.3, 2);

  int breakerDays = 0;
  for (const char* code : {"U001", "U201"}) {
    for (const DailyBar& bar : closed.IndexHistory(code, kHistoryDays)) {
      const int32_t base = bar.close - bar.change;
      breakerDays += int64_t{bar.low} * 100 <= int64_t{base} * (100 - kBreakerPercent) ? 1 : 0;
    }
  }
  add("breaker_days", Txt::kStudyBreakerDays, breakerDays, 0, 4);
}

}  // namespace ostrada::sim
