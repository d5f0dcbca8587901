#include "broker/sim/market/market_study_math.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>

namespace ostrada::sim {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

double Mean(const std::vector<double>& values) {
  return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double Deviation(const std::vector<double>& values) {
  const double mean = Mean(values);
  double sum = 0;
  for (double value : values) sum += (value - mean) * (value - mean);
  return values.size() > 1 ? std::sqrt(sum / static_cast<double>(values.size() - 1)) : 0;
}

std::vector<double> Known(const std::vector<double>& values) {
  std::vector<double> known;
  std::copy_if(values.begin(), values.end(), std::back_inserter(known), [](double v) { return !std::isnan(v); });
  return known;
}

// Correlation over the days both series have (NaN marks a day without a return).
double Correlation(const std::vector<double>& a, const std::vector<double>& b, size_t lag) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  int n = 0;
  for (size_t i = lag; i < a.size() && i < b.size() + lag; ++i) {
    const double x = a[i];
    const double y = b[i - lag];
    if (std::isnan(x) || std::isnan(y)) continue;
    sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y, ++n;
  }
  if (n < 20) return std::numeric_limits<double>::quiet_NaN();
  const double cov = sab - sa * sb / n;
  const double va = saa - sa * sa / n;
  const double vb = sbb - sb * sb / n;
  return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : std::numeric_limits<double>::quiet_NaN();
}

// Aligns a bar series on the dates, one return per date (NaN where the stock did not trade).
std::vector<double> Returns(const std::vector<DailyBar>& bars, const std::vector<int32_t>& dates) {
  std::vector<double> returns(dates.size(), std::numeric_limits<double>::quiet_NaN());
  size_t at = 0;
  for (const DailyBar& bar : bars) {
    while (at < dates.size() && dates[at] < bar.date) ++at;
    if (at == dates.size()) break;
    const int32_t base = bar.close - bar.change;
    if (dates[at] == bar.date && bar.volume > 0 && base > 0) returns[at] = static_cast<double>(bar.change) / base;
  }
  return returns;
}

}  // namespace ostrada::sim
