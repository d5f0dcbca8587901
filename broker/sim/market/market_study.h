#pragma once
// A study of the whole market as a person checking its realism would make it: continuity from one
// day into the next, the history's returns (spread, co-movement, clustering, tails, limit moves,
// volume) and today's session (closing auction, contract strength, traded value).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/foundation/texts.h"

namespace ostrada::sim {

struct StudyMeasure {
  std::string key;  // the measure's name for scripts (English, one word)
  Txt name;         // as a trader reads it
  double value = 0;
  double low = 0;  // the band the market should fall in
  double high = 0;
  bool Passes() const { return value >= low && value <= high; }
};

struct MarketStudy {
  int32_t date = 0;
  int stocks = 0;
  std::vector<StudyMeasure> measures;
  // Stocks whose newest history bar differs from yesterday's session, or whose previous close is
  // not yesterday's close (a split day excepted).
  int discontinuities = 0;
};

// Studies the market of the seed's listing on `date` (a trading day), with the day before it; with
// `marketSeed`, that listing's stocks moved by the other seed's market (a paper account's own).
MarketStudy StudyMarket(uint64_t seed, int stocks, int32_t date, std::optional<uint64_t> marketSeed = {});

}  // namespace ostrada::sim
