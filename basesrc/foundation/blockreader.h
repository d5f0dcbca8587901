#pragma once
// A span of a file read a block at a time, for readers of records of a bounded size. The block is
// small, so the heap hands the same memory back to every load; one buffer the size of the file
// would be fresh memory, faulted in page by page, on each load.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "basesrc/foundation/files.h"

namespace ostrada {

class BlockReader {
 public:
  static constexpr size_t kBlockSize = 64 * 1024;

  // The next `length` bytes of the file, from its current position.
  BlockReader(FileHandle file, size_t length);

  // Makes at least `wanted` bytes (at most kBlockSize) available at Data(), or all that is left of
  // the span when that is less. False (reported) when the file gives fewer bytes than it should.
  bool Want(size_t wanted);
  const uint8_t* Data() const { return block_.data() + at_; }
  size_t Available() const { return held_ - at_; }
  // Marks `count` available bytes as taken.
  void Consume(size_t count) { at_ += count; }
  // The bytes taken from the start of the span.
  size_t Taken() const { return taken_before_ + at_; }

 private:
  FileHandle file_;
  std::vector<uint8_t> block_;
  size_t held_ = 0;          // bytes in the block
  size_t at_ = 0;            // the first byte not yet taken
  size_t unread_;            // bytes of the span still in the file
  size_t taken_before_ = 0;  // bytes taken before the block's first byte
};

}  // namespace ostrada
