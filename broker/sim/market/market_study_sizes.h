#pragma once
// The study's measures of what the listed companies are worth, as a person adds them up from the
// listed shares and the prices: each board's capitalisation, the largest stocks' share of it, the part
// of it a day trades, and each index against the capitalisation-weighted and the plain mean of its
// stocks' daily returns.
#include <cstdint>
#include <vector>

#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_study.h"

namespace ostrada::sim {

// The shares listed on `date`: the listing's, through the splits and consolidations taking effect by then.
double SharesOn(const ListedStock& listed, const std::vector<ShareChange>& changes, int32_t date);

class SizeStudy {
 public:
  // `dates`: the history before the study's day. REQUIRES: they outlive the study.
  explicit SizeStudy(const std::vector<int32_t>& dates);
  // A stock's history on the dates, with its splits and consolidations (a stock off the boards is left out).
  void AddHistory(const ListedStock& listed, const std::vector<DailyBar>& bars, const std::vector<ShareChange>& changes);
  // A stock's study day as it closed, with the shares listed that day.
  void AddClose(const ListedStock& listed, const DayState& state, double shares);
  // The measures; `closed` gives the indexes' histories.
  void Measure(Market& closed, std::vector<StudyMeasure>& measures) const;

 private:
  struct Board {
    std::vector<double> worth;     // per date: the stocks' capitalisation at the day's base
    std::vector<double> weighted;  // per date: their returns weighted by it
    std::vector<double> plain;     // per date: their returns
    std::vector<int> counted;
    std::vector<double> caps;  // each stock's at the study day's close
    double value = 0;          // traded on the study day
  };
  const std::vector<int32_t>& dates_;
  Board boards_[2];
};

}  // namespace ostrada::sim
