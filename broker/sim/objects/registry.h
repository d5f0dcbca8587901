#pragma once
// How the exchange's classes come into being: each family of objects registers a factory per CLSID
// (code objects, market objects, trade objects), so a new family never edits the exchange itself.
// Factories get the ExchangeContext: the clock, the listing, the faults and the seed.
//
// Objects and registered state refer to the exchange and must not outlive it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "broker/guid.h"
#include "broker/interfaces.h"
#include "broker/sim/market/exchange_context.h"

namespace ostrada::sim {

class MarketService;  // broker/sim/market/market_service.h

class ObjectRegistry {
 public:
  using Factory = std::function<std::shared_ptr<broker::IObject>()>;

  // A second registration of the same class replaces the first.
  void Register(const broker::Guid& clsid, Factory factory);
  bool Contains(const broker::Guid& clsid) const;
  // A new object; an unknown class throws ComError(kClassNotRegistered).
  std::shared_ptr<broker::IObject> Create(const broker::Guid& clsid) const;

 private:
  std::map<broker::Guid, Factory> factories_;
};

// The families. Each lives in its own module; the exchange calls them once at start.
void RegisterCodeObjects(ObjectRegistry& registry, ExchangeContext& context);
// The market objects share one market, returned for the families that trade on it.
std::shared_ptr<MarketService> RegisterMarketObjects(ObjectRegistry& registry, ExchangeContext& context);

}  // namespace ostrada::sim
