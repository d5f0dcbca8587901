#include "broker/sim/market_objects.h"

namespace ostrada::sim {

// No market objects are served yet: their classes answer "class not registered".
void RegisterMarketObjects(ObjectRegistry& /*registry*/, ExchangeContext& /*context*/) {}

}  // namespace ostrada::sim
