#pragma once
// Memory for many small blocks that live and die together: carved in order from large chunks and
// given back all at once, when the arena is cleared or destroyed. A container that holds
// thousands of records and their texts owns one arena instead of thousands of heap blocks.
#include <cstddef>
#include <vector>

namespace ostrada {

class Arena {
 public:
  Arena() = default;
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // A zero-filled block aligned to `alignment` (a power of two no larger than a chunk's own
  // alignment); null after the fatal memory message.
  void* Allocate(size_t size, size_t alignment);
  // As Allocate, but the bytes are whatever the chunk held: for an object constructed in the block,
  // which sets every byte it will read.
  void* AllocateUninitialized(size_t size, size_t alignment);
  // A NUL-terminated copy of the first `length` bytes of text; null after the fatal memory message.
  char* CopyText(const char* text, size_t length);
  // Gives every chunk back; every block handed out before is gone.
  void Clear();

  // The bytes taken from the heap for chunks.
  size_t ReservedBytes() const { return reserved_; }

 private:
  struct Chunk;
  static constexpr size_t kFirstChunkSize = 16 * 1024;
  static constexpr size_t kLargestChunkSize = 1024 * 1024;

  // A new chunk with room for at least `size` bytes after alignment.
  bool Grow(size_t size, size_t alignment);

  Chunk* chunks_ = nullptr;  // the newest chunk; each points to the one before
  char* cursor_ = nullptr;
  char* end_ = nullptr;
  size_t nextChunkSize_ = kFirstChunkSize;
  size_t reserved_ = 0;
};

// Uninitialised room for one record: a slot given back to `freeSlots` earlier, else a new block of the
// arena. Null after the fatal memory message. The slots must be the arena's own, of the same size.
void* TakeSlot(Arena& arena, std::vector<void*>& freeSlots, size_t size, size_t alignment);

}  // namespace ostrada
