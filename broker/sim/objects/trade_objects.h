#pragma once
// The trading family of the exchange's objects: the trade utility, the account queries (order- and
// cash-available, holdings, unfilled orders), the buy/sell, modify and cancel orders and the order
// events, all served by one paper account.
#include <memory>

#include "broker/sim/paper/paper_account.h"
#include "broker/sim/objects/registry.h"

namespace ostrada::sim {

void RegisterTradeObjects(ObjectRegistry& registry, ExchangeContext& context,
                          const std::shared_ptr<PaperTrading>& paper);

}  // namespace ostrada::sim
