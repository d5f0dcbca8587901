#pragma once
// Two snapshot groups hold the same records in the same order: code, name and the whole price block.
#include <gtest/gtest.h>

#include <cstring>

#include "basesrc/nowgate.h"

namespace ostrada::testing {

// Call through ASSERT_NO_FATAL_FAILURE so that a mismatch ends the test.
inline void AssertSameRecords(const NowGate& actual, const NowGate& expected) {
  ASSERT_EQ(actual.Count(), expected.Count());
  const NowInfo* want = expected.First();
  for (const NowInfo* record = actual.First(); record != nullptr; record = record->next, want = want->next) {
    ASSERT_STREQ(record->key.code, want->key.code);
    ASSERT_STREQ(record->key.name.get(), want->key.name.get());
    ASSERT_EQ(std::memcmp(&record->price, &want->price, sizeof(NowPrice)), 0) << record->key.code;
  }
}

}  // namespace ostrada::testing
