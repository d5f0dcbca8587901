#pragma once
// The statistics the market's study takes of its series.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "broker/sim/market/market_history.h"

namespace ostrada::sim {

double Median(std::vector<double> values);
double Mean(const std::vector<double>& values);
double Deviation(const std::vector<double>& values);
// The values that are not NaN.
std::vector<double> Known(const std::vector<double>& values);
// Correlation over the points both series have (NaN marks a point without a value); NaN with fewer
// than twenty.
double Correlation(const std::vector<double>& a, const std::vector<double>& b, size_t lag = 0);
// Aligns a bar series on the dates, one return per date (NaN where the stock did not trade).
std::vector<double> Returns(const std::vector<DailyBar>& bars, const std::vector<int32_t>& dates);

}  // namespace ostrada::sim
