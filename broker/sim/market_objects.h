#pragma once
// The market's objects (quote books, contracts, charts, prices). They register through
// RegisterMarketObjects (broker/sim/registry.h).
#include "broker/sim/registry.h"
