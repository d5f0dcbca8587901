#include "basesrc/foundation/arena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/foundation/arena";

char* AlignUp(char* at, size_t alignment) {
  const auto address = reinterpret_cast<uintptr_t>(at);
  return reinterpret_cast<char*>((address + alignment - 1) & ~(uintptr_t{alignment} - 1));
}

}  // namespace

struct alignas(std::max_align_t) Arena::Chunk {
  Chunk* previous;
};

Arena::~Arena() {
  Clear();
}

void Arena::Clear() {
  while (chunks_ != nullptr) {
    Chunk* previous = chunks_->previous;
    FreeMem(chunks_);
    chunks_ = previous;
  }
  cursor_ = end_ = nullptr;
  nextChunkSize_ = kFirstChunkSize;
  reserved_ = 0;
}

bool Arena::Grow(size_t size, size_t alignment) {
  // Chunks double up to a limit, so a large container costs few heap blocks and a small one little memory.
  const size_t wanted = sizeof(Chunk) + size + alignment;
  const size_t chunkSize = std::max(nextChunkSize_, wanted);
  void* block = AllocUninitialized(chunkSize);
  if (block == nullptr) return false;
  auto* chunk = static_cast<Chunk*>(block);
  chunk->previous = chunks_;
  chunks_ = chunk;
  cursor_ = static_cast<char*>(block) + sizeof(Chunk);
  end_ = static_cast<char*>(block) + chunkSize;
  reserved_ += chunkSize;
  nextChunkSize_ = std::min(nextChunkSize_ * 2, kLargestChunkSize);
  return true;
}

void* Arena::Allocate(size_t size, size_t alignment) {
  void* block = AllocateUninitialized(size, alignment);
  return block != nullptr ? std::memset(block, 0, size) : nullptr;
}

void* Arena::AllocateUninitialized(size_t size, size_t alignment) {
  if (!OSTRADA_VERIFY(alignment != 0 && (alignment & (alignment - 1)) == 0 && alignment <= alignof(Chunk))) {
    return nullptr;
  }
  char* at = cursor_ == nullptr ? nullptr : AlignUp(cursor_, alignment);
  if (at == nullptr || size > static_cast<size_t>(end_ - at)) {
    if (!Grow(size, alignment)) return nullptr;
    at = AlignUp(cursor_, alignment);
  }
  cursor_ = at + size;
  return at;
}

char* Arena::CopyText(const char* text, size_t length) {
  if (!OSTRADA_VERIFY(text != nullptr)) return nullptr;
  auto* copy = static_cast<char*>(AllocateUninitialized(length + 1, 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

void* TakeSlot(Arena& arena, std::vector<void*>& freeSlots, size_t size, size_t alignment) {
  if (freeSlots.empty()) return arena.AllocateUninitialized(size, alignment);
  void* slot = freeSlots.back();
  freeSlots.pop_back();
  return slot;
}

}  // namespace ostrada
