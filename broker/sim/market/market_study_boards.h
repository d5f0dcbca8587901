#pragma once
// The study's measures of the market as a whole: how stocks move together within the day, how the
// two boards and their indexes stand to each other and to their stocks, what the listed companies
// are worth, how deep the books are against what the stocks trade, and the breaker.
#include <cstdint>
#include <vector>

#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_study.h"

namespace ostrada::sim {

// `closed` is the market after the close of the study's day; `returns` are the stocks' daily returns
// on `dates` (the history before that day), in listing order.
void StudyBoards(Market& closed, const Listing& listing, const std::vector<int32_t>& dates,
                 const std::vector<std::vector<double>>& returns, uint64_t seed, std::vector<StudyMeasure>& measures);

}  // namespace ostrada::sim
