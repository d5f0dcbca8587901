#include "broker/sim/market/market_study.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <set>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_ladder.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/market/market_study_boards.h"
#include "broker/sim/market/market_study_math.h"
#include "broker/sim/market/market_study_sizes.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr int kHistoryDays = 520;
constexpr double kUnbounded = std::numeric_limits<double>::infinity();
constexpr int32_t kAfterCloseMs = 15 * kMsPerHour + 40 * kMsPerMinute;
constexpr int32_t kStrengthMs = 14 * kMsPerHour;
constexpr int kPairs = 3000;

bool AtUpperLimit(const DailyBar& bar) {
  const int32_t base = bar.close - bar.change;
  return bar.volume > 0 && bar.change > 0 && PriceLimitChange(base, 1) == bar.change;
}
bool AtLowerLimit(const DailyBar& bar) {
  const int32_t base = bar.close - bar.change;
  return bar.volume > 0 && bar.change < 0 && PriceLimitChange(base, 0) == bar.change;
}
bool TouchedAndFell(const DailyBar& bar) {
  const int32_t base = bar.close - bar.change;
  return bar.volume > 0 && ((bar.high - base == PriceLimitChange(base, 1) && bar.close != bar.high) ||
                            (bar.low - base == PriceLimitChange(base, 0) && bar.close != bar.low));
}

double ExcessKurtosis(const std::vector<double>& values) {
  const double mean = Mean(values);
  double m2 = 0, m4 = 0;
  for (double value : values) {
    const double d = value - mean;
    m2 += d * d;
    m4 += d * d * d * d;
  }
  const auto n = static_cast<double>(values.size());
  return m2 > 0 ? (m4 / n) / ((m2 / n) * (m2 / n)) - 3.0 : 0;
}

// A price from which the daily limit allows no step up or down.
bool CannotMove(int32_t price) {
  return PriceLimitChange(price, 1) == 0 || PriceLimitChange(price, 0) == 0;
}

// Days of the history off the exchange's calendar: dates it does not trade on, and trading days
// between the first and the last that it lacks.
int OffCalendar(const std::vector<DailyBar>& bars) {
  if (bars.empty()) return 0;
  int off = 0;
  size_t at = 0;
  for (int32_t day = bars.front().date; day <= bars.back().date; day = AddDays(day, 1)) {
    const bool listed = at < bars.size() && bars[at].date == day;
    off += listed != IsTradingDay(day) ? 1 : 0;
    at += listed ? 1 : 0;
  }
  return off + static_cast<int>(bars.size() - at);
}

// The most thousands of shares by which an index's days differ from its stocks' volumes.
double IndexVolumeGap(const std::vector<DailyBar>& index, const std::map<int32_t, double>& stocks) {
  double gap = 0;
  for (const DailyBar& bar : index) {
    const auto found = stocks.find(bar.date);
    const double shares = found == stocks.end() ? 0 : found->second;
    gap = std::max(gap, std::fabs(bar.volume - shares / 1000.0));
  }
  return gap;
}

int SharedNames(const Listing& listing) {
  std::set<std::string> names;
  for (const ListedStock& stock : listing.All()) names.insert(stock.name);
  return static_cast<int>(listing.Size() - names.size());
}

bool SameBar(const DailyBar& bar, const DayState& state) {
  if (state.halted) return bar.volume == 0 && bar.close == state.price && bar.open == state.price;
  return bar.open == state.open && bar.high == state.high && bar.low == state.low && bar.close == state.price &&
         bar.volume == state.volume && bar.change == state.price - state.previousClose;
}

// A previous close that is not yesterday's close is a split or a consolidation taking effect.
bool IsAdjustment(int32_t previousClose, int32_t yesterdayClose) {
  const double ratio = static_cast<double>(previousClose) / yesterdayClose;
  return ratio < 0.7 || ratio > 1.4;
}

int Discontinuities(Market& yesterday, Market& today) {
  int breaks = 0;
  for (int i = 0; i < static_cast<int>(today.Size()); ++i) {
    const std::vector<DailyBar> newest = today.History(i, 1);
    const DayState state = yesterday.State(i);
    const int32_t previousClose = today.State(i).previousClose;
    const bool continues = !newest.empty() && SameBar(newest.back(), state) &&
                           (previousClose == newest.back().close || IsAdjustment(previousClose, newest.back().close));
    breaks += continues ? 0 : 1;
  }
  for (const char* code : {"U001", "U201"}) {
    const std::vector<IndexMinute> minutes = yesterday.IndexDay(code);
    const std::vector<DailyBar> newest = today.IndexHistory(code, 1);
    if (newest.empty() || minutes.empty()) {
      ++breaks;
      continue;
    }
    DailyBar day{0, minutes.front().open, minutes.front().open, minutes.front().open, minutes.back().close, 0, 0};
    for (const IndexMinute& minute : minutes) {
      day.high = std::max(day.high, minute.high);
      day.low = std::min(day.low, minute.low);
      day.volume += minute.volume;
    }
    const DailyBar& bar = newest.back();
    breaks += bar.open == day.open && bar.high == day.high && bar.low == day.low && bar.close == day.close &&
                      bar.volume == day.volume
                  ? 0
                  : 1;
  }
  return breaks;
}

}  // namespace

MarketStudy StudyMarket(uint64_t seed, int stocks, int32_t date, std::optional<uint64_t> marketSeed) {
  const uint64_t moves = marketSeed.value_or(seed);
  Listing listing = Listing::Build(seed, stocks);
  if (moves != seed) listing = listing.WithMarket(moves);
  MarketStudy study;
  study.date = date;
  study.stocks = static_cast<int>(listing.Size());
  Market yesterday(ProfilesOf(listing), moves);
  Market today(ProfilesOf(listing), moves);
  yesterday.Sync(PreviousTradingDay(date), kAfterCloseMs);
  today.Sync(date, kStrengthMs);
  study.discontinuities = Discontinuities(yesterday, today);
  auto add = [&study](std::string key, Txt name, double value, double low, double high) {
    study.measures.push_back({std::move(key), name, value, low, high});
  };
  add("continuity_breaks", Txt::kStudyContinuityBreaks, study.discontinuities, 0, 0);

  // The history.
  const std::vector<int32_t> dates = TradingDaysBefore(date, kHistoryDays);
  const std::vector<double> index = Returns(today.IndexHistory("U001", kHistoryDays), dates);
  std::vector<std::vector<double>> returns;
  std::vector<double> pooled, kurtoses, lag1, lag20, indexCorrelations, limitVolumes, volumeLag1;
  std::vector<int> lowerLimits(dates.size()), upperLimits(dates.size()), touches(dates.size());
  int afterLimitUp = 0, roseAfterLimitUp = 0;
  // Prices that cannot move, turnover of the listed shares, and the boards' volumes day by day.
  int stuck = 0, longestUnchanged = 0;
  double lowestClose = kUnbounded, busiestTurnover = 0;
  std::map<int32_t, double> boardVolumes[2], dayValues, largestValues;
  SizeStudy sizes(dates);
  std::vector<double> sharesToday;
  for (int i = 0; i < study.stocks; ++i) {
    const std::vector<DailyBar> bars = today.History(i, kHistoryDays);
    const ListedStock& listed = listing.At(static_cast<size_t>(i));
    const std::vector<ShareChange> changes = today.ShareChangesAfter(i, 0);
    sizes.AddHistory(listed, bars, changes);
    sharesToday.push_back(SharesOn(listed, changes, date));
    int unchanged = 0;
    for (const DailyBar& bar : bars) {
      if (listed.market == '1' || listed.market == '2') boardVolumes[listed.market - '1'][bar.date] += bar.volume;
      if (bar.volume == 0) continue;
      const double value = static_cast<double>(bar.volume) * bar.close;
      dayValues[bar.date] += value;
      largestValues[bar.date] = std::max(largestValues[bar.date], value);
      stuck += CannotMove(bar.close) ? 1 : 0;
      lowestClose = std::min<double>(lowestClose, bar.close);
      busiestTurnover = std::max(busiestTurnover, bar.volume / SharesOn(listed, changes, bar.date));
      unchanged = bar.change == 0 ? unchanged + 1 : 0;
      longestUnchanged = std::max(longestUnchanged, unchanged);
    }
    returns.push_back(Returns(bars, dates));
    const std::vector<double>& series = returns.back();
    std::vector<double> volumes, calm;
    for (const DailyBar& bar : bars) {
      if (bar.volume > 0) volumes.push_back(bar.volume);
    }
    const double medianVolume = Median(volumes);
    std::vector<double> logVolumes(volumes.size());
    std::transform(volumes.begin(), volumes.end(), logVolumes.begin(), [](double v) { return std::log(v); });
    if (const double c = Correlation(logVolumes, logVolumes, 1); !std::isnan(c)) volumeLag1.push_back(c);
    for (size_t d = 1; d < bars.size(); ++d) {
      if (!AtUpperLimit(bars[d - 1]) || bars[d].volume == 0) continue;
      ++afterLimitUp;
      roseAfterLimitUp += bars[d].change > 0 ? 1 : 0;
    }
    for (const DailyBar& bar : bars) {
      const auto at = static_cast<size_t>(std::lower_bound(dates.begin(), dates.end(), bar.date) - dates.begin());
      if (at >= dates.size() || bar.volume == 0) continue;
      const int32_t base = bar.close - bar.change;
      const double move = static_cast<double>(bar.change) / base;
      pooled.push_back(move);
      if (AtUpperLimit(bar)) {
        ++upperLimits[at];
        limitVolumes.push_back(bar.volume / std::max(1.0, medianVolume));
      } else if (AtLowerLimit(bar)) {
        ++lowerLimits[at];
      } else {
        calm.push_back(move);
      }
      if (TouchedAndFell(bar)) ++touches[at];
    }
    if (calm.size() > 100) kurtoses.push_back(ExcessKurtosis(calm));
    std::vector<double> absolute(series.size());
    std::transform(series.begin(), series.end(), absolute.begin(), [](double r) { return std::fabs(r); });
    if (const double c = Correlation(absolute, absolute, 1); !std::isnan(c)) lag1.push_back(c);
    if (const double c = Correlation(absolute, absolute, 20); !std::isnan(c)) lag20.push_back(c);
    if (listing.At(static_cast<size_t>(i)).market == '1') {
      if (const double c = Correlation(series, index); !std::isnan(c)) indexCorrelations.push_back(c);
    }
  }
  SeededRandom random(seed);
  std::vector<double> pairs;
  for (int p = 0; p < kPairs && study.stocks > 1; ++p) {
    const uint32_t a = random.Below(static_cast<uint32_t>(study.stocks));
    const uint32_t b = random.Below(static_cast<uint32_t>(study.stocks));
    if (a == b) continue;
    if (const double c = Correlation(returns[a], returns[b]); !std::isnan(c)) pairs.push_back(c);
  }
  const double historySd = Deviation(pooled);
  std::vector<double> breadth;     // share of the stocks that rose, day by day
  std::vector<double> daySpreads;  // each day's spread of returns across the stocks
  for (size_t d = 0; d < dates.size(); ++d) {
    int up = 0, moved = 0;
    std::vector<double> dayMoves;
    for (const std::vector<double>& series : returns) {
      if (std::isnan(series[d])) continue;
      dayMoves.push_back(series[d]);
      if (series[d] == 0) continue;
      ++moved;
      up += series[d] > 0 ? 1 : 0;
    }
    if (moved > 0) breadth.push_back(static_cast<double>(up) / moved);
    if (dayMoves.size() > 1) daySpreads.push_back(Deviation(dayMoves));
  }
  const double typicalDaySpread = Median(daySpreads);
  const auto days = static_cast<double>(dates.size());

  // Today: contract strength and the thinnest stocks' spreads at 14:00, then the day as it closed.
  int strong = 0, trading = 0;
  std::vector<double> thinSpreads;
  for (int i = 0; i < study.stocks; ++i) {
    const DayState state = today.State(i);
    if (state.halted || state.volume == 0) continue;
    ++trading;
    strong += ContractStrength(state.buyVolume, state.sellVolume) >= 250.0f ? 1 : 0;
    const PriceLadder& ladder = today.Day(i).Ladder();
    if (listing.At(static_cast<size_t>(i)).liquidity == 1 && state.ask > 0 && state.bid > 0)
      thinSpreads.push_back(ladder.Position(state.ask) - ladder.Position(state.bid));
  }
  today.Sync(date, kAfterCloseMs);
  std::vector<double> todayMoves, values, closingShares, volumeRatios, thinMinutes, turnovers;
  double todayBoardVolumes[2] = {0, 0};
  constexpr int kHour = 60;
  constexpr int kLunchHour = 180;  // 12:00
  double firstHour = 0, lunchHour = 0;
  for (int i = 0; i < study.stocks; ++i) {
    const DayState state = today.State(i);
    sizes.AddClose(listing.At(static_cast<size_t>(i)), state, sharesToday[static_cast<size_t>(i)]);
    if (state.halted || state.volume == 0) continue;
    int traded = 0;
    for (int m = 0; m < kRegularMinutes; ++m) {
      const MinuteSummary& minute = today.Day(i).Minute(m);
      traded += minute.count > 0 ? 1 : 0;
      if (m < kHour) firstHour += static_cast<double>(minute.volume) * minute.close;
      if (m >= kLunchHour && m < kLunchHour + kHour) lunchHour += static_cast<double>(minute.volume) * minute.close;
    }
    if (listing.At(static_cast<size_t>(i)).liquidity == 1)
      thinMinutes.push_back(static_cast<double>(traded) / kRegularMinutes);
    todayMoves.push_back(static_cast<double>(state.price - state.previousClose) / state.previousClose);
    values.push_back(static_cast<double>(state.value));
    const ListedStock& listed = listing.At(static_cast<size_t>(i));
    turnovers.push_back(state.volume / sharesToday[static_cast<size_t>(i)]);
    if (listed.market == '1' || listed.market == '2') todayBoardVolumes[listed.market - '1'] += state.volume;
    StockDay& day = today.Day(i);
    std::vector<Trade> closing;
    day.Records(day.CountAt(kAfterCloseMs) - 1, 1, closing);
    if (!closing.empty()) closingShares.push_back(static_cast<double>(closing.back().quantity) / state.volume);
    const Market::VolumeReference volumes = today.Volumes(i);
    if (volumes.average > 0) volumeRatios.push_back(static_cast<double>(state.volume) / volumes.average);
  }
  std::sort(values.begin(), values.end(), std::greater<>());
  const size_t top = std::max<size_t>(1, values.size() / 100);
  const double total = std::accumulate(values.begin(), values.end(), 0.0);
  const double topValue = std::accumulate(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(top), 0.0);

  add("history_return_sd", Txt::kStudyHistorySd, historySd, 0.015, 0.035);
  // Today's spread across the stocks against the history's typical day's: a spread across stocks
  // leaves out the market's own move, which a pooled figure over the days would hold.
  add("today_sd_over_history", Txt::kStudyTodaySdRatio,
      typicalDaySpread > 0 ? Deviation(todayMoves) / typicalDaySpread : 0, 0.6, 1.8);
  add("pairwise_correlation", Txt::kStudyPairCorrelation, Mean(pairs), 0.15, 0.45);
  add("correlation_with_u001", Txt::kStudyU001Correlation, Mean(indexCorrelations), 0.35, 0.7);
  add("breadth_sd", Txt::kStudyBreadthSd, Deviation(breadth), 0.1, 0.35);
  add("abs_return_autocorrelation_1", Txt::kStudyAbsAutocorrelation1, Mean(lag1), 0.08, 1);
  add("abs_return_autocorrelation_20", Txt::kStudyAbsAutocorrelation20, Mean(lag20), 1e-9, 1);
  add("excess_kurtosis", Txt::kStudyKurtosis, Median(kurtoses), 3, kUnbounded);
  add("lower_limit_day_share", Txt::kStudyLowerLimitDays,
      std::count_if(lowerLimits.begin(), lowerLimits.end(), [](int n) { return n > 0; }) / days, 0.1, 1);
  add("lower_limits_worst_day", Txt::kStudyLowerLimitsWorst, *std::max_element(lowerLimits.begin(), lowerLimits.end()),
      5, 300);
  add("upper_limits_per_day", Txt::kStudyUpperLimitsDaily,
      std::accumulate(upperLimits.begin(), upperLimits.end(), 0) / days, 1, 40);
  add("lower_limits_per_day", Txt::kStudyLowerLimitsDaily,
      std::accumulate(lowerLimits.begin(), lowerLimits.end(), 0) / days, 0.1, 10);
  add("limit_touches_per_day", Txt::kStudyLimitTouches, std::accumulate(touches.begin(), touches.end(), 0) / days, 0.5,
      40);
  add("rose_after_upper_limit", Txt::kStudyRoseAfterUpper,
      afterLimitUp > 0 ? static_cast<double>(roseAfterLimitUp) / afterLimitUp : 0, 0.55, 0.9);
  add("log_volume_autocorrelation_1", Txt::kStudyVolumeAutocorrelation, Mean(volumeLag1), 0.4, 0.9);
  add("limit_up_volume_ratio", Txt::kStudyLimitUpVolume, Median(limitVolumes), 3, kUnbounded);
  add("volume_over_20_day_average", Txt::kStudyVolumeRatio, Median(volumeRatios), 0.7, 1.4);
  add("closing_auction_share", Txt::kStudyClosingShare, Median(closingShares), 0.03, 0.10);
  add("strong_contract_share", Txt::kStudyStrongShare, trading > 0 ? static_cast<double>(strong) / trading : 0, 0.005,
      0.05);
  add("top_percent_value_share", Txt::kStudyTopValueShare, total > 0 ? topValue / total : 0, 0.2, 0.4);
  add("thin_minutes_traded", Txt::kStudyThinMinutes, Mean(thinMinutes), 0.2, 0.8);
  add("thin_spread_ticks", Txt::kStudyThinSpread, Mean(thinSpreads), 1.5, 5);
  add("lunch_over_first_hour_value", Txt::kStudyLunchValue, firstHour > 0 ? lunchHour / firstHour : 0, 0.2, 0.7);

  // Prices where a stock can no longer move, turnover, the indexes as sums, the calendar, the names.
  add("immovable_closes", Txt::kStudyImmovableCloses, stuck, 0, 0);
  add("lowest_close", Txt::kStudyLowestClose, lowestClose, 400, kUnbounded);
  add("longest_unchanged_run", Txt::kStudyUnchangedRun, longestUnchanged, 0, 15);
  add("busiest_turnover", Txt::kStudyBusiestTurnover, busiestTurnover, 0.02, 0.5);
  add("today_turnover", Txt::kStudyTodayTurnover, Median(turnovers), 0.0005, 0.02);
  add("largest_value_share_today", Txt::kStudyLargestValueToday, total > 0 ? values.front() / total : 0, 0.01, 0.15);
  double largestShare = 0;
  for (const auto& [day, value] : dayValues) largestShare = std::max(largestShare, largestValues[day] / value);
  add("largest_value_share_max", Txt::kStudyLargestValueMax, largestShare, 0.02, 0.2);
  add("value_per_stock", Txt::kStudyValuePerStock, total / 1e9 / std::max(1, study.stocks), 3, 15);
  double indexGap = 0;
  for (const char* code : {"U001", "U201"}) {
    const int board = code[1] == '0' ? 0 : 1;
    indexGap = std::max(indexGap, IndexVolumeGap(today.IndexHistory(code, kHistoryDays), boardVolumes[board]));
    int64_t minutes = 0;
    for (const IndexMinute& minute : today.IndexDay(code)) minutes += minute.volume;
    indexGap = std::max(indexGap, std::fabs(minutes - todayBoardVolumes[board] / 1000.0));
  }
  add("index_volume_gap", Txt::kStudyIndexVolumeGap, indexGap, 0, 0.5);
  add("off_calendar_days", Txt::kStudyOffCalendar, OffCalendar(today.IndexHistory("U001", kHistoryDays)), 0, 0);
  add("shared_names", Txt::kStudySharedNames, SharedNames(listing), 0, 0);
  StudyBoards(today, listing, dates, returns, seed, study.measures);
  sizes.Measure(today, study.measures);
  return study;
}

}  // namespace ostrada::sim
