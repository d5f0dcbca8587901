#pragma once
// The stock-code list and the code manager: the listing as the server's code objects tell it.
#include <memory>

#include "broker/interfaces.h"
#include "broker/sim/objects/registry.h"

namespace ostrada::sim {

// The first and last per-code attribute slots of the code manager.
constexpr int kFirstAttributeSlot = 17;
constexpr int kLastAttributeSlot = 25;

std::shared_ptr<broker::IStockCodeList> MakeStockCodeList(ExchangeContext& context);
std::shared_ptr<broker::ICodeManager> MakeCodeManager(ExchangeContext& context);

}  // namespace ostrada::sim
