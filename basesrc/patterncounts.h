#pragma once
// The counter table of the pattern classifier: 67 signed 32-bit counters (268 bytes). Counters are
// named by their slot, the byte offset of the counter in the table, as the classifier's pattern
// table gives them. A snapshot group carries two of them (its current counts and the selection).
#include <cstddef>
#include <cstdint>

namespace ostrada {

struct PatternCounts {
  static constexpr size_t kCounters = 67;
  static constexpr size_t kSize = kCounters * 4;

  int32_t counters[kCounters];

  // REQUIRES: slot is a multiple of 4 below kSize.
  int32_t& AtSlot(size_t slot) { return counters[slot / 4]; }
  int32_t AtSlot(size_t slot) const { return counters[slot / 4]; }
};
static_assert(sizeof(PatternCounts) == PatternCounts::kSize);

// The 268 stored bytes of a table, little-endian. REQUIRES: out / in hold PatternCounts::kSize bytes.
void EncodePatternCounts(const PatternCounts& counts, uint8_t* out);
void DecodePatternCounts(const uint8_t* in, PatternCounts* counts);

}  // namespace ostrada
