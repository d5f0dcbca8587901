#pragma once
// The journal's market: the closes, share changes and names of the exchange's own history, as the
// market stands at the paper account's clock (today's close is the price at that moment while the
// day trades). Each stock's history is drawn once.
#include <string>
#include <unordered_map>
#include <vector>

#include "broker/sim/market/market.h"
#include "broker/sim/paper/paper_journal.h"

namespace ostrada::sim {

class MarketJournal : public JournalMarket {
 public:
  // REQUIRES: the market outlives this and stands where the journal ends.
  explicit MarketJournal(Market& market) : market_(market) {}

  int32_t Close(const std::string& code, int32_t date) override;
  std::vector<ShareChange> ShareChanges(const std::string& code) override;
  std::string NameOf(const std::string& code) override;

 private:
  // The stock's closes by date; empty when the listing lacks it.
  const std::unordered_map<int32_t, int32_t>& ClosesOf(const std::string& code);

  Market& market_;
  std::unordered_map<std::string, std::unordered_map<int32_t, int32_t>> closes_;
};

}  // namespace ostrada::sim
