#include "broker/sim/market/market_study_sizes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>

#include "broker/sim/market/market_study_math.h"

namespace ostrada::sim {
namespace {

constexpr int kHistoryDays = 520;
constexpr double kTrillion = 1e12;
constexpr int kLargest = 10;

int BoardOf(const ListedStock& listed) {
  return listed.market == '1' ? 0 : listed.market == '2' ? 1 : -1;
}

}  // namespace

double SharesOn(const ListedStock& listed, const std::vector<ShareChange>& changes, int32_t date) {
  double shares = listed.number2 * 1000.0;
  for (const ShareChange& change : changes) {
    if (change.date <= date) shares = shares * change.after / change.before;
  }
  return shares;
}

SizeStudy::SizeStudy(const std::vector<int32_t>& dates) : dates_(dates) {
  for (Board& board : boards_) {
    board.worth.assign(dates.size(), 0);
    board.weighted.assign(dates.size(), 0);
    board.plain.assign(dates.size(), 0);
    board.counted.assign(dates.size(), 0);
  }
}

void SizeStudy::AddHistory(const ListedStock& listed, const std::vector<DailyBar>& bars,
                           const std::vector<ShareChange>& changes) {
  const int which = BoardOf(listed);
  if (which < 0) return;
  Board& board = boards_[which];
  for (const DailyBar& bar : bars) {
    const auto at = static_cast<size_t>(std::lower_bound(dates_.begin(), dates_.end(), bar.date) - dates_.begin());
    if (at >= dates_.size() || dates_[at] != bar.date) continue;
    const double base = bar.close - bar.change;
    const double move = bar.change / base;
    const double worth = SharesOn(listed, changes, bar.date) * base;
    board.worth[at] += worth;
    board.weighted[at] += worth * move;
    board.plain[at] += move;
    ++board.counted[at];
  }
}

void SizeStudy::AddClose(const ListedStock& listed, const DayState& state, double shares) {
  const int which = BoardOf(listed);
  if (which < 0) return;
  boards_[which].caps.push_back(shares * state.price);
  boards_[which].value += static_cast<double>(state.value);
}

void SizeStudy::Measure(Market& closed, std::vector<StudyMeasure>& measures) const {
  auto add = [&measures](std::string key, Txt name, double value, double low, double high) {
    measures.push_back({std::move(key), name, value, low, high});
  };
  double totals[2];
  for (int which = 0; which < 2; ++which) {
    totals[which] = std::accumulate(boards_[which].caps.begin(), boards_[which].caps.end(), 0.0);
  }
  add("u001_capitalisation", Txt::kStudyU001Cap, totals[0] / kTrillion, 1000, 3500);
  add("u201_capitalisation", Txt::kStudyU201Cap, totals[1] / kTrillion, 200, 650);
  std::vector<double> caps = boards_[0].caps;
  std::sort(caps.begin(), caps.end(), std::greater<>());
  const auto largest = static_cast<std::ptrdiff_t>(std::min<size_t>(kLargest, caps.size()));
  const double share = totals[0] > 0 ? (caps.empty() ? 0 : caps.front()) / totals[0] : 0;
  add("largest_cap_share", Txt::kStudyLargestCap, share, 0.1, 0.35);
  add("ten_largest_cap_share", Txt::kStudyTenLargestCap, totals[0] > 0 ? std::accumulate(caps.begin(), caps.begin() + largest, 0.0) / totals[0] : 0,
      0.35, 0.65);
  add("u001_value_over_cap", Txt::kStudyU001ValueOverCap, totals[0] > 0 ? boards_[0].value / totals[0] : 0, 0.0025, 0.008);
  add("u201_value_over_cap", Txt::kStudyU201ValueOverCap, totals[1] > 0 ? boards_[1].value / totals[1] : 0, 0.008, 0.035);

  const char* codes[2] = {"U001", "U201"};
  double weightedLeast = 1;
  double plainFirst = 0;
  for (int which = 0; which < 2; ++which) {
    const Board& board = boards_[which];
    const std::vector<double> index = Returns(closed.IndexHistory(codes[which], kHistoryDays), dates_);
    std::vector<double> weighted(dates_.size(), std::numeric_limits<double>::quiet_NaN());
    std::vector<double> plain = weighted;
    for (size_t d = 0; d < dates_.size(); ++d) {
      if (board.counted[d] == 0) continue;
      weighted[d] = board.weighted[d] / board.worth[d];
      plain[d] = board.plain[d] / board.counted[d];
    }
    weightedLeast = std::min(weightedLeast, Correlation(index, weighted));
    if (which == 0) plainFirst = Correlation(index, plain);
  }
  add("cap_weighted_correlation", Txt::kStudyCapWeighted, weightedLeast, 0.98, 1);
  add("u001_plain_mean_correlation", Txt::kStudyPlainMean, plainFirst, 0.6, 0.985);
}

}  // namespace ostrada::sim
