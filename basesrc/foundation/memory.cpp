#include "basesrc/foundation/memory.h"

#include <cstdlib>
#include <cstring>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/foundation";

// Allocations still allowed before the injected failure; negative means no failure is injected.
long g_allocationsBeforeFailure = -1;

void* HeapAllocate(size_t size, bool zeroed) {
  if (g_allocationsBeforeFailure == 0) return nullptr;
  if (g_allocationsBeforeFailure > 0) --g_allocationsBeforeFailure;
  // A zero-size request still yields a distinct block the caller may free.
  const size_t bytes = size == 0 ? 1 : size;
  return zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
}

void* CheckedAllocate(size_t size, bool zeroed) {
  void* block = HeapAllocate(size, zeroed);
  if (block == nullptr) {
    ShowMessage(TextC(Txt::kMemoryFatal), TextC(Txt::kMemoryFatalCaption), kMbOk);
    return nullptr;
  }
  return block;
}

}  // namespace

void* AllocZeroed(size_t size) {
  return CheckedAllocate(size, true);
}

void* AllocUninitialized(size_t size) {
  return CheckedAllocate(size, false);
}

void FreeMem(void* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return;
  std::free(block);
}

void* MemFill(void* block, int byte, size_t length) {
  if (!OSTRADA_VERIFY(block != nullptr)) return block;
  return std::memset(block, byte, length);
}

// A missing text has length 0 and sorts first. These two are the only helpers that take a missing
// text as a value rather than a fault: a record whose name could not be copied was reported when
// that happened, and every later comparison against it must not raise the same box again.
size_t StrLen(const char* text) {
  return text ? std::strlen(text) : 0;
}

char* StrCopy(char* destination, const char* source) {
  if (!OSTRADA_VERIFY(destination != nullptr && source != nullptr)) return nullptr;
  return std::strcpy(destination, source);
}

char* StrDup(const char* text) {
  if (!OSTRADA_VERIFY(text != nullptr)) return nullptr;
  const size_t length = std::strlen(text);
  if (!OSTRADA_VERIFY(length > 0)) return nullptr;
  char* copy = static_cast<char*>(AllocZeroed(length + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length);
  return copy;
}

char* StrCopyBounded(char* destination, const char* source, size_t capacity) {
  if (!OSTRADA_VERIFY(destination != nullptr && source != nullptr)) return destination;
  // Without room for the terminator nothing can be stored safely.
  if (!OSTRADA_VERIFY(capacity > 0)) return destination;
  const size_t length = strnlen(source, capacity - 1);
  std::memcpy(destination, source, length);
  destination[length] = '\0';
  return destination;
}

int StrCompare(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a ? 1 : (b ? -1 : 0);
  const int result = std::strcmp(a, b);  // strcmp compares the bytes as unsigned char
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int StrCompareN(const char* a, const char* b, size_t n) {
  if (a == nullptr || b == nullptr) return a ? 1 : (b ? -1 : 0);
  const int result = std::strncmp(a, b, n);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

ScopedAllocationFailure::ScopedAllocationFailure(long allowedAllocations) : previous_(g_allocationsBeforeFailure) {
  g_allocationsBeforeFailure = allowedAllocations;
}

ScopedAllocationFailure::~ScopedAllocationFailure() {
  g_allocationsBeforeFailure = previous_;
}

}  // namespace ostrada
