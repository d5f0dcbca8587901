#pragma once
// Zero-filled heap blocks and NUL-terminated string helpers. Every helper tolerates missing
// arguments: it reports them through ReportFailure and returns the failure value it documents.
// StrLen and the comparisons alone take a missing text as a value (length 0, sorting first) and
// report nothing, so a record that lacks a name does not raise a box at every comparison.
#include <cstddef>
#include <memory>

namespace ostrada {

// A zero-filled block, or null after showing the fatal memory message.
void* AllocZeroed(size_t size);
// As AllocZeroed, but the bytes are left as the heap gives them: for a block its owner writes
// before it reads it, where zeroing would only be paid for twice.
void* AllocUninitialized(size_t size);
// Frees a block from AllocZeroed/AllocUninitialized/StrDup; a null block is reported and ignored.
void FreeMem(void* block);
void* MemFill(void* block, int byte, size_t length);

struct FreeMemDeleter {
  void operator()(void* block) const {
    if (block) FreeMem(block);
  }
};
// An owned heap text from StrDup (null when not set).
using HeapText = std::unique_ptr<char[], FreeMemDeleter>;

// 0 for a missing text.
size_t StrLen(const char* text);
char* StrCopy(char* destination, const char* source);
// A new heap copy; null (reported) for a missing or empty text.
char* StrDup(const char* text);
// Copies at most capacity - 1 bytes and always terminates.
char* StrCopyBounded(char* destination, const char* source, size_t capacity);
// Unsigned byte comparison up to and including the first NUL, as -1, 0 or 1; null sorts first.
int StrCompare(const char* a, const char* b);
int StrCompareN(const char* a, const char* b, size_t n);

// TEST ONLY: while alive, AllocZeroed (and AllocUninitialized) succeeds `allowedAllocations` more times and then fails, so
// tests reach the out-of-memory paths. Scopes nest; the previous setting returns on destruction.
class ScopedAllocationFailure {
 public:
  explicit ScopedAllocationFailure(long allowedAllocations = 0);
  ~ScopedAllocationFailure();
  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

 private:
  long previous_;
};

}  // namespace ostrada
