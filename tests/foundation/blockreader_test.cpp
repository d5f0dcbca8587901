#include "basesrc/foundation/blockreader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

// Bytes that differ from their neighbours, so a byte read twice or skipped shows.
std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251) % 251);
  return bytes;
}

class BlockReaderTest : public ::testing::Test {
 protected:
  void Write(const std::vector<uint8_t>& bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  testing::RecordingScope recording;
  testing::ScratchFolder folder;
  std::string path_ = folder.File("records.bin");
};

TEST_F(BlockReaderTest, RecordsAcrossBlockBoundariesComeWholeAndInOrder) {
  // Three blocks and a bit, from an offset: records of 1 to 300 bytes straddle every boundary.
  const std::vector<uint8_t> file = Pattern(3 * BlockReader::kBlockSize + 5000);
  Write(file);
  FileCloser handle(FileOpen(path_.c_str(), 0));
  constexpr size_t kStart = 17;
  const size_t span = file.size() - kStart - 100;  // the last 100 bytes are not the reader's
  ASSERT_EQ(FileSeek(handle.get(), kStart, kSeekSet), static_cast<int32_t>(kStart));
  BlockReader blocks(handle.get(), span);
  std::vector<uint8_t> taken;
  for (size_t record = 1; taken.size() < span; record = record % 300 + 1) {
    ASSERT_TRUE(blocks.Want(300));
    const size_t left = span - taken.size();
    ASSERT_GE(blocks.Available(), std::min<size_t>(left, 300));
    const size_t count = std::min(record, blocks.Available());
    taken.insert(taken.end(), blocks.Data(), blocks.Data() + count);
    blocks.Consume(count);
    ASSERT_EQ(blocks.Taken(), taken.size());
  }
  EXPECT_EQ(taken, std::vector<uint8_t>(file.begin() + kStart, file.begin() + static_cast<ptrdiff_t>(kStart + span)));
  // At the end of the span nothing more is offered, and the bytes after it were never read.
  ASSERT_TRUE(blocks.Want(300));
  EXPECT_EQ(blocks.Available(), 0u);
  EXPECT_EQ(FileSeek(handle.get(), 0, kSeekCur), static_cast<int32_t>(kStart + span));
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(BlockReaderTest, AFileShorterThanItsSpanIsReportedOnce) {
  Write(Pattern(1000));
  FileCloser handle(FileOpen(path_.c_str(), 0));
  BlockReader blocks(handle.get(), 5000);
  EXPECT_FALSE(blocks.Want(10));
  EXPECT_EQ(recording.sink.messages.size(), 1u);
}

TEST_F(BlockReaderTest, AWishLargerThanABlockIsRefused) {
  Write(Pattern(1000));
  FileCloser handle(FileOpen(path_.c_str(), 0));
  BlockReader blocks(handle.get(), 1000);
  EXPECT_FALSE(blocks.Want(BlockReader::kBlockSize + 1));
  EXPECT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_TRUE(blocks.Want(BlockReader::kBlockSize));
  EXPECT_EQ(blocks.Available(), 1000u);
}

}  // namespace
}  // namespace ostrada
