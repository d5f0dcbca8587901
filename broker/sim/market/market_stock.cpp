#include "broker/sim/market/market_stock.h"

namespace ostrada::sim {

Phase PhaseAt(int32_t ms) {
  if (ms < kPreOpenMs || ms >= kCloseMs) return Phase::kClosed;
  if (ms < kOpenMs || ms >= kClosingAuctionMs) return Phase::kAuction;
  return Phase::kRegular;
}

int32_t HhmmOf(int32_t ms) {
  return ms / kMsPerHour * 100 + ms / kMsPerMinute % 60;
}

int32_t HhmmssOf(int32_t ms) {
  return HhmmOf(ms) * 100 + ms / 1000 % 60;
}

float ContractStrength(int32_t buyVolume, int32_t sellVolume) {
  if (sellVolume <= 0) return buyVolume > 0 ? 500.0f : 0.0f;
  return static_cast<float>(static_cast<double>(buyVolume) * 100.0 / static_cast<double>(sellVolume));
}

}  // namespace ostrada::sim
