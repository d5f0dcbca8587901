#include "basesrc/foundation/blockreader.h"

#include <algorithm>
#include <cstring>

#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/foundation/blockreader";

}  // namespace

BlockReader::BlockReader(FileHandle file, size_t length)
    : file_(file), block_(std::clamp<size_t>(length, 1, kBlockSize)), unread_(length) {}

bool BlockReader::Want(size_t wanted) {
  if (!OSTRADA_VERIFY(wanted <= kBlockSize)) return false;
  if (Available() >= wanted || unread_ == 0) return true;
  std::memmove(block_.data(), Data(), Available());
  held_ -= at_;
  taken_before_ += at_;
  at_ = 0;
  const auto count = static_cast<int32_t>(std::min(block_.size() - held_, unread_));
  if (!OSTRADA_VERIFY(FileRead(file_, block_.data() + held_, count) == count)) return false;
  held_ += static_cast<size_t>(count);
  unread_ -= static_cast<size_t>(count);
  return true;
}

}  // namespace ostrada
