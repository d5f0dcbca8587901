#include "basesrc/patterncounts.h"

#include "basesrc/foundation/coding.h"

namespace ostrada {

void EncodePatternCounts(const PatternCounts& counts, uint8_t* out) {
  for (size_t i = 0; i < PatternCounts::kCounters; ++i) PutI32(out, 4 * i, counts.counters[i]);
}

void DecodePatternCounts(const uint8_t* in, PatternCounts* counts) {
  for (size_t i = 0; i < PatternCounts::kCounters; ++i) counts->counters[i] = GetI32(in, 4 * i);
}

}  // namespace ostrada
