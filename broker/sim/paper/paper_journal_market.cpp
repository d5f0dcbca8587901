#include "broker/sim/paper/paper_journal_market.h"

#include <climits>

#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_service.h"

namespace ostrada::sim {

const std::unordered_map<int32_t, int32_t>& MarketJournal::ClosesOf(const std::string& code) {
  const auto found = closes_.find(code);
  if (found != closes_.end()) return found->second;
  std::unordered_map<int32_t, int32_t>& closes = closes_[code];
  const int index = market_.Find(code);
  if (index < 0) return closes;
  for (const DailyBar& bar : market_.History(index, INT_MAX)) closes[bar.date] = bar.close;
  // Today's close once the day closed, else the price it trades at now.
  const bool closed = market_.Now() >= kCloseMs;
  closes[market_.TradingDate()] = closed ? market_.Today(index).bar.close : market_.State(index).price;
  return closes;
}

int32_t MarketJournal::Close(const std::string& code, int32_t date) {
  const std::unordered_map<int32_t, int32_t>& closes = ClosesOf(code);
  const auto found = closes.find(date);
  return found != closes.end() ? found->second : 0;
}

std::vector<ShareChange> MarketJournal::ShareChanges(const std::string& code) {
  const int index = market_.Find(code);
  return index < 0 ? std::vector<ShareChange>() : market_.ShareChangesAfter(index, 0);
}

std::string MarketJournal::NameOf(const std::string& code) {
  const int index = market_.Find(code);
  return index < 0 ? std::string() : market_.Stock(index).name;
}

std::optional<Journal> OpenJournal(const JournalPlace& place, int32_t from, int32_t to, std::string& problem) {
  const std::optional<JournalLedger> ledger = ReadJournalLedger(place.ledgerPath, place.account, problem);
  if (!ledger) return std::nullopt;
  const uint64_t marketSeed = ledger->marketSeed.value_or(place.listingSeed);
  Listing listing = Listing::Build(place.listingSeed, place.stocks);
  if (marketSeed != place.listingSeed) listing = listing.WithMarket(marketSeed);
  Market market(ProfilesOf(listing), marketSeed);
  if (IsValidDate(ledger->clock.date)) market.Sync(ledger->clock.date, ledger->clock.timeMs);
  MarketJournal prices(market);
  return BuildJournal(*ledger, prices, from, to);
}

}  // namespace ostrada::sim
