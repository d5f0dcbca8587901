#include "basesrc/foundation/arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "basesrc/foundation/memory.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

TEST(ArenaTest, BlocksAreZeroAlignedAndApartAcrossChunks) {
  testing::RecordingScope recording;
  Arena arena;
  char* previous = nullptr;
  // Enough odd-sized blocks to fill several chunks, and one larger than any chunk.
  for (int i = 0; i < 2000; ++i) {
    const size_t size = (i == 1000) ? 3u << 20 : 1 + static_cast<size_t>(i % 300);
    auto* block = static_cast<char*>(arena.Allocate(size, 8));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
    for (size_t j = 0; j < size; j += 97) ASSERT_EQ(block[j], 0);
    std::memset(block, 0xAB, size);  // a block that overlapped the one before would be caught below
    if (previous != nullptr) {
      EXPECT_EQ(static_cast<unsigned char>(previous[0]), 0xABu);
    }
    previous = block;
  }
  EXPECT_GT(arena.ReservedBytes(), 3u << 20);
  char* text = arena.CopyText("\xBB\xEF\xBC\xBA!", 4);
  EXPECT_STREQ(text, "\xBB\xEF\xBC\xBA");
  arena.Clear();
  EXPECT_EQ(arena.ReservedBytes(), 0u);
  EXPECT_NE(arena.Allocate(16, 16), nullptr);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST(ArenaTest, ShortMemoryAndABadAlignmentGiveNone) {
  testing::RecordingScope recording;
  Arena arena;
  EXPECT_EQ(arena.Allocate(8, 3), nullptr);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  ScopedAllocationFailure failNow(0);
  EXPECT_EQ(arena.Allocate(8, 8), nullptr);
  EXPECT_EQ(recording.sink.messages.size(), 2u);  // the fatal memory message
}

}  // namespace
}  // namespace ostrada
