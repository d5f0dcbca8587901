#include "basesrc/foundation/memory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

class MemoryTest : public ::testing::Test {
 protected:
  // The number of reports ("[line] - module 에서") shown so far, each checked for its caption.
  size_t Reports() const {
    size_t reports = 0;
    for (const auto& message : recording.sink.messages) {
      if (message.Utf8().find("] - basesrc/foundation 에서") == std::string::npos) continue;
      EXPECT_EQ(message.CaptionUtf8(), "확인");
      ++reports;
    }
    return reports;
  }
  testing::RecordingScope recording;
};

TEST_F(MemoryTest, AllocZeroedGivesZeroBytes) {
  HeapText block(static_cast<char*>(AllocZeroed(64)));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
  HeapText empty(static_cast<char*>(AllocZeroed(0)));
  EXPECT_NE(empty, nullptr);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(MemoryTest, AllocationFailureShowsFatalMessageAndGivesNone) {
  ScopedAllocationFailure failAfterOne(1);
  HeapText first(static_cast<char*>(AllocZeroed(8)));
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(AllocZeroed(8), nullptr);
  EXPECT_EQ(StrDup("abc"), nullptr);
  ASSERT_EQ(recording.sink.messages.size(), 2u);
  for (const auto& message : recording.sink.messages) {
    EXPECT_EQ(message.Utf8(), "치명적인 메모리 오류\n메모리가 부족합니다.");
    EXPECT_EQ(message.CaptionUtf8(), "컴퓨터 사용환경 확인");
  }
}

TEST_F(MemoryTest, FreeAndFillOfMissingBlockAreReported) {
  FreeMem(nullptr);
  EXPECT_EQ(MemFill(nullptr, 0x20, 4), nullptr);
  EXPECT_EQ(Reports(), 2u);
  char bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(MemFill(bytes, 0x20, 3), bytes);
  EXPECT_EQ(std::memcmp(bytes, "   \x04", 4), 0);
}

TEST_F(MemoryTest, LengthAndCopyTolerateMissingArguments) {
  EXPECT_EQ(StrLen("정보"), std::strlen("정보"));
  char buffer[8] = "xyz";
  EXPECT_EQ(StrCopy(buffer, "ab"), buffer);
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(StrCopy(nullptr, "ab"), nullptr);
  EXPECT_EQ(StrCopy(buffer, nullptr), nullptr);
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(MemoryTest, StrDupCopiesAndRefusesMissingOrEmptyText) {
  HeapText copy(StrDup("005930"));
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy.get(), "005930");
  EXPECT_EQ(StrDup(""), nullptr);
  EXPECT_EQ(Reports(), 1u);
  EXPECT_EQ(StrDup(nullptr), nullptr);
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(MemoryTest, BoundedCopyFillsFixedFieldAndAlwaysTerminates) {
  char field[16];
  std::memset(field, 'x', sizeof field);
  StrCopyBounded(field, "ABCDEFGHIJKLMNOPQRST", sizeof field);
  EXPECT_EQ(std::string(field), "ABCDEFGHIJKLMNO");
  StrCopyBounded(field, "A005930", sizeof field);
  EXPECT_STREQ(field, "A005930");
  char one[1] = {'x'};
  StrCopyBounded(one, "abc", 1);
  EXPECT_EQ(one[0], '\0');
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(MemoryTest, BoundedCopyWithoutRoomOrArgumentsWritesNothing) {
  char field[4] = {'a', 'b', 'c', '\0'};
  EXPECT_EQ(StrCopyBounded(field, "xyz", 0), field);
  EXPECT_EQ(StrCopyBounded(field, nullptr, 4), field);
  EXPECT_EQ(StrCopyBounded(nullptr, "xyz", 4), nullptr);
  EXPECT_STREQ(field, "abc");
  EXPECT_EQ(Reports(), 3u);
}

TEST_F(MemoryTest, CompareUsesUnsignedBytesSoHangulSortsAfterAscii) {
  EXPECT_GT(StrCompare("\xB0\xA1", "Z"), 0);
  EXPECT_LT(StrCompare("Z", "\xB0\xA1"), 0);
  EXPECT_EQ(StrCompare("삼성", "삼성"), 0);
  EXPECT_LT(StrCompare("abc", "abcd"), 0);
  EXPECT_GT(StrCompare("abd", "abc"), 0);
  EXPECT_EQ(StrCompareN("abcX", "abcY", 3), 0);
  EXPECT_LT(StrCompareN("abcX", "abcY", 4), 0);
  EXPECT_GT(StrCompareN("\xFF", "\x01", 1), 0);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(MemoryTest, MissingTextHasNoLengthAndSortsFirstWithoutABox) {
  EXPECT_EQ(StrLen(nullptr), 0u);
  EXPECT_EQ(StrCompare(nullptr, "a"), -1);
  EXPECT_EQ(StrCompare("a", nullptr), 1);
  EXPECT_EQ(StrCompare(nullptr, nullptr), 0);
  EXPECT_EQ(StrCompareN(nullptr, "a", 1), -1);
  EXPECT_EQ(StrCompareN("a", nullptr, 1), 1);
  EXPECT_TRUE(recording.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
