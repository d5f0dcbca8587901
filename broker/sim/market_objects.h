#pragma once
// The market's objects (current prices, quote books, contracts, charts). They register through
// RegisterMarketObjects (broker/sim/registry.h); they share one market (broker/sim/market_service.h).
#include "broker/sim/registry.h"
