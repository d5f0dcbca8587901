#pragma once
// A bar series drawn as a chart a trader reads at a glance: candles (rises red, falls blue), the
// volume under them, the 5-, 20-, 60- and 120-bar average lines, dates and prices on the axes.
// Plain SVG 1.1 that any browser opens. The layout is the chart model's (basesrc/chartmodel.h), the
// same the chart window paints.
#include <string>

#include "basesrc/chartmodel.h"
#include "basesrc/daygate.h"

namespace ostrada::cli {

// hundredths = 1: the prices are an index's hundredths, shown as points with two decimals.
std::string SeriesChartSvg(const DaySeries& series, int hundredths);

// Any chart data (the account's equity curve among them) under a title (UTF-8).
std::string ChartDataSvg(const chart::ChartData& data, const std::string& title);

}  // namespace ostrada::cli
