#include "broker/sim/market/market_service.h"

#include <vector>

#include "broker/comerror.h"

namespace ostrada::sim {

std::vector<StockProfile> ProfilesOf(const Listing& listing) {
  std::vector<StockProfile> profiles;
  profiles.reserve(listing.Size());
  for (const ListedStock& listed : listing.All()) {
    StockProfile profile;
    profile.code = listed.code;
    profile.name = listed.name;
    profile.market = listed.market;
    profile.suspended = listed.IsSuspended();
    profile.seed = listed.seed;
    profile.priceLevel = listed.basePrice;
    profile.contractsPerSecond = ContractsPerSecond(listed.liquidity);
    profile.listedShares = static_cast<int64_t>(listed.number2) * 1000;
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

MarketService::MarketService(ExchangeContext& context)
    : context_(context),
      market_(ProfilesOf(context.Stocks()), context.Seed()),
      listener_(context.OnAdvance([this](int64_t) { Sync(); })) {
  Sync();
}

MarketService::~MarketService() {
  context_.Clock().RemoveListener(listener_);
}

Market& MarketService::Sync() {
  const ExchangeClock& clock = context_.Clock();
  market_.Sync(clock.Date(), clock.TimeOfDay());
  return market_;
}

}  // namespace ostrada::sim
