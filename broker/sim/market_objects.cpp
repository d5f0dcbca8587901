#include "broker/sim/market_objects.h"

#include <memory>

#include "broker/sim/market_service.h"

namespace ostrada::sim {

std::shared_ptr<MarketService> RegisterMarketObjects(ObjectRegistry& registry, ExchangeContext& context) {
  // The factories share the market, so it lives as long as the registry (and the objects it made).
  auto market = std::make_shared<MarketService>(context);
  RegisterPriceObjects(registry, context, market);
  RegisterQuoteObjects(registry, context, market);
  RegisterContractObjects(registry, context, market);
  RegisterChartObjects(registry, context, market);
  return market;
}

}  // namespace ostrada::sim
